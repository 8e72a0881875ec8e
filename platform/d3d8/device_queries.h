// The tests' reading of the device: the Get calls of Direct3D 8 that the show never makes (it
// may run on a pure device, which answers none of them), the presentation parameters, and a
// texture's level 0 as OpenGL samples it. Built only into the tests' platform library.
#pragma once

#include "platform/d3d8/d3d8.h"

#include <cstdint>
#include <vector>

struct DeviceQueries {
    static HRESULT GetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, DWORD* value);
    static HRESULT GetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state,
                                D3DMATRIX* matrix);
    static HRESULT GetTextureStageState(IDirect3DDevice8* device, DWORD stage,
                                        D3DTEXTURESTAGESTATETYPE type, DWORD* value);
    // Adds a reference to the texture it gives, as Direct3D does.
    static HRESULT GetTexture(IDirect3DDevice8* device, DWORD stage, IDirect3DTexture8** texture);
    static HRESULT GetMaterial(IDirect3DDevice8* device, D3DMATERIAL8* material);
    static HRESULT GetLight(IDirect3DDevice8* device, DWORD index, D3DLIGHT8* light);
    static HRESULT GetLightEnable(IDirect3DDevice8* device, DWORD index, BOOL* enable);
    static HRESULT GetCreationParameters(IDirect3DDevice8* device,
                                         D3DDEVICE_CREATION_PARAMETERS* parameters);
    static const D3DPRESENT_PARAMETERS& PresentParameters(const IDirect3DDevice8* device);

    // Level 0 as OpenGL samples it, as 0xAARRGGBB words, top row first (uploaded first if it
    // changed); empty for a texture that cannot be drawn.
    static std::vector<uint32_t> ReadBackLevel0(IDirect3DTexture8* texture);
};
