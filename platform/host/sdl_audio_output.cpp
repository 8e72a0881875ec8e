// The on-screen output: the SDL2 audio device, 16-bit stereo at the rate the player asked for
// (SDL converts to whatever the hardware wants). A stream in another format is converted on
// the way by an SDL audio stream. The stream is read as it decodes: should the callback catch
// up with the decoder, it plays silence and the position waits. Should the device go away while
// playing (a sound server killed, a headset pulled), SDL goes on calling back at the device's
// pace with nowhere to send the sound: the music's clock runs on in silence, and one line says
// so.
#include "platform/host/audio_output.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kDeviceChannels = 2;
constexpr int kDeviceBlockAlign = kDeviceChannels * 2;
// Frames read from the stream at a time when converting.
constexpr uint64_t kConvertFrames = 1024;

// ALSA's own error printing, which SDL leaves on: a machine without a sound card gets eight
// lines of its configuration's innards before SDL's one. ALSA is loaded here (SDL loads the
// same library, so the same handler is in force) and its printing turned off; what SDL says
// of the failure remains. Where ALSA is not installed there is nothing to quiet.
extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    static const bool quieted = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!alsa) return false;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        // Kept loaded for good: the handler must stay in force.
        auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
        return set && set(&IgnoreAlsaError) == 0;
    }();
    (void)quieted;
}

class SdlOutput final : public AudioOutput {
public:
    SdlOutput() = default;
    // The callback reads the streams and this object: it must stop before either goes.
    ~SdlOutput() override { Close(); }
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    bool Open(uint32_t frequency) override {
        if (device != 0) return true;
        QuietAlsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "audio: %s\n", SDL_GetError());
            return false;
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
            return false;
        }
        scratch.resize(size_t(kConvertFrames) * kDeviceBlockAlign * 2);
        lostNoted = false;
        return true;
    }

    void Close() override {
        if (device == 0) return;
        // Returns once the callback has finished for good.
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device = 0;
        playing = nullptr;
        SDL_FreeAudioStream(converter);
        converter = nullptr;
    }

    void Start() override { SDL_PauseAudioDevice(device, 0); }
    void Stop() override { SDL_PauseAudioDevice(device, 1); }

    void Play(const PcmStream* stream, uint64_t from, bool loopAround) override {
        if (device == 0) return;
        const AudioFormat& format = stream->Format();
        const bool direct = format.rate == uint32_t(obtained.freq) &&
                            format.channels == kDeviceChannels && format.bytesPerSample == 2;
        // Made outside the lock: the callback keeps playing the old stream meanwhile.
        SDL_AudioStream* made = nullptr;
        if (!direct) {
            made = SDL_NewAudioStream(format.bytesPerSample == 1 ? AUDIO_U8 : AUDIO_S16SYS,
                                      Uint8(format.channels), int(format.rate), AUDIO_S16SYS,
                                      kDeviceChannels, obtained.freq);
            if (!made) return;
        }
        SDL_LockAudioDevice(device);
        std::swap(converter, made);
        playing = stream;
        loop = loopAround;
        readFrame = from;
        flushed = false;
        startFrame = ToDevice(from);
        handed = startFrame;
        handedBeforeCallback = startFrame;
        reported = startFrame;
        callbackTime = SDL_GetPerformanceCounter();
        SDL_UnlockAudioDevice(device);
        SDL_FreeAudioStream(made);
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
        NoteIfLost();
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
            reported = estimate;
            frame = FromDevice(estimate);
            if (stream->Complete()) {
                const uint64_t total = stream->Decoded();
                frame = loop && total ? frame % total : std::min(frame, total);
            }
        }
        SDL_UnlockAudioDevice(device);
        return frame;
    }

private:
    // Asked once a frame, with the position: a device SDL has given up on reads as stopped.
    void NoteIfLost() {
        if (lostNoted || SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_STOPPED) return;
        lostNoted = true;
        std::fprintf(stderr, "audio: the sound device stopped working; the show goes on without "
                             "sound\n");
    }

    uint64_t ToDevice(uint64_t streamFrame) const {
        return streamFrame * uint64_t(obtained.freq) / playing->Rate();
    }
    uint64_t FromDevice(uint64_t deviceFrame) const {
        return deviceFrame * playing->Rate() / uint64_t(obtained.freq);
    }

    static void Fill(void* self, Uint8* out, int length) {
        static_cast<SdlOutput*>(self)->FillLocked(out, length);
    }

    // Up to `frames` frames of the stream from where reading stands, starting over at the end
    // when looping; how many it read.
    uint64_t ReadStream(uint8_t* out, uint64_t frames) {
        uint64_t done = playing->Read(readFrame, out, frames);
        readFrame += done;
        if (done < frames && loop && playing->Complete() && playing->Decoded() > 0 &&
            readFrame >= playing->Decoded()) {
            readFrame = 0;
            const uint64_t more =
                playing->Read(0, out + done * uint64_t(playing->BlockAlign()), frames - done);
            readFrame += more;
            done += more;
        }
        return done;
    }

    // Runs on SDL's audio thread, which holds the device lock.
    void FillLocked(Uint8* out, int length) {
        std::memset(out, 0, size_t(length));
        handedBeforeCallback = handed;
        callbackTime = SDL_GetPerformanceCounter();
        if (!playing) return;
        const uint64_t wanted = uint64_t(length) / kDeviceBlockAlign;
        uint64_t given = 0;
        if (!converter) {
            given = ReadStream(out, wanted);
        } else {
            const int bytes = length - length % kDeviceBlockAlign;
            while (SDL_AudioStreamAvailable(converter) < bytes) {
                const uint64_t read = ReadStream(scratch.data(), kConvertFrames);
                if (read > 0) {
                    SDL_AudioStreamPut(converter, scratch.data(),
                                       int(read * uint64_t(playing->BlockAlign())));
                } else {
                    // The end: what the converter still holds comes out.
                    if (playing->Complete() && !flushed) {
                        SDL_AudioStreamFlush(converter);
                        flushed = true;
                    }
                    break;
                }
            }
            const int got = SDL_AudioStreamGet(converter, out, bytes);
            given = got > 0 ? uint64_t(got) / kDeviceBlockAlign : 0;
        }
        handed += given;
    }

    SDL_AudioDeviceID device = 0;
    SDL_AudioSpec obtained{};
    const PcmStream* playing = nullptr;
    SDL_AudioStream* converter = nullptr;
    std::vector<uint8_t> scratch;
    bool loop = false;
    bool flushed = false;
    bool lostNoted = false;
    uint64_t readFrame = 0;
    // Device frames: where playing started, handed to the device, and before the last callback.
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

std::unique_ptr<AudioOutput> NewSdlAudioOutput() {
    return std::make_unique<SdlOutput>();
}
