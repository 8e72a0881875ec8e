#include "bench/scene_comparison.h"
#include "bench/clip_decoder.h"
#include "bench/gl_calls.h"
#include "bench/side_context.h"
#include "platform/avifile/vfw.h"
#include "platform/d3d8/gl.h"
#include "platform/host/host.h"
#include "scenes/music_time.h"
#include "scenes/schedule.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>

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

    // Times one frame of this side: `draw` issues it, `finish` waits for the decoding ahead it
    // started; the window closes when both are done.
    void Time(const std::function<void()>& draw, const std::function<void()>& finish,
              double (*decoded)()) {
        const double w = WallMilliseconds(), c = ThreadMilliseconds(), d = decoded();
        const GlTally g = CountedGlCalls();
        draw();
        FinishGlWork();
        finish();
        gl = gl + (CountedGlCalls() - g);
        decode += decoded() - d;
        cpu += ThreadMilliseconds() - c;
        wall += WallMilliseconds() - w;
    }
};

// Each round's figures, for their medians and spreads.
struct Rounds {
    std::vector<double> show, bare, floor, showCpu, bareCpu, showDecode, bareDecode;
    std::vector<double> wallRatio, cpuRatio, decodeRatio, difference;
};

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
    RecordedFrames recorded = RecordFrames(renderer, frame, times);
    if (!recorded.replay.unsupported.empty())
        return Failed("the plain program cannot draw " + recorded.replay.unsupported);
    BareRenderer bare(recorded.replay);
    if (!bare.Ready())
        return Failed("the plain program did not build: " + recorded.replay.unsupported);
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
        return std::string();
    };
    if (std::string failed = check("before"); !failed.empty()) return Failed(failed);

    Rounds rounds;
    GlTally showGl, bareGl;
    for (int round = 0; round < roundCount; ++round) {
        // Frame by frame, the two sides in turn (which goes first alternating) and the floor
        // after them, so that what the machine is doing meanwhile falls on all alike.
        Side show, plain, floor;
        for (size_t i = 0; i < times.size(); ++i) {
            const auto showFrame = [&] {
                show.Time(
                    [&] {
                        frame(times[i]);
                        renderer.EndFrame();
                    },
                    AviFileWaitForDecodingAhead, AviFileDecodingAheadMilliseconds);
            };
            const auto plainFrame = [&] {
                plain.Time([&] { bare.DrawFrame(i, true); }, [&] { bare.FinishDecoding(); },
                           ClipDecoder::AheadMilliseconds);
            };
            if ((i + size_t(round)) % 2) {
                plainFrame();
                showFrame();
            } else {
                showFrame();
                plainFrame();
            }
            floor.Time([&] { bare.DrawFloor(i); }, [] {}, NoDecoding);
        }
        const double n = double(times.size());
        rounds.show.push_back(show.wall / n);
        rounds.bare.push_back(plain.wall / n);
        rounds.floor.push_back(floor.wall / n);
        rounds.showCpu.push_back(show.cpu / n);
        rounds.bareCpu.push_back(plain.cpu / n);
        rounds.showDecode.push_back(show.decode / n);
        rounds.bareDecode.push_back(plain.decode / n);
        rounds.wallRatio.push_back(show.wall / plain.wall);
        rounds.cpuRatio.push_back(plain.cpu > 0 ? show.cpu / plain.cpu : 1.0);
        rounds.decodeRatio.push_back(plain.decode > 0 ? show.decode / plain.decode : 1.0);
        rounds.difference.push_back((show.wall - plain.wall) / n);
        showGl = show.gl;
        bareGl = plain.gl;
    }
    if (std::string failed = check("after"); !failed.empty()) return Failed(failed);

    // Our own code's share: the same frames with nothing drawn and no clip decoded.
    host::SetFastForward(true);
    const double cpuStart = ThreadMilliseconds();
    for (double time : times) {
        frame(time);
        renderer.EndFrame();
    }
    const double cpuMs = (ThreadMilliseconds() - cpuStart) / double(times.size());
    host::SetFastForward(false);

    double fragments = 0;
    for (size_t i = 0; i < times.size(); ++i)
        fragments += double(bare.Fragments(i));
    renderer.EndFrame();

    const auto median = [](const std::vector<double>& v) { return Quantile(v, 0.5); };
    const auto spread = [](const std::vector<double>& v) {
        return Quantile(v, 0.75) - Quantile(v, 0.25);
    };
    const double n = double(times.size());
    Comparison compared;
    compared.counters = {
        {"ratio", median(rounds.wallRatio)},
        {"ratio_iqr", spread(rounds.wallRatio)},
        {"cpu_ratio", median(rounds.cpuRatio)},
        {"cpu_ratio_iqr", spread(rounds.cpuRatio)},
        {"decode_ratio", median(rounds.decodeRatio)},
        {"show_ms", median(rounds.show)},
        {"bare_ms", median(rounds.bare)},
        {"floor_ms", median(rounds.floor)},
        {"show_minus_bare_ms", median(rounds.difference)},
        {"show_cpu_ms", median(rounds.showCpu)},
        {"bare_cpu_ms", median(rounds.bareCpu)},
        {"show_decode_ms", median(rounds.showDecode)},
        {"bare_decode_ms", median(rounds.bareDecode)},
        {"gl_calls", double(showGl.calls) / n},
        {"gl_calls_bare", double(bareGl.calls) / n},
        {"upload_bytes", double(showGl.uploadBytes) / n},
        {"upload_bytes_bare", double(bareGl.uploadBytes) / n},
        {"screens", fragments / n / (640.0 * 480.0)},
        {"cpu_ms", cpuMs},
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
