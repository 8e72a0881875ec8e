#include "gfx/texture.h"
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/decoded_image.h"
#include "gfx/shared_device.h"
#include "platform/files/load_failure.h"
#include "platform/files/resolve_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Where writes through a failed lock go. Large enough for the level, or for the 512 x 256
// canvas every scene locks when the level's size is unknown.
TextureLock ScratchLock(IDirect3DTexture8* texture) {
    static std::vector<uint8_t> scratch;
    D3DSURFACE_DESC description{};
    UINT width = 512, height = 256;
    if (texture && SUCCEEDED(texture->GetLevelDesc(0, &description))) {
        width = std::max(description.Width, width);
        height = std::max(description.Height, height);
    }
    const size_t pitch = size_t(width) * 4;
    if (scratch.size() < pitch * height) scratch.resize(pitch * height);
    return TextureLock{scratch.data(), int32_t(pitch)};
}

// What a failed load says to the user who supplied the file.
bool FileIsEmpty(const char* path) {
    struct stat info;
    return stat(ResolvePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_size == 0;
}

std::string WhyNotLoaded(const char* path, HRESULT result) {
    // ERROR_NOT_ENOUGH_MEMORY: the file could not be held.
    if (result == HRESULT(0x80070008u)) return "out of memory while reading it";
    if ((uint32_t(result) & 0xFFFF0000u) == 0x80070000u && result != E_OUTOFMEMORY) {
        const std::string unreadable = WhyUnreadable(path, kMaxPictureFileBytes);
        return unreadable.empty() ? "unreadable" : unreadable;
    }
    if (result == D3DXERR_INVALIDDATA && FileIsEmpty(path)) return "empty (0 bytes), not a picture";
    if (result == D3DXERR_INVALIDDATA)
        return DecodeRefusedForSize()
                   ? "picture too large (at most 16384 pixels a side and 2^24 in all)"
                   : "not a picture (JPEG, PNG, BMP, TGA, PPM, DDS or DIB) that can be decoded";
    if (result == E_OUTOFMEMORY) return "out of memory";
    if (result == D3DERR_NOTAVAILABLE) return "no texture format of the device can hold it";
    return "the device could not make a texture of it";
}

} // namespace

int32_t Texture::Load(const char* path) {
    IDirect3DTexture8* loaded = nullptr;
    const HRESULT result = D3DXCreateTextureFromFileExA(
        sharedDevice, path, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
        D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, D3DX_FILTER_LINEAR, 0, nullptr, nullptr,
        &loaded);
    texture = SUCCEEDED(result) ? loaded : nullptr;
    if (FAILED(result) && path) NoteLoadFailure(path, WhyNotLoaded(path, result));
    return SUCCEEDED(result) ? 0 : -1;
}

int32_t Texture::Create(int32_t width, int32_t height) {
    IDirect3DTexture8* created = nullptr;
    const HRESULT result = sharedDevice->CreateTexture(UINT(width), UINT(height), 0, 0,
                                                       D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &created);
    texture = SUCCEEDED(result) ? created : nullptr;
    return SUCCEEDED(result) ? 0 : -1;
}

TextureLock Texture::Lock() {
    D3DLOCKED_RECT locked{};
    if (texture && SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0)))
        return TextureLock{locked.pBits, locked.Pitch};
    OutputDebugStringA("brommm!");
    return ScratchLock(texture);
}

HRESULT Texture::Unlock() {
    return texture ? texture->UnlockRect(0) : D3DERR_INVALIDCALL;
}

ULONG Texture::Release() {
    return texture->Release();
}

void FillTexture(Texture& texture, int32_t width, int32_t height, D3DCOLOR colour) {
    const TextureLock lock = texture.Lock();
    auto* bits = static_cast<uint8_t*>(lock.bits);
    if (lock.pitch == width * 4) {
        std::fill_n(reinterpret_cast<uint32_t*>(bits), size_t(width) * size_t(height), colour);
    } else {
        for (int32_t y = 0; y < height; ++y)
            std::fill_n(reinterpret_cast<uint32_t*>(bits + size_t(y) * size_t(lock.pitch)),
                        size_t(width), colour);
    }
    texture.Unlock();
}
