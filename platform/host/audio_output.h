// Where a playing stream is heard: the SDL2 audio device on screen, a virtual clock off screen.
// The audio library's stand-in plays through whichever the host gives it.
#pragma once

#include "platform/host/pcm_stream.h"

#include <cstdint>
#include <memory>

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the output at `frequency`; false (with the reason on standard error) when there is
    // no device to play on.
    virtual bool Open(uint32_t frequency) = 0;
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
    // Gets ready to hear `stream`, decoded whole and kept for good, at once whenever it is
    // played, taking in at most `frames` frames a call, so that a page stays responsive; true
    // once ready. Most outputs need nothing for that.
    virtual bool Prepare(const PcmStream& /*stream*/, uint64_t /*frames*/) { return true; }
};

// The host's two outputs. The SDL output closes its device when it is destroyed, so its callback
// never runs on after it (static objects included).
AudioOutput& SdlAudioOutput();
std::unique_ptr<AudioOutput> NewSdlAudioOutput();
AudioOutput& VirtualAudioOutput(double (*clock)());
// In the browser build: Web Audio on the page's audio context.
AudioOutput& WebAudioOutput();
// The stream the virtual output is hearing, or null.
const PcmStream* VirtualOutputStream();
