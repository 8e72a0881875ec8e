#include "tools/datagen/music.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 60.0 / 128.0;
constexpr double kStep = kBeat / 4.0; // a sixteenth
constexpr double kBar = kBeat * 4.0;
constexpr int kRest = 0;

// Chords of A minor: the bass root and three pad notes (MIDI numbers).
struct Chord {
    int root;
    int notes[3];
};
constexpr Chord kAm{45, {57, 60, 64}}, kF{41, {57, 60, 65}}, kC{48, {55, 60, 64}},
    kG{43, {55, 59, 62}}, kDm{38, {57, 62, 65}}, kEm{40, {55, 59, 64}};
const Chord kMain[4] = {kAm, kF, kC, kG};
const Chord kDark[4] = {kDm, kF, kAm, kG};
const Chord kCalm[4] = {kF, kC, kEm, kAm};

// The lead's tune over the four bars of the main progression, sixteenth by sixteenth.
const int kTheme[4][16] = {
    {76, kRest, kRest, 72, kRest, kRest, 69, kRest, 71, kRest, 72, kRest, 76, kRest, 74, kRest},
    {72, kRest, kRest, 69, kRest, kRest, 65, kRest, 67, kRest, 69, kRest, 72, kRest, kRest, kRest},
    {79, kRest, kRest, 76, kRest, kRest, 72, kRest, 74, kRest, 76, kRest, 79, kRest, 77, kRest},
    {74, kRest, kRest, 71, kRest, kRest, 67, kRest, 69, kRest, 71, kRest, 74, kRest, 76, kRest},
};
const int kAnswer[4][16] = {
    {69, kRest, 72, kRest, 74, kRest, 72, 69, kRest, kRest, 67, kRest, 69, kRest, kRest, kRest},
    {65, kRest, 69, kRest, 72, kRest, 74, kRest, 72, kRest, kRest, 69, kRest, kRest, kRest, kRest},
    {69, kRest, 72, kRest, 76, kRest, 79, 76, kRest, kRest, 74, kRest, 72, kRest, kRest, kRest},
    {67, kRest, 71, kRest, 74, kRest, 71, kRest, 69, kRest, kRest, kRest, kRest, kRest, kRest,
     kRest},
};

enum class Beat { None, Four, Half, Roll };

// One stretch of the piece, from its start to the next one's. Levels are 0..1.
struct Section {
    double start;
    const Chord* chords;
    Beat beat;
    float bass, pad, arp, lead, hats, snare;
    const int (*tune)[16];
    bool riser; // a rising sweep over the section's last eight seconds
};

// The piece follows the show: each scene and each turn within one starts a section.
const Section kSections[] = {
    {0.0, kMain, Beat::None, 0.0f, 0.8f, 0.6f, 0.0f, 0.0f, 0.0f, nullptr, true},    // titles
    {11.5, kMain, Beat::Four, 0.8f, 0.6f, 0.4f, 0.0f, 0.5f, 0.0f, nullptr, false},  // the ball
    {23.2, kMain, Beat::Four, 1.0f, 0.5f, 0.5f, 0.0f, 0.8f, 1.0f, nullptr, false},  // pumping
    {33.0, kMain, Beat::Roll, 0.6f, 0.5f, 0.5f, 0.0f, 0.4f, 1.0f, nullptr, true},   // spin
    {34.4, kMain, Beat::Four, 1.0f, 0.5f, 0.6f, 0.8f, 0.8f, 1.0f, kTheme, false},   // bars
    {45.7, kDark, Beat::Half, 0.9f, 0.7f, 0.5f, 0.0f, 0.5f, 0.8f, nullptr, false},  // the tube
    {57.0, kDark, Beat::Four, 1.0f, 0.6f, 0.6f, 0.6f, 0.9f, 1.0f, kAnswer, false},  // bouncing
    {71.2, kMain, Beat::None, 0.5f, 0.8f, 0.7f, 0.0f, 0.3f, 0.0f, nullptr, true},   // tunnel
    {80.2, kMain, Beat::Four, 0.8f, 0.7f, 0.7f, 0.0f, 0.6f, 0.6f, nullptr, true},   // build-up
    {86.2, kMain, Beat::Roll, 0.8f, 0.7f, 0.7f, 0.0f, 0.8f, 1.0f, nullptr, true},   // the roll
    {88.2, kMain, Beat::Four, 1.0f, 0.5f, 0.7f, 1.0f, 1.0f, 1.0f, kTheme, false},   // greetings
    {102.0, kMain, Beat::Four, 1.0f, 0.5f, 0.7f, 1.0f, 1.0f, 1.0f, kAnswer, false}, // greetings
    {116.2, kCalm, Beat::None, 0.4f, 0.9f, 0.5f, 0.0f, 0.3f, 0.0f, nullptr, false}, // photos
    {127.6, kCalm, Beat::Half, 0.8f, 0.7f, 0.6f, 0.0f, 0.6f, 0.7f, nullptr, true},  // twisting
    {141.6, kMain, Beat::Four, 1.0f, 0.5f, 0.7f, 1.0f, 1.0f, 1.0f, kTheme, false},  // clips
    {152.9, kMain, Beat::Four, 1.0f, 0.5f, 0.7f, 0.9f, 1.0f, 1.0f, kAnswer, false}, // clips
    {164.2, kCalm, Beat::Half, 0.6f, 0.8f, 0.6f, 0.0f, 0.4f, 0.5f, nullptr, false}, // closing
    {176.0, kCalm, Beat::None, 0.3f, 0.8f, 0.5f, 0.0f, 0.0f, 0.0f, nullptr, false}, // fading
    {191.0, kCalm, Beat::None, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, nullptr, false}, // silence
};
constexpr int kSectionCount = int(sizeof kSections / sizeof kSections[0]);

