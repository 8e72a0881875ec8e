// The music decoder on arbitrary bytes, as the audio stand-in opens the music file: every input
// is either refused or decodes to whole frames in a format the output can play, without touching
// memory it does not own and without asking for more than it holds.
#include "platform/bass/decode_audio.h"

#include <cstdlib>

namespace {

// Inputs beyond this are cut: one run must stay quick.
constexpr size_t kLargest = 64 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargest) size = kLargest;
    DecodedAudio audio;
    if (DecodeAudio(data, size, audio) != 0) return 0;
    const AudioFormat& format = audio.format;
    if (format.rate < kLowestAudioRate || format.rate > kHighestAudioRate || format.channels < 1 ||
        format.channels > 2 || (format.bytesPerSample != 1 && format.bytesPerSample != 2) ||
        audio.FrameCount() == 0 || audio.samples.size() % size_t(format.BlockAlign()) != 0 ||
        audio.FrameCount() > uint64_t(format.rate) * kLongestAudioSeconds)
        std::abort();
    volatile uint8_t last = audio.samples.back();
    (void)last;
    return 0;
}
