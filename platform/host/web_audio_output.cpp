// The page's output: Web Audio, on the audio context the page made on the click that started the
// show (browsers allow sound only after a gesture; Module.audioContext). The page has no threads,
// so a stream is decoded whole before it is heard: it goes to the context as one AudioBuffer,
// played from a frame on, and what has been heard follows the context's clock. The music the
// page prepared before the click keeps its buffer, filled then, for every run. The page may ask
// for the music faster than written (Module.musicSpeed, for its own tests): the music clock then
// runs as fast.
//
// A context that is not running is no clock: one that never starts (no sound output, or a
// browser that keeps it suspended), one that says it runs while its time stands still, or one
// that stops while playing would hold the picture. After a
// grace for starting up, the music clock goes on silently on the page's own clock from where it
// had come, and the page is told once (Module.onSilentClock). Sound that comes back is started
// again where that clock stands, so the picture never steps back.
#include "platform/host/audio_output.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

EM_JS(int, WebAudioOpen, (), {
    if (!Module.audioContext) {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return 0;
        Module.audioContext = new Context();
    }
    Module.audio = {source : null, started : 0, speed : Module.musicSpeed || 1, held : false};
    // Starts the buffer at `offset` seconds of it, heard from now on (Module.audio.started).
    Module.audioStartSource = function(offset, loop) {
        const audio = Module.audio;
        if (audio.source) audio.source.stop();
        const source = Module.audioContext.createBufferSource();
        source.buffer = Module.audioBuffer.buffer;
        source.loop = !!loop;
        source.playbackRate.value = audio.speed;
        source.connect(Module.audioContext.destination);
        source.start(0, offset);
        audio.source = source;
        audio.started = Module.audioContext.currentTime;
    };
    return 1;
});

EM_JS(void, WebAudioClose, (), {
    if (Module.audio && Module.audio.source) Module.audio.source.stop();
    Module.audio = null;
});

// The show's own pause and resume of its output; a context the show holds is no lost sound.
EM_JS(void, WebAudioRun, (int running), {
    if (!Module.audioContext) return;
    if (Module.audio) Module.audio.held = !running;
    const asked = running ? Module.audioContext.resume() : Module.audioContext.suspend();
    if (asked && asked.catch) asked.catch(function(){});
});

// A buffer of `frames` frames of `channels` channels at `rate` to fill, known as `key`; the
// previous one goes. It needs no context, so music can be made ready before the click.
EM_JS(void, WebAudioNewBuffer, (int key, int channels, int frames, int rate), {
    const options = {numberOfChannels : channels, length : frames, sampleRate : rate};
    const buffer = window.AudioBuffer ? new AudioBuffer(options)
                                      : Module.audioContext.createBuffer(channels, frames, rate);
    Module.audioBuffer = {key : key, buffer : buffer};
});

EM_JS(int, WebAudioHasBuffer, (int key),
      { return Module.audioBuffer && Module.audioBuffer.key == key ? 1 : 0; });

// Interleaved samples (16-bit signed or 8-bit unsigned) into the buffer from frame `at`.
EM_JS(void, WebAudioFill,
      (const void* samples, int bytesPerSample, int channels, int frames, int at), {
          const buffer = Module.audioBuffer.buffer;
          for (let c = 0; c < channels; ++c) {
              const out = buffer.getChannelData(c);
              if (bytesPerSample == 2) {
                  const data = HEAP16.subarray(samples >> 1, (samples >> 1) + frames * channels);
                  for (let i = 0; i < frames; ++i)
                      out[at + i] = data[i * channels + c] / 32768;
              } else {
                  const data = HEAPU8.subarray(samples, samples + frames * channels);
                  for (let i = 0; i < frames; ++i)
                      out[at + i] = (data[i * channels + c] - 128) / 128;
              }
          }
      });

EM_JS(void, WebAudioPlay, (double fromSeconds, int loop), {
    const audio = Module.audio;
    Module.audioStartSource(fromSeconds, loop);
    audio.from = fromSeconds;
    audio.loop = !!loop;
    audio.heard = 0;
    audio.playedAt = performance.now();
    audio.contextTime = Module.audioContext.currentTime;
    audio.contextMovedAt = audio.playedAt;
    audio.wasRunning = false;
    audio.silent = null;
});

EM_JS(void, WebAudioHalt, (), {
    const audio = Module.audio;
    if (audio && audio.source) audio.source.stop();
    if (audio) audio.source = null;
});

