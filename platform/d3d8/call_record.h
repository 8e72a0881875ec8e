// The tests' record of the Direct3D 8 calls a caller makes (built only into the tests' platform
// library): each call with what it was given, in order, so that a benchmark can make the same
// calls again through the device with no caller behind them. What a caller writes into a locked
// buffer or texture is recorded as the bytes that changed between the lock and the unlock.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct D3DCall {
    enum Kind : uint8_t {
        Clear, // args: count, flags, colour; z; bytes: the rectangles
        BeginScene,
        EndScene,
        Present,
        TestCooperativeLevel,
        SetRenderState,       // args: state, value
        SetTransform,         // args: state; bytes: the matrix
        SetTextureStageState, // args: stage, type, value
        SetTexture,           // args: stage; object: the texture
        SetMaterial,          // bytes: the material
        SetLight,             // args: index; bytes: the light
        LightEnable,          // args: index, enable
        SetStreamSource,      // args: stream, stride; object: the vertex buffer
        SetVertexShader,      // args: handle
        SetIndices,           // args: base vertex; object: the index buffer
        DrawIndexedPrimitive, // args: type, lowest index, vertex count, first index, primitives
        BufferWrite,          // object: the buffer; args: Lock's offset, size, flags; at, bytes
        TextureWrite,         // object: the texture; args: level, flags, whether a rectangle, the
                              // pointer's offset into the level; rect; at, bytes
        StartingBytes,        // object: a buffer or texture; args: level, the kind of its writes;
                              // bytes: all it held when it was first locked
    };
    Kind kind = Clear;
    DWORD args[5] = {};
    float z = 0;
    void* object = nullptr;
    RECT rect{};
    // Where the written bytes go, from the start of the buffer or level.
    size_t at = 0;
    std::vector<BYTE> bytes;
};

// Every later call is handed to `recorder` as it is made; an empty function stops the record.
void RecordCalls(std::function<void(D3DCall&&)> recorder);

// For the device: whether a recorder is set, and handing it a call.
bool CallsRecorded();
void RecordCall(D3DCall&& call);
// A lock of `size` bytes at `base` (a buffer's contents or a texture level's) that handed out
// `handedOut`: `call` is the write to record when `key` is unlocked.
void RecordLocked(const void* key, D3DCall&& call, const BYTE* base, size_t size,
                  const BYTE* handedOut);
// The unlock of `key`: the bytes that changed since its lock, recorded as its write.
void RecordUnlocked(const void* key);
