#include "fx/shared_buffers.h"
#include "gfx/shared_device.h"

#include <vector>

Vertex* SharedVertices = nullptr;
uint16_t* SharedIndices = nullptr;

namespace {

template <typename T> T* Scratch(size_t count) {
    static std::vector<T> scratch;
    scratch.resize(count);
    return scratch.data();
}

} // namespace

HRESULT LockSharedVertices() {
    BYTE* bits = nullptr;
    const HRESULT result =
        sharedVertexBuffer ? sharedVertexBuffer->Lock(0, 0, &bits, 0) : D3DERR_INVALIDCALL;
    SharedVertices = SUCCEEDED(result) ? reinterpret_cast<Vertex*>(bits)
                                       : Scratch<Vertex>(kSharedVertexBufferBytes / sizeof(Vertex));
    return result;
}

HRESULT UnlockSharedVertices() {
    return sharedVertexBuffer ? sharedVertexBuffer->Unlock() : D3DERR_INVALIDCALL;
}

HRESULT LockSharedIndices() {
    BYTE* bits = nullptr;
    const HRESULT result =
        sharedIndexBuffer ? sharedIndexBuffer->Lock(0, 0, &bits, 0) : D3DERR_INVALIDCALL;
    SharedIndices = SUCCEEDED(result) ? reinterpret_cast<uint16_t*>(bits)
                                      : Scratch<uint16_t>(kSharedIndexBufferBytes / 2);
    return result;
}

HRESULT UnlockSharedIndices() {
    return sharedIndexBuffer ? sharedIndexBuffer->Unlock() : D3DERR_INVALIDCALL;
}
