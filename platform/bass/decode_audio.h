// The music decoder: MPEG audio (MP3, MP2, MP1) or a WAV file of 8- or 16-bit PCM, read from
// memory, into a PcmStream that can be heard while the rest of it is decoded.
#pragma once

#include "platform/host/pcm_stream.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// What a user's file may claim before it is refused: rates a sound card plays, at most two
// channels, at most an hour.
constexpr uint32_t kLowestAudioRate = 8000;
constexpr uint32_t kHighestAudioRate = 192000;
constexpr uint32_t kLongestAudioSeconds = 3600;
// No music file is read that is larger than this, before it is read or held: an hour of the
// richest MP3 (320 kbit/s) is 144 MB and of CD-quality WAV 635 MB, and the show keeps the whole
// piece decoded in memory.
constexpr uint64_t kMaxMusicFileBytes = uint64_t(1) << 30;

class AudioDecoder {
public:
    // Reads the header and decodes the first frames. Null, with `error` set to the library's
    // error code, for data that is not such audio (BASS_ERROR_FILEFORM: also a rate outside
    // 8 to 192 kHz, more than two channels, a length claimed over an hour, or no sound at all)
    // or when memory runs out (BASS_ERROR_MEM). `name` says which file it is in FFmpeg's notes.
    static std::unique_ptr<AudioDecoder> Open(std::vector<uint8_t> bytes, const std::string& name,
                                              int& error);
    // Stops decoding, waiting for the decoding thread.
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    PcmStream& Stream() { return *stream; }

    // Decodes the rest on a thread of its own; false (with the rest decoded here instead) when
    // no thread can be started.
    bool DecodeInBackground();
    // Decodes the rest on this thread.
    void DecodeRest();
    // Decodes up to `packets` more on this thread; true once the stream is whole.
    bool DecodeSome(int packets);

    struct Codec;

private:
    AudioDecoder() = default;
    // Decodes one packet into the stream; false at the end.
    bool Step();

    std::vector<uint8_t> bytes;
    std::string name;
    std::unique_ptr<Codec> codec;
    std::unique_ptr<PcmStream> stream;
    std::atomic<bool> stopping{false};
    std::thread worker;
};

// A whole file decoded on this thread, for the tools and the tests.
struct DecodedAudio {
    std::vector<uint8_t> samples;
    AudioFormat format;

    uint64_t FrameCount() const {
        return format.BlockAlign() ? samples.size() / size_t(format.BlockAlign()) : 0;
    }
};

// 0, or the library error code as AudioDecoder::Open gives it.
int DecodeAudio(const uint8_t* data, size_t size, DecodedAudio& audio);
