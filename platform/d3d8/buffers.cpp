// Vertex and index buffers: a CPU copy that every Lock hands out again, contents kept.
#include "platform/d3d8/d3d8.h"
#include "platform/host/test_hooks.h"

#include <cstddef>

D3DBuffer::D3DBuffer(IDirect3DDevice8* owner, UINT length, DWORD usage, const char* kind)
    : device(owner), kind(kind), contents(length), usage(usage) {
    device->AddRef();
}

D3DBuffer::~D3DBuffer() {
    host::hooks::Trace(kind, "destroyed");
    device->Release();
}

HRESULT D3DBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD /*flags*/) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    const size_t length = contents.size();
    if (offset > length || (size != 0 && size > length - offset)) return D3DERR_INVALIDCALL;
    locked = true;
    *data = contents.data() + offset;
    return D3D_OK;
}

HRESULT D3DBuffer::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    dirty = true;
    return D3D_OK;
}
