// A holder of one device texture: loaded from a picture file, or created blank to receive video
// frames. It reaches the device through the shared device state, so it works only between
// CreateSharedBuffers and the Renderer's release.
#pragma once

#include "platform/d3d8/d3d8.h"

#include <cstdint>

struct TextureLock {
    void* bits;
    int32_t pitch;
};

class Texture {
public:
    // 0, or -1 leaving the texture empty.
    int32_t Load(const char* path);
    // A width x height A8R8G8B8 texture in the managed pool (lockable): 0, or -1 leaving it empty.
    int32_t Create(int32_t width, int32_t height);
    // Level 0 for writing. When the lock fails (or the texture is empty) the debug text
    // "brommm!" is written and the result points at scratch memory of the level's size, so a
    // caller that writes through it without checking harms nothing.
    TextureLock Lock();
    HRESULT Unlock();
    // Only on a texture that holds one, once.
    ULONG Release();

    IDirect3DTexture8* Interface() const { return texture; }

private:
    IDirect3DTexture8* texture = nullptr;
};

// Fills level 0 of a width x height texture with one colour: one run when rows are contiguous,
// row by row when the device pads them.
void FillTexture(Texture& texture, int32_t width, int32_t height, D3DCOLOR colour);
