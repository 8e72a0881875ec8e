#include "tools/datagen/music.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kBeatsPerMinute = 120.0f;
constexpr float kBeat = 60.0f / kBeatsPerMinute;
constexpr float kBar = 4.0f * kBeat;

// A minor: Am, F, C, G, two bars each; MIDI note numbers of each chord's tones.
constexpr int kChords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};

float NoteFrequency(int note) {
    return 440.0f * std::pow(2.0f, float(note - 69) / 12.0f);
}

// A fixed linear congruential generator: the same noise on every run and machine.
struct Noise {
    uint32_t state = 0x2545F491u;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 23) - 1.0f;
    }
};

const int* ChordAt(float seconds) {
    return kChords[int(seconds / (2.0f * kBar)) % 4];
}

// A soft sawtooth: the first harmonics only, so nothing buzzes.
float Saw(float phase) {
    float value = 0.0f;
    for (int harmonic = 1; harmonic <= 6; ++harmonic)
        value += std::sin(2.0f * kPi * phase * float(harmonic)) / float(harmonic);
    return value * 0.5f;
}

// A sine whose pitch falls from 160 Hz to 50 Hz; the phase is the integral of that pitch.
float Kick(float sinceBeat) {
    if (sinceBeat > 0.35f) return 0.0f;
    const float phase =
        2.0f * kPi * (50.0f * sinceBeat + 110.0f / 30.0f * (1.0f - std::exp(-sinceBeat * 30.0f)));
    return std::sin(phase) * std::exp(-sinceBeat * 9.0f);
}

// How loud each part is at `seconds`: sections change as the show's scenes do.
struct Mix {
    float pad, bass, drums, hats, lead;
};

Mix MixAt(float t) {
    if (t < 11.5f) return {0.9f, 0.0f, 0.0f, 0.0f, 0.3f};
    if (t < 34.4f) return {0.7f, 0.8f, 0.9f, 0.5f, 0.0f};
    if (t < 45.7f) return {0.6f, 0.9f, 1.0f, 0.8f, 0.5f};
    if (t < 71.2f) return {0.8f, 0.7f, 0.7f, 0.6f, 0.0f};
    if (t < 116.2f) return {0.6f, 0.9f, 1.0f, 0.9f, 0.6f};
    if (t < 141.6f) return {0.9f, 0.5f, 0.0f, 0.4f, 0.3f};
    return {0.8f, 0.8f, 0.9f, 0.7f, 0.5f};
}

} // namespace

std::vector<int16_t> SynthesiseMusic(int sampleRate, float seconds) {
    const size_t frames = size_t(float(sampleRate) * seconds);
    std::vector<int16_t> samples(frames * 2);
    Noise noise;
    float hatFilter = 0.0f;
    float padLow = 0.0f;
    const float dt = 1.0f / float(sampleRate);

    for (size_t i = 0; i < frames; ++i) {
        const float t = float(i) * dt;
        const Mix mix = MixAt(t);
        const int* chord = ChordAt(t);
        const float beatPosition = std::fmod(t, kBeat);
        const float eighthPosition = std::fmod(t, kBeat / 2.0f);
        const float sixteenth = kBeat / 4.0f;

        // Pad: the chord on soft detuned saws, smoothed by a one-pole low-pass.
        float pad = 0.0f;
        for (int n = 0; n < 3; ++n) {
            const float f = NoteFrequency(chord[n]);
            pad += Saw(f * t) + Saw(f * 1.003f * t);
        }
        padLow += (pad - padLow) * 0.08f;

        // Bass: the root an octave down, on every eighth, plucked.
        const float root = NoteFrequency(chord[0] - 12);
        const float bassEnvelope = std::exp(-eighthPosition * 6.0f);
        const float bass = (std::sin(2.0f * kPi * root * t) + 0.3f * Saw(root * t)) * bassEnvelope;

        const float kick = Kick(beatPosition);

        // Hats on the off-beat eighths: noise through a crude high-pass.
        const float white = noise.Next();
        hatFilter += (white - hatFilter) * 0.5f;
        const float offBeat = std::fmod(t + kBeat / 2.0f, kBeat);
        const float hats = (white - hatFilter) * std::exp(-offBeat * 40.0f);

        // Lead: an arpeggio of the chord's tones an octave up, one per sixteenth.
        const int step = int(t / sixteenth) % 4;
        const int note = chord[step % 3] + 12 + (step == 3 ? 12 : 0);
        const float sinceNote = std::fmod(t, sixteenth);
        const float lead =
            std::sin(2.0f * kPi * NoteFrequency(note) * t) * std::exp(-sinceNote * 10.0f);

        const float fadeIn = t < 2.0f ? t / 2.0f : 1.0f;
        const float fadeOut = t < 185.0f ? 1.0f : t < 191.0f ? (191.0f - t) / 6.0f : 0.0f;
        const float master = fadeIn * fadeOut;

        const float centre =
            0.06f * padLow * mix.pad + 0.35f * bass * mix.bass + 0.6f * kick * mix.drums;
        const float left =
            std::tanh((centre + 0.12f * hats * mix.hats + 0.12f * lead * mix.lead) * master);
        const float right =
            std::tanh((centre + 0.08f * hats * mix.hats + 0.16f * lead * mix.lead) * master);
        samples[2 * i] = int16_t(std::lround(left * 30000.0f));
        samples[2 * i + 1] = int16_t(std::lround(right * 30000.0f));
    }
    return samples;
}
