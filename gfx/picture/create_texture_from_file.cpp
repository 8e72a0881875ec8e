// D3DXCreateTextureFromFileExA and its in-memory stage: decode, settle the texture's
// description, create it and fill its levels.
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/format_table.h"
#include "platform/files/resolve_path.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Win32 error codes for what opening and reading a file can run into.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorTooManyOpenFiles = 4;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorReadFault = 30;

HRESULT FromSystemError(int error) {
    uint32_t code = kErrorReadFault;
    switch (error) {
    case ENOENT:
        code = kErrorFileNotFound;
        break;
    case ENOTDIR:
        code = kErrorPathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
        code = kErrorAccessDenied;
        break;
    case EMFILE:
    case ENFILE:
        code = kErrorTooManyOpenFiles;
        break;
    case ENOMEM:
        code = kErrorNotEnoughMemory;
        break;
    default:
        break;
    }
    return HRESULT(0x80070000u | (code & 0xFFFF));
}

D3DCOLOR AsArgb(const PALETTEENTRY& entry) {
    return D3DCOLOR(entry.peFlags) << 24 | D3DCOLOR(entry.peRed) << 16 |
           D3DCOLOR(entry.peGreen) << 8 | entry.peBlue;
}

// The format a texture for `image` is asked for when the caller leaves it open.
D3DFORMAT FormatForImage(D3DFORMAT image, D3DCOLOR colorKey) {
    if (colorKey == 0) return image == D3DFMT_R8G8B8 ? D3DFMT_X8R8G8B8 : image;
    // A key needs somewhere to put its transparency.
    switch (image) {
    case D3DFMT_R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
        return D3DFMT_A8R8G8B8;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_R3G3B2:
    case D3DFMT_X4R4G4B4:
        return D3DFMT_A1R5G5B5;
    case D3DFMT_L8:
        return D3DFMT_A8L8;
    default:
        return image;
    }
}

// What one call holds; released on every way out.
struct Resources {
    IDirect3DTexture8* texture = nullptr;
    IDirect3DTexture8* twin = nullptr;

    ~Resources() {
        if (twin) twin->Release();
        if (texture) texture->Release();
    }
};

HRESULT LoadLevel(IDirect3DTexture8* texture, UINT level, const PALETTEENTRY* palette,
                  const void* pixels, D3DFORMAT format, UINT pitch,
                  const PALETTEENTRY* sourcePalette, const RECT& rect, DWORD filter,
                  D3DCOLOR colorKey) {
    IDirect3DSurface8* surface = nullptr;
    HRESULT result = texture->GetSurfaceLevel(level, &surface);
    if (FAILED(result)) return result;
    result = D3DXLoadSurfaceFromMemory(surface, palette, nullptr, pixels, format, pitch,
                                       sourcePalette, &rect, filter, colorKey);
    surface->Release();
    return result;
}

