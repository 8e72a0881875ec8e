#include "bench/scene_comparison.h"
#include "bench/clip_decoder.h"
#include "bench/gl_calls.h"
#include "bench/side_context.h"
#include "gfx/shared_device.h"
#include "platform/avifile/vfw.h"
#include "platform/d3d8/gl.h"
#include "platform/host/host.h"
#include "scenes/music_time.h"
#include "scenes/schedule.h"

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <thread>

namespace {

double WallMilliseconds() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ThreadMilliseconds() {
#ifdef __EMSCRIPTEN__
    return 0;
#else
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
#endif
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (at - double(below));
}

double Median(const std::vector<double>& values) {
    return Quantile(values, 0.5);
}

// The median of the rounds, and the 95 % interval of that median by bootstrap: the rounds drawn
// again with replacement, 2000 times, and the median of each draw.
struct Estimate {
    double median, low, high;
};
Estimate Bootstrap(const std::vector<double>& rounds) {
    std::mt19937 random(20261209);
    std::uniform_int_distribution<size_t> pick(0, rounds.size() - 1);
    std::vector<double> medians, drawn(rounds.size());
    for (int i = 0; i < 2000; ++i) {
        for (double& value : drawn)
            value = rounds[pick(random)];
        medians.push_back(Median(drawn));
    }
    return {Median(rounds), Quantile(medians, 0.025), Quantile(medians, 0.975)};
}

double LoadAverage() {
#ifdef __EMSCRIPTEN__
    return -1;
#else
    double load = -1;
    return getloadavg(&load, 1) == 1 ? load : -1;
#endif
}

Comparison Failed(const std::string& why) {
    Comparison compared;
    compared.error = why;
    return compared;
}

double NoDecoding() {
    return 0;
}

// One side's frames over a round.
struct Side {
    double wall = 0, cpu = 0, decode = 0;
    GlTally gl;

    // Times one frame of this side: `draw` issues it (and gives the milliseconds of it that are
    // not this side's work), `wait` waits for it once, `finish` waits for the decoding ahead it
    // started; the window closes when all are done. The wait's own calls are not counted.
    void Time(const std::function<double()>& draw, const std::function<void()>& wait,
              const std::function<void()>& finish, double (*decoded)()) {
        const double w = WallMilliseconds(), c = ThreadMilliseconds(), d = decoded();
        const GlTally g = CountedGlCalls();
        const double apart = draw();
        wait();
        finish();
        gl = gl + (CountedGlCalls() - g);
        decode += decoded() - d;
        cpu += ThreadMilliseconds() - c - apart;
        wall += WallMilliseconds() - w - apart;
    }
};

// Two sides' frames one after the other, the second first when `swapped`: which goes first
// alternates, so that what the machine is doing meanwhile falls on both alike.
template <class First, class Second> void InTurn(First first, Second second, bool swapped) {
    if (swapped) second();
    first();
    if (!swapped) second();
}

template <class Scene>
Comparison CompareSpan(double from, Renderer& renderer, int frames, int rounds) {
    host::SetVirtualTime(0.0);
    auto scene = std::make_unique<Scene>();
    if (scene->Init() != 0)
        return Failed("the scene cannot load its data (build the data set first)");
    const SceneFrame frame = FrameOf(*scene);
    PlayUpTo(renderer, frame, StartOf<Scene>(), from);
    Comparison compared =
        CompareWithPlainProgram(renderer, frame, FrameTimes(from, frames), rounds);
    scene.reset();
    return compared;
}

} // namespace

