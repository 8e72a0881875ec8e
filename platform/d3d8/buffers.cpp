// Vertex and index buffers: a CPU copy that every Lock hands out again, contents kept, and an
// OpenGL copy refreshed, as far as a draw needs it, after each Unlock.
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/record_hook.h"
#include "platform/host/test_hooks.h"

#include "platform/d3d8/gl.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

D3DBuffer::D3DBuffer(IDirect3DDevice8* owner, UINT length, DWORD usage, const char* kind)
    : device(owner), kind(kind), contents(length), usage(usage) {
    device->AddRef();
}

D3DBuffer::~D3DBuffer() {
    host::hooks::Trace(kind, "destroyed");
    device->Unbind(this);
    for (GlCopy& copy : copies)
        if (copy.name) {
            device->Activate();
            device->ForgetGlBuffer(copy.name);
            glDeleteBuffers(1, &copy.name);
        }
    device->Release();
}

HRESULT D3DBuffer::Lock(UINT offset, UINT size, BYTE** data, [[maybe_unused]] DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    const size_t length = contents.size();
    if (offset > length || (size != 0 && size > length - offset)) return D3DERR_INVALIDCALL;
    locked = true;
    *data = contents.data() + offset;
#if SHOW_TEST_CONTROLS
    if (CallsRecorded())
        RecordLocked(this, RecordedCall(D3DCall::BufferWrite, {offset, size, flags}, 0, this),
                     contents.data(), contents.size(), *data);
#endif
    return D3D_OK;
}

HRESULT D3DBuffer::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
#if SHOW_TEST_CONTROLS
    if (CallsRecorded()) RecordUnlocked(this);
#endif
    cleanBegin = cleanEnd = 0;
    ++version;
    return D3D_OK;
}

namespace {

// The range and 32 words spread over it, mixed: the same bytes give the same sample, and bytes
// that move from one time to the next (vertices being animated) almost never do.
uint64_t Sample(const BYTE* bytes, size_t begin, size_t end) {
    uint64_t mixed = (uint64_t(begin) << 32 ^ uint64_t(end)) * 0x9E3779B97F4A7C15ull;
    const size_t words = (end - begin) / 4;
    for (size_t i = 0; words > 0 && i < 32; ++i) {
        uint32_t word;
        std::memcpy(&word, bytes + begin + (words - 1) * i / 31 * 4, 4);
        mixed = (mixed ^ word) * 0x100000001B3ull;
    }
    return mixed;
}

} // namespace

unsigned D3DBuffer::Use(int copy, size_t begin, size_t end) {
    GlCopy& used = copies[copy];
    used.lastUse = ++uses;
    // What was already clean in this copy and touches this range stays clean with it.
    if (copy != current || cleanEnd < begin || end < cleanBegin) {
        cleanBegin = begin;
        cleanEnd = end;
    } else {
        cleanBegin = std::min(cleanBegin, begin);
        cleanEnd = std::max(cleanEnd, end);
    }
    current = copy;
    return used.name;
}

unsigned D3DBuffer::GlBuffer(unsigned target, size_t begin, size_t end) {
    if (current >= 0 && begin >= cleanBegin && end <= cleanEnd) return Use(current, begin, end);
    const BYTE* bytes = contents.data();
    for (int i = 0; i < kGlCopies; ++i) {
        const GlCopy& copy = copies[i];
        if (copy.name && begin >= copy.knownBegin && end <= copy.knownEnd &&
            std::memcmp(copy.held.data() + begin, bytes + begin, end - begin) == 0)
            return Use(i, begin, end);
    }

    // To be sent: what was sent before goes into the copy least recently used of those that
    // keep, anything else into copy 0.
    int into = 0;
    if (end - begin >= keepFrom && end > begin) {
        const uint64_t sample = Sample(bytes, begin, end);
        if (std::find(std::begin(sentSamples), std::end(sentSamples), sample) !=
            std::end(sentSamples)) {
            into = 1;
            for (int i = 2; i < kGlCopies; ++i)
                if (copies[i].lastUse < copies[into].lastUse) into = i;
        } else {
            sentSamples[nextSample] = sample;
            nextSample = (nextSample + 1) % kRemembered;
        }
    }
    GlCopy& copy = copies[into];
    if (!copy.name) glGenBuffers(1, &copy.name);
    device->BindBuffer(target, copy.name);
    if (begin == 0) {
        // Everything the copy is to hold is written again: fresh storage of that size with the
        // bytes in one call, so the draws already queued keep reading the storage they were
        // given and the upload never waits for them (a scene rewrites the buffer right after
        // drawing a quad from it).
        glBufferData(target, GLsizeiptr(end), bytes, GL_STREAM_DRAW);
        copy.held.assign(bytes, bytes + end);
        copy.knownBegin = 0;
        copy.knownEnd = end;
        if (into == current) cleanBegin = cleanEnd = 0; // the storage it spoke of is gone
    } else {
        // Part of it: into the storage there is, made larger first if the draw reads beyond it.
        if (end > copy.held.size()) {
            glBufferData(target, GLsizeiptr(end), nullptr, GL_STREAM_DRAW);
            copy.held.resize(end);
            copy.knownBegin = copy.knownEnd = 0;
            if (into == current) cleanBegin = cleanEnd = 0;
        }
        glBufferSubData(target, GLintptr(begin), GLsizeiptr(end - begin), bytes + begin);
        std::memcpy(copy.held.data() + begin, bytes + begin, end - begin);
        if (copy.knownEnd < begin || end < copy.knownBegin) {
            copy.knownBegin = begin;
            copy.knownEnd = end;
        } else {
            copy.knownBegin = std::min(copy.knownBegin, begin);
            copy.knownEnd = std::max(copy.knownEnd, end);
        }
    }
    return Use(into, begin, end);
}
