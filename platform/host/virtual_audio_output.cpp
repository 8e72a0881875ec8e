// The off-screen output: nothing is played; what has been heard follows a clock the host steps.
#include "platform/host/audio_output.h"
#include "platform/host/pcm_stream.h"

#include <cmath>

namespace {

class VirtualOutput final : public AudioOutput {
public:
    explicit VirtualOutput(double (*clock)()) : clock(clock) {}

    bool Open(uint32_t) override {
        open = true;
        running = false;
        playing = nullptr;
        return true;
    }
    void Close() override { open = false, playing = nullptr; }

    void Start() override {
        if (running) return;
        if (playing) Restart(Frame());
        running = true;
    }
    void Stop() override {
        if (!running) return;
        if (playing) startFrame = Frame();
        running = false;
    }

    void Play(const PcmStream* stream, uint64_t from, bool loopAround) override {
        playing = stream;
        loop = loopAround;
        Restart(from);
    }
    void Halt(const PcmStream* stream) override {
        if (playing == stream) playing = nullptr;
    }
    bool IsPlaying(const PcmStream* stream) override { return stream && playing == stream; }
    uint64_t HeardFrame(const PcmStream* stream) override {
        return IsPlaying(stream) ? Frame() : 0;
    }
    const PcmStream* Playing() const { return playing; }

private:
    void Restart(uint64_t from) {
        startFrame = from;
        startTime = clock();
    }

    uint64_t Frame() const {
        if (!running) return startFrame;
        const double elapsed = clock() - startTime;
        // The small bias keeps a time given as frames / rate from landing one sample short.
        const double frames = elapsed > 0 ? std::floor(elapsed * playing->Rate() + 1e-6) : 0.0;
        const uint64_t frame = startFrame + uint64_t(frames);
        // The clock may run ahead of the decoder: wait for it, so that a run gives the same
        // positions however fast the machine decodes.
        const uint64_t decoded = playing->WaitFor(frame);
        if (frame < decoded) return frame;
        // Decoding has ended short of the frame: the stream is over, or starts again.
        if (decoded == 0) return 0;
        return loop ? frame % decoded : decoded;
    }

    double (*clock)();
    bool open = false;
    bool running = false;
    bool loop = false;
    const PcmStream* playing = nullptr;
    uint64_t startFrame = 0;
    double startTime = 0;
};

} // namespace

namespace {

VirtualOutput* made = nullptr;

} // namespace

AudioOutput& VirtualAudioOutput(double (*clock)()) {
    static VirtualOutput output(clock);
    made = &output;
    return output;
}

const PcmStream* VirtualOutputStream() {
    return made ? made->Playing() : nullptr;
}