// Fills level `level` from the level above it, with the mip filter.
HRESULT LoadFromLevelAbove(IDirect3DTexture8* texture, UINT level, const PALETTEENTRY* palette,
                           DWORD mipFilter) {
    D3DSURFACE_DESC above;
    HRESULT result = texture->GetLevelDesc(level - 1, &above);
    if (FAILED(result)) return result;
    D3DLOCKED_RECT locked;
    if (FAILED(result = texture->LockRect(level - 1, &locked, nullptr, D3DLOCK_READONLY)))
        return result;
    const RECT rect{0, 0, LONG(above.Width), LONG(above.Height)};
    result = LoadLevel(texture, level, palette, locked.pBits, above.Format, UINT(locked.Pitch),
                       palette, rect, mipFilter, 0);
    texture->UnlockRect(level - 1);
    return result;
}

} // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, LPCSTR path, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                     DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                     IDirect3DTexture8** texture) {
    if (!path) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> contents;
    if (const int error = ReadWholeFile(path, contents, kMaxPictureFileBytes); error != 0)
        return FromSystemError(error);
    // An empty file is no picture: the data is invalid, not the call.
    if (contents.empty()) return D3DXERR_INVALIDDATA;
    return D3DXCreateTextureFromFileInMemoryEx(
        device, contents.data(), UINT(contents.size()), width, height, mipLevels, usage, format,
        pool, filter, mipFilter, colorKey, sourceInfo, palette, texture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* device, const void* data,
                                            UINT dataSize, UINT width, UINT height, UINT mipLevels,
                                            DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                            IDirect3DTexture8** texture) {
    if (!device || !data || dataSize == 0 || !texture) return D3DERR_INVALIDCALL;
    try {
        DecodedImage image;
        HRESULT result = DecodeImage(static_cast<const uint8_t*>(data), dataSize, image);
        if (FAILED(result)) return result;

        // Complete the request from the image.
        if (width == 0 || width == D3DX_DEFAULT) width = image.Width();
        if (height == 0 || height == D3DX_DEFAULT) height = image.Height();
        const bool bump = DescribeFormat(image.format).kind == FormatKind::Bump;
        if (filter == D3DX_DEFAULT)
            filter = (bump ? D3DX_FILTER_POINT : D3DX_FILTER_TRIANGLE) | D3DX_FILTER_DITHER;
        if (mipFilter == D3DX_DEFAULT) mipFilter = bump ? D3DX_FILTER_POINT : D3DX_FILTER_BOX;
        if (format == D3DFMT_UNKNOWN) format = FormatForImage(image.format, colorKey);

        std::vector<PALETTEENTRY> sourcePalette = image.palette;
        if (sourcePalette.empty()) {
            sourcePalette.assign(256, PALETTEENTRY{255, 255, 255, 255});
        } else if (colorKey != 0) {
            // Keyed entries become transparent black; the key is then done with.
            for (PALETTEENTRY& entry : sourcePalette)
                if (AsArgb(entry) == colorKey) entry = PALETTEENTRY{0, 0, 0, 0};
            colorKey = 0;
        }
        if (!palette) {
            bool opaque = true;
            for (const PALETTEENTRY& entry : sourcePalette)
                opaque &= entry.peFlags == 255;
            if (format == D3DFMT_A8P8) format = D3DFMT_A8R8G8B8;
            if (format == D3DFMT_P8) format = opaque ? D3DFMT_X8R8G8B8 : D3DFMT_A8R8G8B8;
        }

        UINT levels = mipLevels;
        result =
            D3DXCheckTextureRequirements(device, &width, &height, &levels, usage, &format, pool);
        if (FAILED(result)) return result;

        Resources made;
        if (FAILED(result = device->CreateTexture(width, height, levels, usage, format, pool,
                                                  &made.texture)))
            return result;
        IDirect3DTexture8* filled = made.texture;
        if (pool == D3DPOOL_DEFAULT) {
            if (FAILED(result = device->CreateTexture(width, height, levels, 0, format,
                                                      D3DPOOL_SYSTEMMEM, &made.twin)))
                return result;
            filled = made.twin;
        }

        const DecodedImage* source = &image;
        const UINT levelCount = filled->GetLevelCount();
        const DWORD kind = filter & 0xFFFF, mipKind = mipFilter & 0xFFFF;
        const bool fromLevelAbove =
            kind == D3DX_FILTER_NONE || mipKind == D3DX_FILTER_POINT || mipKind == D3DX_FILTER_BOX;
        for (UINT level = 0; level < levelCount; ++level) {
            const bool fromImage = level == 0 || source->next;
            if (level > 0 && source->next) source = source->next.get();
            if (fromImage)
                result =
                    LoadLevel(filled, level, palette, source->pixels.data(), source->format,
                              source->pitch, sourcePalette.data(), source->rect, filter, colorKey);
            else if (fromLevelAbove)
                result = LoadFromLevelAbove(filled, level, palette, mipFilter);
            else
                result = LoadLevel(filled, level, palette, source->pixels.data(), source->format,
                                   source->pitch, sourcePalette.data(), source->rect, mipFilter,
                                   colorKey);
            if (FAILED(result)) return result;
        }
        if (made.twin && FAILED(result = device->UpdateTexture(made.twin, made.texture)))
            return result;

        if (sourceInfo)
            *sourceInfo =
                D3DXIMAGE_INFO{image.Width(), image.Height(), 1, image.ChainLength(), image.format};
        *texture = made.texture;
        made.texture = nullptr;
        return D3D_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
