// A scene's frames as the show draws them over a short span of music, and the checks that a
// plain OpenGL program (replay.h) draws the same pictures: before timing, after it, and on the
// very frames that are timed. Shared by the scene benchmarks and their tests.
#pragma once

#include "bench/call_replay.h"
#include "bench/replay.h"
#include "gfx/renderer.h"
#include "platform/host/host.h"
#include "scenes/music_time.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

// One frame of a scene at music time `seconds`: the show's clocks set to it and the scene's
// Render called, as the driver would call it.
using SceneFrame = std::function<void(double seconds)>;

// The frame of `scene` as the driver runs it at music time `seconds`: the virtual clock and
// the music time set to it, then Render with the clock's milliseconds.
template <class Scene> SceneFrame FrameOf(Scene& scene) {
    return [&scene](double seconds) {
        host::SetVirtualTime(seconds);
        musicTime = float(seconds);
        scene.Render(int32_t(std::lround(seconds * 1000.0)));
    };
}

// `count` frames at `framesPerSecond` from `from`, each clip frame and animation advancing as
// in the show.
std::vector<double> FrameTimes(double from, int count, double framesPerSecond = 60.0);

// Plays the scene from `start` up to (not including) `until` at 60 frames a second,
// fast-forwarded: what it keeps from frame to frame is then as a viewer's show left it.
void PlayUpTo(Renderer& renderer, const SceneFrame& frame, double start, double until);

struct RecordedFrames {
    Replay replay;
    // The same frames as the Direct3D 8 calls they made, Present included.
    CallRecording calls;
    // The show's picture of each frame, as 0x00RRGGBB words, top row first.
    std::vector<std::vector<uint32_t>> pictures;
};

// Draws the frames at `times` through the show, each recorded for the plain program and as its
// calls, with its picture kept.
RecordedFrames RecordFrames(Renderer& renderer, const SceneFrame& frame,
                            const std::vector<double>& times);

// For each recorded frame, how the plain program's picture differs from the show's.
std::vector<FrameDifference> CheckBare(BareRenderer& bare, const RecordedFrames& recorded);

// Draws the frames at `times` through the show again and compares each with the picture
// recorded for it: the frames being timed must be the frames that were checked.
std::vector<FrameDifference> CheckShow(Renderer& renderer, const SceneFrame& frame,
                                       const std::vector<double>& times,
                                       const RecordedFrames& recorded);

// Makes the recorded calls again from the start of the record and compares each frame with the
// picture recorded for it.
std::vector<FrameDifference> CheckReplay(IDirect3DDevice8& device, const RecordedFrames& recorded);

// Whether every difference is none worth the name; `why` says where the first one lies.
bool AllSame(const std::vector<FrameDifference>& differences, std::string& why);