double Frequency(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// A fixed generator: the same noise on every run and machine.
struct Noise {
    uint32_t state = 0x2545F491u;
    float Next() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 23) - 1.0f;
    }
};

// Band-limited sawtooth (PolyBLEP).
struct Saw {
    double phase = 0;
    float Next(double frequency, double rate) {
        const double dt = frequency / rate;
        phase += dt;
        if (phase >= 1) phase -= 1;
        double value = 2 * phase - 1;
        if (phase < dt) {
            const double t = phase / dt;
            value -= t + t - t * t - 1;
        } else if (phase > 1 - dt) {
            const double t = (phase - 1) / dt;
            value -= t * t + t + t + 1;
        }
        return float(value);
    }
};

struct Sine {
    double phase = 0;
    float Next(double frequency, double rate) {
        phase += frequency / rate;
        phase -= std::floor(phase);
        return float(std::sin(2 * kPi * phase));
    }
};

struct LowPass {
    float state = 0;
    float Next(float input, float cutoff, float rate) {
        const float k = 1 - std::exp(-2 * float(kPi) * cutoff / rate);
        state += (input - state) * k;
        return state;
    }
};

// A feedback delay line for echoes and the reverb's combs.
struct Delay {
    std::vector<float> line;
    size_t at = 0;
    explicit Delay(size_t length) : line(length, 0.0f) {}
    float Next(float input, float feedback) {
        const float out = line[at];
        line[at] = input + out * feedback;
        at = (at + 1) % line.size();
        return out;
    }
};

// Where in its section time t falls.
struct Position {
    const Section* section;
    double local;    // seconds since the section began
    double untilEnd; // seconds to the next section
    int bar;         // within the section
    int step;        // sixteenth within the bar
    double sinceStep;
};

Position Locate(double t) {
    int index = 0;
    while (index + 1 < kSectionCount && t >= kSections[index + 1].start)
        ++index;
    const Section& s = kSections[index];
    const double next = index + 1 < kSectionCount ? kSections[index + 1].start : 1e9;
    Position p{&s, t - s.start, next - t, 0, 0, 0};
    p.bar = int(p.local / kBar);
    const double inBar = p.local - p.bar * kBar;
    p.step = int(inBar / kStep);
    p.sinceStep = inBar - p.step * kStep;
    return p;
}

float Envelope(double since, float attack, float decay) {
    if (since < 0) return 0;
    if (since < attack) return float(since / attack);
    return std::exp(-float(since - attack) * decay);
}

} // namespace

