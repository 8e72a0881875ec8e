// Decoded sound that is heard while the rest of it is still being decoded: one thread appends
// frames, others read the frames already there. Frames never move once written, so a reader
// holds no lock while it copies them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Interleaved samples, 8-bit unsigned or 16-bit signed, in the format they were decoded to.
struct AudioFormat {
    uint32_t rate = 0;
    int channels = 0;
    int bytesPerSample = 0;

    int BlockAlign() const { return channels * bytesPerSample; }
};

class PcmStream {
public:
    // Room for at most `maxFrames` frames; memory is taken as frames arrive.
    PcmStream(const AudioFormat& format, uint64_t maxFrames);
    PcmStream(const PcmStream&) = delete;
    PcmStream& operator=(const PcmStream&) = delete;

    const AudioFormat& Format() const { return format; }
    uint32_t Rate() const { return format.rate; }
    int BlockAlign() const { return format.BlockAlign(); }

    // Frames decoded so far; every one below it can be read.
    uint64_t Decoded() const { return decoded.load(std::memory_order_acquire); }
    // Whether decoding has ended, so that Decoded() is the whole length.
    bool Complete() const { return complete.load(std::memory_order_acquire); }
    // Waits until frame `frame` is decoded or decoding has ended; the frames decoded then.
    uint64_t WaitFor(uint64_t frame) const;
    // The whole length, once decoding has ended.
    uint64_t FrameCount() const { return WaitFor(UINT64_MAX); }

    // Copies up to `frames` decoded frames from `from` on into `out`; how many it copied.
    uint64_t Read(uint64_t from, uint8_t* out, uint64_t frames) const;

    // The decoding side. Append takes what fits under the limit and gives how many frames it
    // took (fewer means the limit was reached, or memory ran out); Finish ends the stream.
    uint64_t Append(const uint8_t* samples, uint64_t frames);
    void Finish();

    static constexpr uint64_t kChunkFrames = 1 << 16;

private:
    AudioFormat format;
    uint64_t capacity;
    // Fixed-size chunks; the table is sized once, so appending never moves what readers see.
    std::vector<std::unique_ptr<uint8_t[]>> chunks;
    std::atomic<uint64_t> decoded{0};
    std::atomic<bool> complete{false};
    mutable std::mutex waiting;
    mutable std::condition_variable arrived;
};