Comparison CompareWithPlainProgram(Renderer& renderer, const SceneFrame& frame,
                                   const std::vector<double>& times, int roundCount) {
    bool counting = false;
    CountedGlCalls(&counting);
    if (!counting) return Failed("the GL calls cannot be counted");
    const double loadAtStart = LoadAverage();
    RecordedFrames recorded = RecordFrames(renderer, frame, times);
    if (!recorded.replay.unsupported.empty())
        return Failed("the plain program cannot draw " + recorded.replay.unsupported);
    BareRenderer bare(recorded.replay);
    if (!bare.Ready())
        return Failed("the plain program did not build: " + recorded.replay.unsupported);
    IDirect3DDevice8& device = *sharedDevice;
    std::string why;
    const auto check = [&](const char* when) {
        const bool bareSame = AllSame(CheckBare(bare, recorded), why);
        renderer.EndFrame(); // the device's own target and state again
        if (!bareSame)
            return "the plain program draws another picture " + std::string(when) + " timing, " +
                   why;
        if (!AllSame(CheckShow(renderer, frame, times, recorded), why))
            return "the show draws other frames than were checked " + std::string(when) +
                   " timing, " + why;
        if (!AllSame(CheckReplay(device, recorded), why))
            return "the recorded calls draw other frames than the show " + std::string(when) +
                   " timing, " + why;
        return std::string();
    };
    if (std::string failed = check("before"); !failed.empty()) return Failed(failed);

    // Each round's figures, for their medians and intervals.
    std::vector<double> showWall, bareWall, floorWall, replayWall, showCpu, bareCpu, replayCpu;
    std::vector<double> showDecode, bareDecode, ratio, replayRatio, deviceCost, sceneLogic;
    GlTally showGl, bareGl, replayGl;
    // Without a clock of the thread's own (in the browser), the costs are taken on the wall.
    const bool threadClock = ThreadMilliseconds() != 0;
    const size_t n = times.size();
    for (int round = 0; round < roundCount; ++round) {
        // Frame by frame, two sides in turn (which goes first alternating), so that what the
        // machine is doing meanwhile falls on both alike: the show and the plain program, then
        // the recorded calls and the plain program; the floor after the first pair.
        Side show, plain, floor, replay, plainAgain;
        const auto plainFrame = [&](Side& side, size_t i) {
            side.Time(
                [&] {
                    bare.DrawFrame(i, true);
                    return 0.0;
                },
                [&] { bare.Finish(); }, [&] { bare.FinishDecoding(); },
                ClipDecoder::AheadMilliseconds);
        };
        for (size_t i = 0; i < n; ++i) {
            const auto showFrame = [&] {
                show.Time(
                    [&] {
                        frame(times[i]);
                        renderer.EndFrame();
                        return 0.0;
                    },
                    FinishGlWork, AviFileWaitForDecodingAhead, AviFileDecodingAheadMilliseconds);
            };
            InTurn(
                showFrame, [&] { plainFrame(plain, i); }, (i + size_t(round)) % 2 != 0);
            floor.Time(
                [&] {
                    bare.DrawFloor(i);
                    return 0.0;
                },
                [&] { bare.Finish(); }, [] {}, NoDecoding);
        }
        // The recorded calls start again from the buffers and textures the record started from
        // (not timed).
        RestoreStart(recorded.calls);
        for (size_t i = 0; i < n; ++i) {
            const auto replayFrame = [&] {
                replay.Time([&] { return ReplayCalls(device, recorded.calls.frames[i]); },
                            FinishGlWork, [] {}, NoDecoding);
            };
            InTurn(
                replayFrame, [&] { plainFrame(plainAgain, i); }, (i + size_t(round)) % 2 != 0);
        }
        const double frames = double(n);
        showWall.push_back(show.wall / frames);
        bareWall.push_back(plain.wall / frames);
        floorWall.push_back(floor.wall / frames);
        replayWall.push_back(replay.wall / frames);
        showCpu.push_back(show.cpu / frames);
        bareCpu.push_back(plain.cpu / frames);
        replayCpu.push_back(replay.cpu / frames);
        showDecode.push_back(show.decode / frames);
        bareDecode.push_back(plain.decode / frames);
        ratio.push_back(show.wall / plain.wall);
        replayRatio.push_back(replay.wall / plainAgain.wall);
        // Microseconds a frame: the device's own (the recorded calls through it, less the plain
        // program's, timed beside them), and the scenes' (the show, less the recorded calls).
        const double replayCost = threadClock ? replay.cpu : replay.wall;
        deviceCost.push_back(1e3 * (replayCost - (threadClock ? plainAgain.cpu : plainAgain.wall)) /
                             frames);
        sceneLogic.push_back(1e3 * ((threadClock ? show.cpu : show.wall) - replayCost) / frames);
        showGl = show.gl;
        bareGl = plain.gl;
        replayGl = replay.gl;
    }
    if (std::string failed = check("after"); !failed.empty()) return Failed(failed);

    double fragments = 0;
    for (size_t i = 0; i < n; ++i)
        fragments += double(bare.Fragments(i));
    renderer.EndFrame();
    const double loadAtEnd = LoadAverage();

    const double frames = double(n);
    const Estimate cost = Bootstrap(deviceCost), logic = Bootstrap(sceneLogic);
    const Estimate wallRatio = Bootstrap(ratio), callsRatio = Bootstrap(replayRatio);
    const double cores = double(std::thread::hardware_concurrency());
    Comparison compared;
    compared.counters = {
        {"device_us", cost.median},
        {"device_us_low", cost.low},
        {"device_us_high", cost.high},
        {"logic_us", logic.median},
        {"logic_us_low", logic.low},
        {"logic_us_high", logic.high},
        {"ratio", wallRatio.median},
        {"ratio_low", wallRatio.low},
        {"ratio_high", wallRatio.high},
        {"calls_ratio", callsRatio.median},
        {"calls_ratio_low", callsRatio.low},
        {"calls_ratio_high", callsRatio.high},
        {"show_ms", Median(showWall)},
        {"calls_ms", Median(replayWall)},
        {"bare_ms", Median(bareWall)},
        {"floor_ms", Median(floorWall)},
        {"show_cpu_ms", Median(showCpu)},
        {"calls_cpu_ms", Median(replayCpu)},
        {"bare_cpu_ms", Median(bareCpu)},
        {"show_decode_ms", Median(showDecode)},
        {"bare_decode_ms", Median(bareDecode)},
        {"d3d_calls", CallsPerFrame(recorded.calls)},
        {"gl_calls", double(showGl.calls) / frames},
        {"gl_calls_calls", double(replayGl.calls) / frames},
        {"gl_calls_bare", double(bareGl.calls) / frames},
        {"upload_bytes", double(showGl.uploadBytes) / frames},
        {"upload_bytes_calls", double(replayGl.uploadBytes) / frames},
        {"upload_bytes_bare", double(bareGl.uploadBytes) / frames},
        {"screens", fragments / frames / (640.0 * 480.0)},
        {"load_start", loadAtStart},
        {"load_end", loadAtEnd},
        // The machine was busier than it has cores: the figures are not a quiet machine's.
        {"loaded", loadAtStart > cores || loadAtEnd > cores ? 1.0 : 0.0},
        {"thread_clock", threadClock ? 1.0 : 0.0},
    };
    return compared;
}

