// The music clock: the stream's playback position in bytes over its bytes per second.
#pragma once

#include "platform/win32/win32.h"

#include <cstdint>

// frequency x channels x bytes per sample as a 32-bit integer, held as a float.
float BytesPerSecond(DWORD frequency, DWORD channelFlags);

// Seconds of music played: the exact position over bytesPerSecond, rounded once to a float.
// A zero bytesPerSecond gives NaN at position 0 and infinity after.
float MusicTimeAt(int32_t position, float bytesPerSecond);
