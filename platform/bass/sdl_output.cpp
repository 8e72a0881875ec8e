// The on-screen output: the SDL2 audio device, 16-bit stereo at the rate BASS_Init asked for
// (SDL converts to whatever the hardware wants).
#include "platform/bass/audio_output.h"
#include "platform/bass/bass.h"

#include <SDL.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <cstdio>
#include <cstring>

namespace {

constexpr int kDeviceChannels = 2;
constexpr int kDeviceBlockAlign = kDeviceChannels * 2;

// Converts a stream to the device's format; false when it cannot.
bool ConvertForDevice(const PcmStream& stream, int deviceRate, std::vector<uint8_t>& out) {
    AVChannelLayout inputLayout, outputLayout;
    av_channel_layout_default(&inputLayout, stream.channels);
    av_channel_layout_default(&outputLayout, kDeviceChannels);
    SwrContext* resampler = nullptr;
    const AVSampleFormat inputFormat =
        stream.bytesPerSample == 1 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    bool ok = swr_alloc_set_opts2(&resampler, &outputLayout, AV_SAMPLE_FMT_S16, deviceRate,
                                  &inputLayout, inputFormat, int(stream.rate), 0, nullptr) >= 0 &&
              swr_init(resampler) >= 0;
    if (ok) {
        const int inputFrames = int(stream.FrameCount());
        const int capacity = swr_get_out_samples(resampler, inputFrames) + 64;
        out.assign(size_t(capacity) * kDeviceBlockAlign, 0);
        uint8_t* output = out.data();
        const uint8_t* input = stream.samples.data();
        int made = swr_convert(resampler, &output, capacity, &input, inputFrames);
        int flushed = 0;
        if (made >= 0) {
            uint8_t* rest = out.data() + size_t(made) * kDeviceBlockAlign;
            flushed = swr_convert(resampler, &rest, capacity - made, nullptr, 0);
        }
        ok = made >= 0 && flushed >= 0;
        out.resize(ok ? size_t(made + flushed) * kDeviceBlockAlign : 0);
    }
    swr_free(&resampler);
    return ok;
}

class SdlOutput final : public AudioOutput {
public:
    int Open(uint32_t frequency) override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "audio: %s\n", SDL_GetError());
            return BASS_ERROR_DRIVER;
        }
        SDL_AudioSpec wanted{};
        wanted.freq = int(frequency);
        wanted.format = AUDIO_S16SYS;
        wanted.channels = kDeviceChannels;
        wanted.samples = 1024;
        wanted.callback = &SdlOutput::Fill;
        wanted.userdata = this;
        device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device == 0) {
            std::fprintf(stderr, "audio: %s\n", SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return BASS_ERROR_DRIVER;
        }
        return BASS_OK;
    }

    void Close() override {
        if (device == 0) return;
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device = 0;
        playing = nullptr;
        converted.clear();
    }

    void Start() override { SDL_PauseAudioDevice(device, 0); }
    void Stop() override { SDL_PauseAudioDevice(device, 1); }

    void Play(const PcmStream* stream, uint64_t from, bool loopAround) override {
        // Convert outside the lock: the callback keeps playing the old data meanwhile.
        std::vector<uint8_t> data;
        const bool direct = stream->rate == uint32_t(obtained.freq) &&
                            stream->channels == kDeviceChannels && stream->bytesPerSample == 2;
        if (!direct && !ConvertForDevice(*stream, obtained.freq, data)) return;
        SDL_LockAudioDevice(device);
        playing = stream;
        converted.swap(data);
        source = direct ? stream->samples.data() : converted.data();
        sourceFrames = (direct ? stream->samples.size() : converted.size()) / kDeviceBlockAlign;
        loop = loopAround;
        startFrame = ToDevice(from);
        handed = startFrame;
        handedBeforeCallback = startFrame;
        reported = startFrame;
        callbackTime = SDL_GetPerformanceCounter();
        SDL_UnlockAudioDevice(device);
    }

    void Halt(const PcmStream* stream) override {
        if (device == 0) return;
        SDL_LockAudioDevice(device);
        if (playing == stream) playing = nullptr;
        SDL_UnlockAudioDevice(device);
    }

    bool IsPlaying(const PcmStream* stream) override {
        if (device == 0 || !stream) return false;
        SDL_LockAudioDevice(device);
        const bool result = playing == stream;
        SDL_UnlockAudioDevice(device);
        return result;
    }

    // What was handed before the latest callback is what the device holds now; it has been
    // playing since that callback at the device's rate.
    uint64_t HeardFrame(const PcmStream* stream) override {
        if (device == 0) return 0;
        SDL_LockAudioDevice(device);
        uint64_t frame = 0;
        if (playing == stream) {
            const double seconds = double(SDL_GetPerformanceCounter() - callbackTime) /
                                   double(SDL_GetPerformanceFrequency());
            const uint64_t buffered = obtained.samples;
            const uint64_t low = handedBeforeCallback > startFrame + buffered
                                     ? handedBeforeCallback - buffered
                                     : startFrame;
            uint64_t estimate = low + uint64_t(seconds * obtained.freq);
            if (estimate > handedBeforeCallback) estimate = handedBeforeCallback;
            if (estimate < reported) estimate = reported;
            if (!loop && estimate > sourceFrames) estimate = sourceFrames;
            reported = estimate;
            frame = FromDevice(loop && sourceFrames ? estimate % sourceFrames : estimate);
        }
        SDL_UnlockAudioDevice(device);
        return frame;
    }

private:
    uint64_t ToDevice(uint64_t streamFrame) const {
        return streamFrame * uint64_t(obtained.freq) / playing->rate;
    }
    uint64_t FromDevice(uint64_t deviceFrame) const {
        return deviceFrame * playing->rate / uint64_t(obtained.freq);
    }

    static void Fill(void* self, Uint8* out, int length) {
        static_cast<SdlOutput*>(self)->FillLocked(out, length);
    }

    // Runs on SDL's audio thread, which holds the device lock.
    void FillLocked(Uint8* out, int length) {
        std::memset(out, 0, size_t(length));
        handedBeforeCallback = handed;
        callbackTime = SDL_GetPerformanceCounter();
        if (!playing || sourceFrames == 0) return;
        uint64_t wanted = uint64_t(length) / kDeviceBlockAlign;
        while (wanted > 0) {
            uint64_t at = loop ? handed % sourceFrames : handed;
            if (at >= sourceFrames) break;
            const uint64_t count = wanted < sourceFrames - at ? wanted : sourceFrames - at;
            std::memcpy(out, source + at * kDeviceBlockAlign, count * kDeviceBlockAlign);
            out += count * kDeviceBlockAlign;
            handed += count;
            wanted -= count;
        }
    }

    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec obtained{};
    const PcmStream* playing = nullptr;
    std::vector<uint8_t> converted;
    const uint8_t* source = nullptr;
    uint64_t sourceFrames = 0;
    bool loop = false;
    uint64_t startFrame = 0;
    uint64_t handed = 0;
    uint64_t handedBeforeCallback = 0;
    uint64_t reported = 0;
    uint64_t callbackTime = 0;
};

} // namespace

AudioOutput& SdlAudioOutput() {
    static SdlOutput output;
    return output;
}
