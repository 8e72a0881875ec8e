#include "tools/capture/memory_limit.h"

#include <sys/resource.h>

uint64_t AddressSpaceNeeded(int width, int height, bool video, int cores) {
    constexpr uint64_t kMegabyte = uint64_t(1) << 20;
    // The show and the driver at 640 x 480, and each driver thread beyond two (its stack and
    // its share of the allocator's arenas).
    uint64_t needed = 1024 * kMegabyte + uint64_t(cores > 2 ? cores - 2 : 0) * 96 * kMegabyte;
    // Per pixel of the frame: the target, its read-back and the picture written (and for a
    // video the encoder's frames in flight).
    const uint64_t pixels = uint64_t(width > 0 ? width : 640) * uint64_t(height > 0 ? height : 480);
    needed += pixels * (video ? 192 : 48);
    return needed;
}

uint64_t AddressSpaceLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    return uint64_t(limit.rlim_cur);
}
