// The clip opener on arbitrary bytes, as a scene uses it: open the first video stream, read its
// length, and copy frames (in order, backwards and at random) into a fixed 512 x 256 area with
// guard rows around it. Every file either opens or is refused; no frame is written outside the
// room the caller gave, and nothing reads memory it does not own.
//
// The bytes are handed over in memory (a memfd, opened through its /proc path as the scenes open
// their files), and clips are not decoded ahead: a frame nobody asks for only costs time.
#include "assets/video_texture.h"
#include "platform/testing/test_controls.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Inputs beyond this are cut: one run of a clip must stay quick (a few frames of a clip).
constexpr size_t kLargest = 64 * 1024;
constexpr uint32_t kGuard = 0x5A5A5A5A;

// The in-memory file every input is written to, made once.
const std::string& ClipPath() {
    static const std::string path = [] {
        const int descriptor = memfd_create("clip", 0);
        if (descriptor < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        return "/proc/self/fd/" + std::to_string(descriptor);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    host::test::DecodeClipsAhead(false);
    ClipPath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargest) size = kLargest;
    const int descriptor = std::atoi(ClipPath().c_str() + std::string("/proc/self/fd/").size());
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != ssize_t(size))
        return 0;

    // A canvas of 512 x 256 with a guard row above and below; the clip goes in at column 96.
    static std::vector<uint32_t> canvas(512 * 258);
    std::fill(canvas.begin(), canvas.end(), kGuard);
    VideoTexture video;
    if (video.Open(ClipPath().c_str(), 416, 256) != 1) return 0;
    const uint32_t frames = video.FrameCount();
    uint32_t* bits = canvas.data() + 512 + 96;
    // The next frame, a jump to the middle and to the last, past the end, back to the start,
    // and one the input chooses; the keyed copy as the logo's scene asks for it.
    const uint32_t tried[] = {
        1, frames / 2, frames - 1, frames, 0, frames + 7, size > 8 ? uint32_t(data[7]) : 5u};
    for (uint32_t frame : tried)
        video.CopyFrame(frame, bits, 2048, 0);
    video.CopyFrame(1, bits, 2048, 1);
    for (int x = 0; x < 512; ++x)
        if (canvas[size_t(x)] != kGuard || canvas[size_t(512 * 257 + x)] != kGuard) std::abort();
    for (int y = 1; y <= 256; ++y)
        for (int x : {0, 95, 512 - 1})
            if (x != 511 && canvas[size_t(512 * y + x)] != kGuard) std::abort();
    return 0;
}
