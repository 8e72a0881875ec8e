#include "app/music_clock.h"
#include "platform/bass/bass.h"

float BytesPerSecond(DWORD frequency, DWORD channelFlags) {
    const uint32_t channels = (channelFlags & BASS_SAMPLE_MONO) ? 1 : 2;
    const uint32_t bytesPerSample = (channelFlags & BASS_SAMPLE_8BITS) ? 1 : 2;
    return float(int32_t(frequency * channels * bytesPerSample));
}

float MusicTimeAt(int32_t position, float bytesPerSecond) {
    // Both operands are exact in double, and the double quotient lies closer to the true one
    // than any float rounding boundary can (positions below 2^31, rates below 2^24), so one
    // rounding to float gives the correctly rounded single-precision quotient. A float
    // division would first round positions above 2^24 (95 s of CD audio) to 24 bits.
    return float(double(position) / double(bytesPerSecond));
}
