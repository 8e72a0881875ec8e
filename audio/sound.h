// The audio library's one instance: start-up on the default output device, shut-down, and
// queries passed through to a channel.
#pragma once

#include "platform/bass/bass.h"

#include <cstdint>

class Sound {
public:
    Sound();
    ~Sound();

    // 0, or -2 already initialised, -3 illegal device, -4 no usable driver, -5 unsupported
    // output format, -6 out of memory, -7 unknown error. Any other library error counts as
    // success: the library is then started all the same.
    int32_t Init(uint32_t frequency, HWND window);

    DWORD ChannelGetFlags(DWORD channel);
    // 0, or -14 when the library refuses.
    int32_t ChannelGetAttributes(DWORD channel, DWORD* frequency, DWORD* volume, int* pan);
    DWORD ChannelGetPosition(DWORD channel);
    // 0, or -15 when the library refuses.
    int32_t ChannelSetPosition(DWORD channel, DWORD position);

    // Live Sound objects. The library has one global state, so a second one draws a warning.
    static int32_t instanceCount;

private:
    void Shutdown();

    bool initialised;
};
