// One counting layer over the OpenGL entry points, through which both the show's device and the
// plain program call: every call counted, and the bytes each call sends up (buffer data, texel
// rectangles). libepoxy calls through one pointer per entry point; the layer puts a counter in
// front of each, once. Built only into the benchmarks and tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>

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
// (no EGL entry point for some call). The harness's own waits are not in them.
GlTally CountedGlCalls(bool* counting = nullptr);

// Leaves `harness` (the calls of a wait of the harness's own, FinishGlWork) out of every later
// reading.
void LeaveOutOfCount(const GlTally& harness);

// Every entry point's calls so far, by name, the harness's waits included (desktop only: empty
// in the browser). What two readings differ by says which calls a stretch made.
std::map<std::string, uint64_t> CountedGlCallsByName();