// The span of each scene: the logo multiplied over the clip; the four environment-mapped
// copies under the band; the grid; a forward run of the tube's clip, with the bounce; the four
// layers with the bulge and the twist and a greeting over them; seven turning layers behind
// the shape; the second closing clip.
const SceneSpan kSceneSpans[] = {{"Logo", 8.0},    {"Ball", 20.0},      {"Bars", 40.0},
                                 {"Group", 58.0},  {"Greetings", 90.0}, {"Photo", 135.0},
                                 {"Finale", 158.0}};
const size_t kSceneSpanCount = sizeof kSceneSpans / sizeof kSceneSpans[0];

Comparison CompareScene(size_t index, Renderer& renderer, int frames, int rounds) {
    const double from = index < kSceneSpanCount ? kSceneSpans[index].from : 0.0;
    switch (index) {
    case 0:
        return CompareSpan<LogoScene>(from, renderer, frames, rounds);
    case 1:
        return CompareSpan<BallScene>(from, renderer, frames, rounds);
    case 2:
        return CompareSpan<BarsScene>(from, renderer, frames, rounds);
    case 3:
        return CompareSpan<GroupScene>(from, renderer, frames, rounds);
    case 4:
        return CompareSpan<GreetingsScene>(from, renderer, frames, rounds);
    case 5:
        return CompareSpan<PhotoScene>(from, renderer, frames, rounds);
    case 6:
        return CompareSpan<FinaleScene>(from, renderer, frames, rounds);
    default:
        return Failed("no such scene");
    }
}
