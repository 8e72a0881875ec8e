#include "bench/scene_run.h"
#include "platform/host/host.h"

#include <cmath>
#include <string>

namespace {

// Ends the frame and returns its picture.
std::vector<uint32_t> EndFrameKept(Renderer& renderer) {
    std::vector<uint32_t> picture;
    host::SetFrameCallback([&picture](const host::Frame& shown) {
        picture.assign(shown.pixels, shown.pixels + size_t(shown.width) * size_t(shown.height));
    });
    renderer.EndFrame();
    host::SetFrameCallback(nullptr);
    for (uint32_t& pixel : picture)
        pixel &= 0xFFFFFF;
    return picture;
}

} // namespace

std::vector<double> FrameTimes(double from, int count, double framesPerSecond) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
        times.push_back(from + i / framesPerSecond);
    return times;
}

void PlayUpTo(Renderer& renderer, const SceneFrame& frame, double start, double until) {
    host::SetFastForward(true);
    for (int64_t n = 0; start + double(n) / 60.0 < until; ++n) {
        frame(start + double(n) / 60.0);
        renderer.EndFrame();
    }
    host::SetFastForward(false);
}

RecordedFrames RecordFrames(Renderer& renderer, const SceneFrame& frame,
                            const std::vector<double>& times) {
    RecordedFrames recorded;
    for (double time : times)
        RecordCallsOf(recorded.calls, [&] {
            RecordFrame(recorded.replay, [&] { frame(time); });
            recorded.pictures.push_back(EndFrameKept(renderer));
        });
    return recorded;
}

std::vector<FrameDifference> CheckBare(BareRenderer& bare, const RecordedFrames& recorded) {
    std::vector<FrameDifference> differences;
    for (size_t i = 0; i < recorded.pictures.size(); ++i) {
        bare.DrawFrame(i);
        differences.push_back(CompareFrames(recorded.pictures[i], bare.ReadBack()));
    }
    return differences;
}

std::vector<FrameDifference> CheckShow(Renderer& renderer, const SceneFrame& frame,
                                       const std::vector<double>& times,
                                       const RecordedFrames& recorded) {
    std::vector<FrameDifference> differences;
    for (size_t i = 0; i < times.size(); ++i) {
        frame(times[i]);
        differences.push_back(CompareFrames(recorded.pictures[i], EndFrameKept(renderer)));
    }
    return differences;
}

std::vector<FrameDifference> CheckReplay(IDirect3DDevice8& device, const RecordedFrames& recorded) {
    std::vector<FrameDifference> differences;
    RestoreStart(recorded.calls);
    for (size_t i = 0; i < recorded.calls.frames.size(); ++i) {
        std::vector<uint32_t> picture;
        host::SetFrameCallback([&picture](const host::Frame& shown) {
            picture.assign(shown.pixels, shown.pixels + size_t(shown.width) * size_t(shown.height));
        });
        ReplayCalls(device, recorded.calls.frames[i]);
        host::SetFrameCallback(nullptr);
        for (uint32_t& pixel : picture)
            pixel &= 0xFFFFFF;
        differences.push_back(CompareFrames(recorded.pictures[i], picture));
    }
    return differences;
}

bool AllSame(const std::vector<FrameDifference>& differences, std::string& why) {
    for (size_t i = 0; i < differences.size(); ++i)
        if (!differences[i].Same()) {
            why = "frame " + std::to_string(i) + ": " + std::to_string(differences[i].coverage) +
                  " pixels covered apart, " + std::to_string(differences[i].colour) +
                  " of another colour";
            return false;
        }
    return true;
}
