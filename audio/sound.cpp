#include "audio/sound.h"

int32_t Sound::instanceCount = 0;

Sound::Sound() : initialised(false) {
    if (++instanceCount > 1)
        OutputDebugStringA("Warning: The sound class was already instantiated, keep in mind that "
                           "Bass is not object oriented and can only be used by one class at a "
                           "time.\n");
}

Sound::~Sound() {
    Shutdown();
    --instanceCount;
}

int32_t Sound::Init(uint32_t frequency, HWND window) {
    if (initialised) return -2;
    if (!BASS_Init(-1, frequency, 0, window)) {
        switch (BASS_ErrorGetCode()) {
        case BASS_ERROR_DEVICE:
            return -3;
        case BASS_ERROR_DRIVER:
            return -4;
        case BASS_ERROR_FORMAT:
            return -5;
        case BASS_ERROR_MEM:
            return -6;
        case BASS_ERROR_UNKNOWN:
            return -7;
        default:
            break; // such as BASS_ERROR_ALREADY: the library is usable
        }
    }
    BASS_Start();
    initialised = true;
    return 0;
}

void Sound::Shutdown() {
    BASS_Stop();
    if (initialised) {
        BASS_Free();
        OutputDebugStringA(
            "Calling BASS_Free().. this automatically releases all of Bass' resources.\n");
    }
}

DWORD Sound::ChannelGetFlags(DWORD channel) {
    return BASS_ChannelGetFlags(channel);
}

int32_t Sound::ChannelGetAttributes(DWORD channel, DWORD* frequency, DWORD* volume, int* pan) {
    return BASS_ChannelGetAttributes(channel, frequency, volume, pan) ? 0 : -14;
}

DWORD Sound::ChannelGetPosition(DWORD channel) {
    return BASS_ChannelGetPosition(channel);
}

int32_t Sound::ChannelSetPosition(DWORD channel, DWORD position) {
    return BASS_ChannelSetPosition(channel, position) ? 0 : -15;
}
