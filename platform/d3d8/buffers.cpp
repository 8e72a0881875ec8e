// Vertex and index buffers: a CPU copy that every Lock hands out again, contents kept, and an
// OpenGL copy refreshed, as far as a draw needs it, after each Unlock.
#include "platform/d3d8/d3d8.h"
#include "platform/host/test_hooks.h"

#include "platform/d3d8/gl.h"

#include <algorithm>
#include <cstddef>

D3DBuffer::D3DBuffer(IDirect3DDevice8* owner, UINT length, DWORD usage, const char* kind)
    : device(owner), kind(kind), contents(length), usage(usage) {
    device->AddRef();
}

D3DBuffer::~D3DBuffer() {
    host::hooks::Trace(kind, "destroyed");
    device->Unbind(this);
    if (glName) {
        device->Activate();
        glDeleteBuffers(1, &glName);
    }
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
    cleanBegin = cleanEnd = 0;
    ++version;
    return D3D_OK;
}

unsigned D3DBuffer::GlBuffer(unsigned target, size_t begin, size_t end) {
    if (!glName) glGenBuffers(1, &glName);
    glBindBuffer(target, glName);
    if (begin >= cleanBegin && end <= cleanEnd) return glName;
    // Only what this draw reads goes up, into fresh storage: the draws already queued keep
    // reading the storage they were given, so the upload never waits for them to finish (a
    // scene rewrites the buffer right after drawing a quad from it). The storage is as large as
    // the draws have needed so far, not the whole buffer.
    storageSize = std::max(storageSize, end);
    glBufferData(target, GLsizeiptr(storageSize), nullptr, GL_STREAM_DRAW);
    glBufferSubData(target, GLintptr(begin), GLsizeiptr(end - begin), contents.data() + begin);
    cleanBegin = begin;
    cleanEnd = end;
    return glName;
}