// Seconds of music heard since WebAudioPlay, at the speed it plays: what the context has played
// less what is still on its way to the speakers (the output's latency, where the browser tells
// it), so that the picture is not ahead of the sound; on the silent clock, the seconds reached
// before it plus the page's seconds since.
EM_JS(double, WebAudioHeardSeconds, (double graceSeconds), {
    const audio = Module.audio;
    if (!audio || !audio.source) return 0;
    const context = Module.audioContext;
    const now = performance.now();
    // Running is a context whose clock moves: one may say "running" and stand still (a sound
    // output that never opened, or a stalled one).
    if (context.currentTime != audio.contextTime) {
        audio.contextTime = context.currentTime;
        audio.contextMovedAt = now;
    }
    const running = context.state == "running" && now - audio.contextMovedAt < graceSeconds * 1000;
    if (running) audio.wasRunning = true;
    if (!audio.silent && !running && !audio.held &&
        (audio.wasRunning || now - audio.playedAt >= graceSeconds * 1000)) {
        audio.silent = {base : audio.heard, at : now};
        if (Module.onSilentClock) Module.onSilentClock();
    }
    if (audio.silent) {
        const heard = audio.silent.base + (now - audio.silent.at) / 1000 * audio.speed;
        if (running) {
            // The sound is back: heard again from where the silent clock has come.
            const duration = audio.source.buffer.duration;
            let offset = audio.from + heard;
            if (audio.loop && duration > 0) offset %= duration;
            Module.audioStartSource(offset, audio.loop ? 1 : 0);
            audio.started -= heard / audio.speed;
            audio.silent = null;
        }
        audio.heard = heard;
        return heard;
    }
    let latency = context.outputLatency;
    if (!(latency > 0)) latency = context.baseLatency;
    if (!(latency > 0 && latency < 1)) latency = 0;
    audio.heard = Math.max(0, context.currentTime - audio.started - latency) * audio.speed;
    return audio.heard;
});

class WebOutput final : public AudioOutput {
public:
    bool Open(uint32_t) override {
        open = WebAudioOpen() != 0;
        playing = nullptr;
        loaded = nullptr;
        return open;
    }
    void Close() override {
        if (open) WebAudioClose();
        open = false;
        playing = loaded = nullptr;
    }
    void Start() override {
        if (open) WebAudioRun(1);
    }
    void Stop() override {
        if (open) WebAudioRun(0);
    }

    void Play(const PcmStream* stream, uint64_t from, bool loopAround) override {
        if (!open) return;
        if (stream == prepared) {
            // Whatever the page had not yet taken in, taken in now.
            Prepare(*stream, stream->FrameCount());
        } else if (loaded != stream || !WebAudioHasBuffer(loadedKey)) {
            Load(*stream, ++loadedKey);
            loaded = stream;
        }
        playing = stream;
        loop = loopAround;
        startFrame = from;
        reported = from;
        WebAudioPlay(double(from) / stream->Rate(), loop ? 1 : 0);
    }
    void Halt(const PcmStream* stream) override {
        if (!open || playing != stream) return;
        WebAudioHalt();
        // The stream may go now, and another come where it was.
        playing = loaded = nullptr;
    }

    bool Prepare(const PcmStream& stream, uint64_t frames) override {
        if (prepared != &stream || !WebAudioHasBuffer(kPreparedKey)) {
            prepared = &stream;
            preparedFrames = 0;
            NewBuffer(stream, kPreparedKey);
        }
        preparedFrames = Fill(stream, preparedFrames, frames);
        return preparedFrames >= stream.FrameCount();
    }
    bool IsPlaying(const PcmStream* stream) override { return stream && playing == stream; }

    // Never less than an earlier answer; at most the whole stream, or round again when looping.
    uint64_t HeardFrame(const PcmStream* stream) override {
        if (!IsPlaying(stream)) return 0;
        const uint64_t total = stream->Decoded();
        const double heard = WebAudioHeardSeconds(kSilentAfterSeconds);
        uint64_t frame = startFrame + uint64_t(std::floor(heard * stream->Rate()));
        if (total) frame = loop ? frame % total : std::min(frame, total);
        if (!loop) frame = std::max(frame, reported);
        reported = frame;
        return frame;
    }

private:
    static void NewBuffer(const PcmStream& stream, int key) {
        const AudioFormat& format = stream.Format();
        WebAudioNewBuffer(key, format.channels, int(std::max<uint64_t>(stream.FrameCount(), 1)),
                          int(format.rate));
    }

    // Up to `count` frames of the stream from frame `at` into the page's buffer, a chunk at a
    // time; where it has come to. A stream that ends early leaves it at its end.
    static uint64_t Fill(const PcmStream& stream, uint64_t at, uint64_t count) {
        const uint64_t frames = stream.FrameCount();
        const uint64_t until = std::min(frames, at + count);
        const AudioFormat& format = stream.Format();
        std::vector<uint8_t> chunk(size_t(PcmStream::kChunkFrames) * size_t(format.BlockAlign()));
        while (at < until) {
            const uint64_t read = stream.Read(
                at, chunk.data(), std::min<uint64_t>(PcmStream::kChunkFrames, until - at));
            if (read == 0) return frames;
            WebAudioFill(chunk.data(), format.bytesPerSample, format.channels, int(read), int(at));
            at += read;
        }
        return at;
    }

    // The whole stream into the page's buffer.
    static void Load(const PcmStream& stream, int key) {
        NewBuffer(stream, key);
        Fill(stream, 0, stream.FrameCount());
    }

    // How long a context that has not started is given before the music clock goes on without
    // it: long enough for a browser to start its sound output.
    static constexpr double kSilentAfterSeconds = 2.0;

    // The prepared music's buffer is known by this key; the others by later ones.
    static constexpr int kPreparedKey = 1;

    bool open = false;
    bool loop = false;
    const PcmStream* playing = nullptr;
    const PcmStream* loaded = nullptr;
    int loadedKey = kPreparedKey;
    const PcmStream* prepared = nullptr;
    uint64_t preparedFrames = 0;
    uint64_t startFrame = 0;
    uint64_t reported = 0;
};

} // namespace

AudioOutput& WebAudioOutput() {
    static WebOutput output;
    return output;
}
