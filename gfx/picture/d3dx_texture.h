// The D3DX texture loader: a picture file becomes a device texture, its size and format
// settled against the device, its pixels converted, resampled and dithered where needed.
#pragma once

#include "gfx/picture/decoded_image.h"
#include "platform/d3d8/d3d8.h"

constexpr UINT D3DX_DEFAULT = UINT(-1);

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_FILTER_MIRROR_U = 0x10000;
constexpr DWORD D3DX_FILTER_MIRROR_V = 0x20000;
constexpr DWORD D3DX_FILTER_MIRROR_W = 0x40000;
constexpr DWORD D3DX_FILTER_DITHER = 0x80000;

struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
};

// Reads the whole file (0x80070000 | the system error when it cannot: 0x80070002 for a missing
// file) and hands it to D3DXCreateTextureFromFileInMemoryEx.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR path, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture8** texture);

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* device, const void* data,
                                            UINT dataSize, UINT width, UINT height, UINT mipLevels,
                                            DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                            IDirect3DTexture8** texture);

// Settles width, height, level count and format to what the device can create.
HRESULT D3DXCheckTextureRequirements(IDirect3DDevice8* device, UINT* width, UINT* height,
                                     UINT* mipLevels, DWORD usage, D3DFORMAT* format, D3DPOOL pool);

// Fills `destRect` of `surface` (all of it when null) from `sourceRect` of the source pixels.
HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* surface, const PALETTEENTRY* destPalette,
                                  const RECT* destRect, const void* source, D3DFORMAT sourceFormat,
                                  UINT sourcePitch, const PALETTEENTRY* sourcePalette,
                                  const RECT* sourceRect, DWORD filter, D3DCOLOR colorKey);

// The format the device would give a texture requested in `requested`: that format when the
// device takes it, else the best-scoring substitute. D3DERR_NOTAVAILABLE when none will do.
HRESULT ChooseTextureFormat(IDirect3D8* d3d, const D3DCAPS8& caps, D3DFORMAT displayFormat,
                            DWORD usage, D3DFORMAT requested, D3DFORMAT& chosen);

// The substitution score of `candidate` for `requested`; lower is better.
uint32_t FormatScore(D3DFORMAT requested, D3DFORMAT candidate);
