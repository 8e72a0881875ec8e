// Where a playing stream is heard: the SDL2 audio device on screen, a virtual clock off screen.
#pragma once

#include <cstdint>
#include <vector>

// A whole decoded stream in its own format: interleaved, 8-bit unsigned or 16-bit signed.
struct PcmStream {
    std::vector<uint8_t> samples;
    uint32_t rate = 0;
    int channels = 0;
    int bytesPerSample = 0;

    int BlockAlign() const { return channels * bytesPerSample; }
    uint64_t FrameCount() const { return BlockAlign() ? samples.size() / BlockAlign() : 0; }
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the output at `frequency`; 0, or the library error code that explains the failure.
    virtual int Open(uint32_t frequency) = 0;
    virtual void Close() = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;

    // Starts hearing `stream` at frame `from`, in place of whatever was heard before.
    virtual void Play(const PcmStream* stream, uint64_t from, bool loop) = 0;
    // Stops hearing `stream` if it is the one being heard.
    virtual void Halt(const PcmStream* stream) = 0;
    virtual bool IsPlaying(const PcmStream* stream) = 0;
    // The frame of `stream` heard by now; while it plays, never less than an earlier answer.
    virtual uint64_t HeardFrame(const PcmStream* stream) = 0;
};

// The host's two outputs.
AudioOutput& SdlAudioOutput();
AudioOutput& VirtualAudioOutput(double (*clock)());