std::vector<int16_t> SynthesiseMusic(int sampleRate, float seconds) {
    const double rate = sampleRate;
    const size_t frames = size_t(rate * seconds);
    std::vector<int16_t> samples(frames * 2);
    Noise noise;
    Saw padSaws[6], bassSaw, leadSaw, leadSaw2;
    Sine kickSine, snareSine, arpSine, bassSub, riserSine;
    LowPass padFilter[2], bassFilter[2], hatFilter, snareFilter, crashFilter, riserFilter,
        leadFilter;
    Delay echoLeft(size_t(rate * kStep * 3)), echoRight(size_t(rate * kStep * 3 + 331));
    Delay combs[4] = {Delay(1557), Delay(1617), Delay(1491), Delay(1422)};
    Delay allpass(556);

    double kickSince = 1e9, snareSince = 1e9, hatSince = 1e9, openHatSince = 1e9, crashSince = 1e9;
    double leadSince = 1e9, arpSince = 1e9, bassSince = 1e9;
    int leadNote = 69, arpNote = 69, bassNote = 45, lastStep = -1;
    const Section* lastSection = nullptr;

    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const Position p = Locate(t);
        const Section& s = *p.section;
        const Chord& chord = s.chords[p.bar % 4];
        const double dt = 1.0 / rate;
        kickSince += dt, snareSince += dt, hatSince += dt, openHatSince += dt, crashSince += dt;
        leadSince += dt, arpSince += dt, bassSince += dt;

        // Events on each new sixteenth.
        const int stepKey = p.bar * 16 + p.step;
        if (&s != lastSection) {
            if (lastSection && s.beat != Beat::None) crashSince = 0;
            lastSection = &s;
            lastStep = -1;
        }
        if (stepKey != lastStep) {
            lastStep = stepKey;
            const int step = p.step;
            switch (s.beat) {
            case Beat::Four:
                if (step % 4 == 0) kickSince = 0;
                if (s.snare > 0 && (step == 4 || step == 12)) snareSince = 0;
                break;
            case Beat::Half:
                if (step == 0 || step == 10) kickSince = 0;
                if (s.snare > 0 && step == 8) snareSince = 0;
                break;
            case Beat::Roll:
                // Sixteenths, then the last beat in thirty-seconds (see below).
                snareSince = 0;
                if (step % 4 == 0) kickSince = 0;
                break;
            case Beat::None:
                break;
            }
            if (s.hats > 0 && s.beat != Beat::None) {
                hatSince = 0;
                if (step % 4 == 2) openHatSince = 0;
            }
            if (s.bass > 0 && step % 2 == 0) {
                static const int kPattern[8] = {0, 0, 12, 0, 7, 0, 12, 0};
                bassNote = chord.root + kPattern[step / 2];
                bassSince = 0;
            }
            if (s.arp > 0) {
                static const int kOrder[8] = {0, 1, 2, 1, 0, 2, 1, 2};
                arpNote = chord.notes[kOrder[step % 8]] + 12 * (1 + (step / 8) % 2);
                arpSince = 0;
            }
            if (s.tune && s.tune[p.bar % 4][step] != kRest) {
                leadNote = s.tune[p.bar % 4][step];
                leadSince = 0;
            }
        }
        if (s.beat == Beat::Roll && p.untilEnd < kBeat && std::fmod(p.sinceStep, kStep / 2) < dt)
            snareSince = 0;

        // Ducking under the kick, which gives the beat its pump.
        const float duck =
            s.beat == Beat::None ? 1.0f : 1.0f - 0.45f * Envelope(kickSince, 0.005f, 7);

        // Drums.
        float kick = 0;
        if (kickSince < 0.5) {
            const double pitch = 48 + 120 * std::exp(-kickSince * 28);
            kick = kickSine.Next(pitch, rate) * Envelope(kickSince, 0.001f, 7) * 0.9f;
        }
        float snare = 0;
        const float rollSwell = s.beat == Beat::Roll ? float(std::min(1.0, p.local / 1.4)) : 1.0f;
        if (snareSince < 0.4) {
            const float white = noise.Next();
            const float bright = white - snareFilter.Next(white, 1500, float(rate));
            snare = (snareSine.Next(190, rate) * Envelope(snareSince, 0.001f, 25) * 0.5f +
                     bright * Envelope(snareSince, 0.001f, 16)) *
                    s.snare * 0.55f * rollSwell;
        }
        const float hiss = noise.Next();
        const float highs = hiss - hatFilter.Next(hiss, 7000, float(rate));
        float hats =
            highs *
            (Envelope(hatSince, 0.001f, 70) * 0.25f + Envelope(openHatSince, 0.002f, 9) * 0.18f) *
            s.hats;
        const float crashNoise = noise.Next();
        const float crash = (crashNoise - crashFilter.Next(crashNoise, 4000, float(rate))) *
                            Envelope(crashSince, 0.002f, 1.6f) * 0.35f;

        // Bass: saw and sub through a closing filter.
        float bass = 0;
        if (s.bass > 0) {
            const double f = Frequency(bassNote);
            const float env = Envelope(bassSince, 0.003f, 5);
            const float raw = bassSaw.Next(f, rate) * 0.6f + bassSub.Next(f, rate) * 0.7f;
            const float cutoff = 180 + 1400 * env;
            bass = bassFilter[1].Next(bassFilter[0].Next(raw, cutoff, float(rate)), cutoff,
                                      float(rate));
            bass *= (0.35f + 0.65f * env) * s.bass * 0.55f * duck;
        }

        // Pad: the chord on detuned saws, softly filtered, swelling with each bar.
        float padLeft = 0, padRight = 0;
        if (s.pad > 0) {
            const double inBar = p.local - p.bar * kBar;
            const float swell = 0.7f + 0.3f * float(std::sin(kPi * inBar / kBar));
            for (int v = 0; v < 3; ++v) {
                const double f = Frequency(chord.notes[v]);
                padLeft += padSaws[2 * v].Next(f * 0.997, rate);
                padRight += padSaws[2 * v + 1].Next(f * 1.003, rate);
            }
            const float cutoff = 900 + 700 * swell;
            padLeft =
                padFilter[0].Next(padLeft, cutoff, float(rate)) * s.pad * 0.11f * swell * duck;
            padRight =
                padFilter[1].Next(padRight, cutoff, float(rate)) * s.pad * 0.11f * swell * duck;
        }

        // Arpeggio: plucked sines, each sixteenth a chord tone.
        const float arp = s.arp > 0 ? arpSine.Next(Frequency(arpNote), rate) *
                                          Envelope(arpSince, 0.002f, 14) * s.arp * 0.16f
                                    : 0.0f;

        // Lead: two saws an octave apart, vibrato after the attack.
        float lead = 0;
        if (s.tune && leadSince < 1.0) {
            const double vibrato =
                1 + 0.006 * std::sin(2 * kPi * 5.5 * leadSince) * std::min(1.0, leadSince * 4);
            const double f = Frequency(leadNote) * vibrato;
            const float raw = leadSaw.Next(f, rate) * 0.7f + leadSaw2.Next(f * 2.003, rate) * 0.3f;
            lead = leadFilter.Next(raw, 2500, float(rate)) * Envelope(leadSince, 0.01f, 2.5f) *
                   s.lead * 0.16f;
        }

        // A rising sweep into the next section.
        float riser = 0;
        if (s.riser && p.untilEnd < 8) {
            const float k = float(1 - p.untilEnd / 8);
            const float sweep = noise.Next();
            riser = (riserFilter.Next(sweep, 300 + 6000 * k * k, float(rate)) * 0.6f +
                     riserSine.Next(200 + 1400 * k * k, rate) * 0.05f) *
                    k * k * 0.5f;
        }

        // Echoes for the lead and arpeggio, a small room for the rest.
        const float echoIn = lead * 0.5f + arp * 0.6f;
        const float echoLeftOut = echoLeft.Next(echoIn, 0.35f);
        const float echoRightOut = echoRight.Next(echoIn, 0.35f);
        const float roomIn = snare * 0.4f + (padLeft + padRight) * 0.3f + arp * 0.3f;
        float room = 0;
        for (Delay& comb : combs)
            room += comb.Next(roomIn, 0.78f);
        room = allpass.Next(room * 0.25f, 0.5f) - room * 0.25f * 0.5f;

        const float centre = kick + snare + bass + crash * 0.5f + riser;
        float left = centre + padLeft + lead * 0.9f + arp * 0.7f + hats * 0.8f + crash * 0.5f +
                     echoLeftOut * 0.5f + room * 0.35f;
        float right = centre + padRight + lead * 0.9f + arp * 1.0f + hats * 1.0f + crash * 0.5f +
                      echoRightOut * 0.5f + room * 0.35f;

        // In from nothing over the first two seconds, out to silence by 191 s.
        const float fadeIn = float(std::min(1.0, t / 2.0));
        const float fadeOut = t < 180 ? 1.0f : t < 191 ? float((191 - t) / 11) : 0.0f;
        const float master = fadeIn * fadeOut * fadeOut;
        // A soft limit well short of full scale: loud, never clipped, also once the MP3
        // encoding has added its error to the peaks.
        left = std::tanh(left * master * 1.2f) * 0.8f;
        right = std::tanh(right * master * 1.2f) * 0.8f;
        samples[2 * i] = int16_t(std::lround(left * 32767.0f));
        samples[2 * i + 1] = int16_t(std::lround(right * 32767.0f));
    }
    return samples;
}
