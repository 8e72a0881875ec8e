// One music stream of the audio library and its handle.
#pragma once

#include "platform/bass/bass.h"

#include <cstdint>

class Stream {
public:
    Stream();
    ~Stream();

    // Opens `file` (a path, or data in memory when `fromMemory`) from `offset` for `length`
    // bytes (0: to the end). 0, or -11 when the library gives no stream.
    int32_t Open(const void* file, bool fromMemory, DWORD offset, DWORD length);
    // -12 without an open stream; 0, or -13 when the library refuses.
    int32_t Play(bool loop);
    void Free();
    HSTREAM Handle() const { return handle; }

private:
    HSTREAM handle;
};
