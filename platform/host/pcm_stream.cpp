#include "platform/host/pcm_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

PcmStream::PcmStream(const AudioFormat& format, uint64_t maxFrames)
    : format(format), capacity(maxFrames),
      chunks(size_t((maxFrames + kChunkFrames - 1) / kChunkFrames)) {}

uint64_t PcmStream::WaitFor(uint64_t frame) const {
    uint64_t now = Decoded();
    if (now > frame || Complete()) return now;
    std::unique_lock<std::mutex> lock(waiting);
    arrived.wait(lock, [&] { return Decoded() > frame || Complete(); });
    return Decoded();
}

uint64_t PcmStream::Read(uint64_t from, uint8_t* out, uint64_t frames) const {
    const uint64_t available = Decoded();
    if (from >= available) return 0;
    frames = std::min(frames, available - from);
    const size_t block = size_t(BlockAlign());
    for (uint64_t done = 0; done < frames;) {
        const uint64_t at = from + done;
        const uint64_t within = at % kChunkFrames;
        const uint64_t count = std::min(frames - done, kChunkFrames - within);
        std::memcpy(out + done * block, chunks[size_t(at / kChunkFrames)].get() + within * block,
                    size_t(count) * block);
        done += count;
    }
    return frames;
}

uint64_t PcmStream::Append(const uint8_t* samples, uint64_t frames) {
    const size_t block = size_t(BlockAlign());
    uint64_t end = Decoded();
    frames = std::min(frames, capacity - end);
    uint64_t done = 0;
    while (done < frames) {
        std::unique_ptr<uint8_t[]>& chunk = chunks[size_t(end / kChunkFrames)];
        if (!chunk) {
            chunk.reset(new (std::nothrow) uint8_t[kChunkFrames * block]);
            if (!chunk) break;
        }
        const uint64_t within = end % kChunkFrames;
        const uint64_t count = std::min(frames - done, kChunkFrames - within);
        std::memcpy(chunk.get() + within * block, samples + done * block, size_t(count) * block);
        done += count;
        end += count;
    }
    {
        // Published under the lock, so that a reader about to wait cannot miss the wake-up.
        std::lock_guard<std::mutex> lock(waiting);
        decoded.store(end, std::memory_order_release);
    }
    arrived.notify_all();
    return done;
}

void PcmStream::Finish() {
    {
        std::lock_guard<std::mutex> lock(waiting);
        complete.store(true, std::memory_order_release);
    }
    arrived.notify_all();
}
