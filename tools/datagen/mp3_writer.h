// MP3 encoding through LAME, with the Info tag that lets decoders trim the encoder's delay and
// padding, so the file decodes to exactly the samples it was made from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `samples` interleaved 16-bit, `channels` 1 or 2. False (with a message on stderr) on failure.
bool WriteMp3(const std::string& path, const std::vector<int16_t>& samples, int channels,
              int sampleRate, int kilobitsPerSecond);
