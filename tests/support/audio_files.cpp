#include "tests/support/audio_files.h"
#include "tools/datagen/mp3_writer.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::vector<int16_t> Tone(int sampleRate, int channels, double seconds) {
    const size_t frames = size_t(std::llround(sampleRate * seconds));
    std::vector<int16_t> samples(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * size_t(channels) + size_t(c)] =
                int16_t(8000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / sampleRate));
    return samples;
}

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

} // namespace

std::vector<uint8_t> ToneWav(int sampleRate, int channels, int bits, double seconds) {
    const std::vector<int16_t> tone = Tone(sampleRate, channels, seconds);
    std::vector<uint8_t> data;
    for (int16_t sample : tone) {
        if (bits == 8)
            data.push_back(uint8_t((sample >> 8) + 128));
        else
            Put(data, uint16_t(sample), 2);
    }
    const uint32_t blockAlign = uint32_t(channels * bits / 8);
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    Put(file, uint32_t(36 + data.size()), 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(file, 16, 4);
    Put(file, 1, 2); // PCM
    Put(file, uint32_t(channels), 2);
    Put(file, uint32_t(sampleRate), 4);
    Put(file, uint32_t(sampleRate) * blockAlign, 4);
    Put(file, blockAlign, 2);
    Put(file, uint32_t(bits), 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put(file, uint32_t(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

std::vector<uint8_t> WavClaiming(uint32_t claimedRate, int channels, uint32_t frames) {
    const uint32_t blockAlign = uint32_t(channels) * 2, size = frames * blockAlign;
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    Put(file, 36 + size, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(file, 16, 4);
    Put(file, 1, 2); // PCM
    Put(file, uint32_t(channels), 2);
    Put(file, claimedRate, 4);
    Put(file, uint32_t(uint64_t(claimedRate) * blockAlign), 4);
    Put(file, blockAlign, 2);
    Put(file, 16, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put(file, size, 4);
    file.resize(file.size() + size, 0);
    return file;
}

std::vector<uint8_t> ToneMp3(int sampleRate, int channels, double seconds) {
    char path[] = "/tmp/show-tone-XXXXXX";
    const int descriptor = ::mkstemp(path);
    if (descriptor < 0) return {};
    ::close(descriptor);
    // Frames must be large enough to hold the Info tag that gives the exact length.
    const int bitrate = sampleRate >= 32000 ? 128 : 64;
    std::vector<uint8_t> bytes;
    if (WriteMp3(path, Tone(sampleRate, channels, seconds), channels, sampleRate, bitrate)) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(path);
    return bytes;
}
