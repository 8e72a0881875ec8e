// Small audio files for the tests: a tone as PCM WAV, or as MP3 encoded with LAME.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A RIFF WAV file of `seconds` of a 440 Hz tone; `bits` 8 or 16.
std::vector<uint8_t> ToneWav(int sampleRate, int channels, int bits, double seconds);

// A 16-bit PCM WAV file whose header claims `claimedRate` and `channels` but whose data is
// `frames` frames of silence: what a renamed or damaged file may say.
std::vector<uint8_t> WavClaiming(uint32_t claimedRate, int channels, uint32_t frames);

// An MP3 file of `seconds` of a 440 Hz tone, with the Info tag that gives its exact length.
std::vector<uint8_t> ToneMp3(int sampleRate, int channels, double seconds);
