// The show's music, synthesised: pad chords, bass, drums and an arpeggio whose parts change
// with the scenes, fading to silence by 191 s.
#pragma once

#include <cstdint>
#include <vector>

// Interleaved 16-bit stereo.
std::vector<int16_t> SynthesiseMusic(int sampleRate, float seconds);
