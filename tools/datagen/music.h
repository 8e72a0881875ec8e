// The show's music, synthesised: drums, bass, pad chords, an arpeggio and a lead in A minor at
// 128 beats a minute, its sections changing where the show's scenes and their inner turns do,
// building up into the greetings and fading to silence by 191 s.
#pragma once

#include <cstdint>
#include <vector>

// Interleaved 16-bit stereo.
std::vector<int16_t> SynthesiseMusic(int sampleRate, float seconds);
