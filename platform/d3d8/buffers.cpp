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
    device->BindBuffer(target, glName);
    if (begin >= cleanBegin && end <= cleanEnd) return glName;
    if (begin == 0) {
        // Everything the OpenGL copy is to hold is written again: fresh storage of that size
        // with the bytes in one call, so the draws already queued keep reading the storage they
        // were given and the upload never waits for them (a scene rewrites the buffer right
        // after drawing a quad from it).
        glBufferData(target, GLsizeiptr(end), contents.data(), GL_STREAM_DRAW);
        storageSize = end;
        cleanBegin = 0;
        cleanEnd = end;
        return glName;
    }
    // Part of it: into the storage there is, made larger first if the draw reads beyond it.
    if (end > storageSize) {
        glBufferData(target, GLsizeiptr(end), nullptr, GL_STREAM_DRAW);
        storageSize = end;
        cleanBegin = cleanEnd = 0;
    }
    glBufferSubData(target, GLintptr(begin), GLsizeiptr(end - begin), contents.data() + begin);
    // What was already clean and touches this range stays clean with it.
    if (cleanEnd < begin || end < cleanBegin) {
        cleanBegin = begin;
        cleanEnd = end;
    } else {
        cleanBegin = std::min(cleanBegin, begin);
        cleanEnd = std::max(cleanEnd, end);
    }
    return glName;
}
