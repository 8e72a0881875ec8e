// One counting layer over the OpenGL entry points, through which both the show's device and the
// plain program call: every call counted, and the bytes each call sends up (buffer data, texel
// rectangles). libepoxy calls through one pointer per entry point; the layer puts a counter in
// front of each, once. Built only into the benchmarks and tests.
#pragma once

#include <cstdint>

struct GlTally {
    uint64_t calls = 0;
    uint64_t uploadBytes = 0;

    GlTally operator-(const GlTally& earlier) const {
        return {calls - earlier.calls, uploadBytes - earlier.uploadBytes};
    }
    GlTally operator+(const GlTally& more) const {
        return {calls + more.calls, uploadBytes + more.uploadBytes};
    }
};

// Puts the layer in place (the first time) and gives the counts so far; the calls between two
// readings are their difference. False in `counting` when the layer could not be put in place
// (no EGL entry point for some call).
GlTally CountedGlCalls(bool* counting = nullptr);
