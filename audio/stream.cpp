#include "audio/stream.h"

Stream::Stream() : handle(0) {}

Stream::~Stream() {
    Free();
}

int32_t Stream::Open(const void* file, bool fromMemory, DWORD offset, DWORD length) {
    Free(); // a stream opened earlier would otherwise live on unreachable
    handle =
        BASS_StreamCreateFile(fromMemory ? TRUE : FALSE, file, offset, length, BASS_MP3_SETPOS);
    return handle != 0 ? 0 : -11;
}

int32_t Stream::Play(bool loop) {
    if (handle == 0) return -12;
    return BASS_StreamPlay(handle, TRUE, loop ? BASS_SAMPLE_LOOP : 0) ? 0 : -13;
}

void Stream::Free() {
    if (handle == 0) return;
    BASS_StreamFree(handle);
    handle = 0;
}
