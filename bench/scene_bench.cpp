// Each scene against the plain OpenGL program an expert would write for the same draws
// (bench/replay.h), in the same process, each in an OpenGL context of its own, off screen. The
// plain program decodes the clips' frames itself (bench/clip_decoder.h), so that both sides pay
// for decoding.
//
// A scene is played up to its span as the show plays it (fast-forwarded), and then 60 frames at
// 60 a second are drawn through the show's code, its clips advancing and decoding as on screen,
// each frame recorded for the plain program. Before timing, after it, and for every one of those
// frames, the plain program's picture must be the show's, and the show drawing the frames again
// must give the pictures it gave: a benchmark where either fails stops with an error.
//
// Timing is by paired rounds: each round draws all the frames, frame by frame the sides in turn
// (which of the two goes first alternating, the floor last). A side's window holds its own work
// only: it ends when everything it issued for the frame is finished (its clear for the next
// frame included, then glFinish) and the clip frame it decodes ahead is decoded. Per frame,
// medians over the rounds:
//   show_ms, bare_ms        wall time of the show's frame and the plain program's
//   show_cpu_ms, bare_cpu_ms  processor time of the main thread (our code and the driver's
//                           front end; llvmpipe's rasteriser threads are not in it)
//   show_decode_ms, bare_decode_ms  processor time of the clip decoding ahead, on its thread
//   floor_ms                the same frames' fragments (depth-tested ones included) from the
//                           cheapest shader: no texture, one colour, no blending
//   show_minus_bare_ms      what the show's frame costs beyond the plain program's
//   ratio, cpu_ratio, decode_ratio  the show's over the plain program's, medians of each round's
//                           ratio, with ratio_iqr and cpu_ratio_iqr the spread between quartiles
//   gl_calls, gl_calls_bare, upload_bytes, upload_bytes_bare  exact, through one counting layer
//                           over the GL entry points (bench/gl_calls.h)
//   cpu_ms                  the show's frame with nothing drawn and no clip decoded
//   screens                 the fragments drawn, in screens of 640 x 480
// BM_LitMesh compares the toolkit's lit mesh the same way. Run from anywhere: the scenes read
// the generated data set in the build folder.
#include "bench/bench_device.h"
#include "bench/clip_decoder.h"
#include "bench/gl_calls.h"
#include "bench/replay.h"
#include "bench/scene_run.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/shared_buffers.h"
#include "platform/avifile/vfw.h"
#include "scenes/music_time.h"
#include "scenes/schedule.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

namespace {

constexpr int kFrames = 60;
constexpr int kRounds = 41;

double WallMilliseconds() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double ClockMilliseconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (at - double(below));
}

int LlvmpipeThreads() {
    if (const char* set = std::getenv("LP_NUM_THREADS")) return std::atoi(set);
    return int(std::thread::hardware_concurrency());
}

// One side's frames over a round.
struct Side {
    double wall = 0, cpu = 0, decode = 0;
    GlTally gl;
    size_t frames = 0;

    // Times one frame of this side: `draw` issues it, `finish` waits for the decoding ahead it
    // started; the window closes when both are done.
    void Time(const std::function<void()>& draw, const std::function<void()>& finish,
              double (*decoded)()) {
        const double w = WallMilliseconds(), c = ClockMilliseconds(CLOCK_THREAD_CPUTIME_ID);
        const double d = decoded();
        const GlTally g = CountedGlCalls();
        draw();
        glFinish();
        finish();
        gl = gl + (CountedGlCalls() - g);
        decode += decoded() - d;
        cpu += ClockMilliseconds(CLOCK_THREAD_CPUTIME_ID) - c;
        wall += WallMilliseconds() - w;
        ++frames;
    }
};

double NoDecoding() {
    return 0;
}

// The medians and spreads of the rounds, as the benchmark's counters named `prefix`.
struct Rounds {
    std::vector<double> show, bare, floor, showCpu, bareCpu, showDecode, bareDecode;
    std::vector<double> wallRatio, cpuRatio, decodeRatio, difference;
};

// The device, in the folder that holds the data.
struct Bench {
    Bench() {
        if (getcwd(previous, sizeof previous) && chdir(SHOW_BUILD_DIR) == 0) inData = true;
    }
    ~Bench() {
        if (inData && chdir(previous) != 0) std::perror("chdir");
    }
    BenchDevice device;
    char previous[4096] = {};
    bool inData = false;
};

// Times `frame` at `times` against the plain program's replay of the same frames.
void Compare(benchmark::State& state, Bench& bench, const SceneFrame& frame,
             const std::vector<double>& times) {
    Renderer& renderer = bench.device.renderer;
    bool counting = false;
    CountedGlCalls(&counting);
    if (!counting) {
        state.SkipWithError("the GL calls cannot be counted");
        return;
    }
    RecordedFrames recorded = RecordFrames(renderer, frame, times);
    if (!recorded.replay.unsupported.empty()) {
        state.SkipWithError(
            ("the plain program cannot draw " + recorded.replay.unsupported).c_str());
        return;
    }
    BareRenderer bare(recorded.replay);
    if (!bare.Ready()) {
        state.SkipWithError(
            ("the plain program did not build: " + recorded.replay.unsupported).c_str());
        return;
    }
    std::string why;
    const auto check = [&](const char* when) {
        const bool bareSame = AllSame(CheckBare(bare, recorded), why);
        renderer.EndFrame(); // the device's own target and state again
        if (!bareSame) {
            state.SkipWithError(
                ("the plain program draws another picture " + std::string(when) + " timing, " + why)
                    .c_str());
            return false;
        }
        if (!AllSame(CheckShow(renderer, frame, times, recorded), why)) {
            state.SkipWithError(("the show draws other frames than were checked " +
                                 std::string(when) + " timing, " + why)
                                    .c_str());
            return false;
        }
        return true;
    };
    if (!check("before")) return;

    Rounds rounds;
    GlTally showGl, bareGl;
    for (auto _ : state) {
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
            if (i % 2) {
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
        rounds.cpuRatio.push_back(show.cpu / plain.cpu);
        rounds.decodeRatio.push_back(plain.decode > 0 ? show.decode / plain.decode : 1.0);
        rounds.difference.push_back((show.wall - plain.wall) / n);
        showGl = show.gl;
        bareGl = plain.gl;
    }
    if (!check("after")) return;

    // Our own code's share: the same frames with nothing drawn and no clip decoded.
    host::SetFastForward(true);
    const double cpuStart = ClockMilliseconds(CLOCK_THREAD_CPUTIME_ID);
    for (double time : times) {
        frame(time);
        renderer.EndFrame();
    }
    const double cpuMs =
        (ClockMilliseconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart) / double(times.size());
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
    state.counters["ratio"] = median(rounds.wallRatio);
    state.counters["ratio_iqr"] = spread(rounds.wallRatio);
    state.counters["cpu_ratio"] = median(rounds.cpuRatio);
    state.counters["cpu_ratio_iqr"] = spread(rounds.cpuRatio);
    state.counters["decode_ratio"] = median(rounds.decodeRatio);
    state.counters["show_ms"] = median(rounds.show);
    state.counters["bare_ms"] = median(rounds.bare);
    state.counters["floor_ms"] = median(rounds.floor);
    state.counters["show_minus_bare_ms"] = median(rounds.difference);
    state.counters["show_cpu_ms"] = median(rounds.showCpu);
    state.counters["bare_cpu_ms"] = median(rounds.bareCpu);
    state.counters["show_decode_ms"] = median(rounds.showDecode);
    state.counters["bare_decode_ms"] = median(rounds.bareDecode);
    state.counters["gl_calls"] = double(showGl.calls) / n;
    state.counters["gl_calls_bare"] = double(bareGl.calls) / n;
    state.counters["upload_bytes"] = double(showGl.uploadBytes) / n;
    state.counters["upload_bytes_bare"] = double(bareGl.uploadBytes) / n;
    state.counters["screens"] = fragments / n / (640.0 * 480.0);
    state.counters["cpu_ms"] = cpuMs;
    state.counters["llvmpipe_threads"] = LlvmpipeThreads();
}

// `Scene` over the span from `from`, played up to it from its start on the show's schedule.
template <class Scene> void SceneBench(benchmark::State& state, double from) {
    Bench bench;
    host::SetVirtualTime(0.0);
    auto scene = std::make_unique<Scene>();
    if (!bench.device.ready || !bench.inData || scene->Init() != 0) {
        state.SkipWithError("the scene cannot load its data (build the data set first)");
        return;
    }
    const SceneFrame frame = [&scene](double seconds) {
        host::SetVirtualTime(seconds);
        musicTime = float(seconds);
        scene->Render(int32_t(std::lround(seconds * 1000.0)));
    };
    PlayUpTo(bench.device.renderer, frame, StartOf<Scene>(), from);
    Compare(state, bench, frame, FrameTimes(from, kFrames));
    scene.reset();
}

// The logo multiplied over the clip.
void BM_Logo(benchmark::State& state) {
    SceneBench<LogoScene>(state, 8.0);
}
// The four environment-mapped copies under the band.
void BM_Ball(benchmark::State& state) {
    SceneBench<BallScene>(state, 20.0);
}
void BM_Bars(benchmark::State& state) {
    SceneBench<BarsScene>(state, 40.0);
}
// A forward run of the clip, with the bounce.
void BM_Group(benchmark::State& state) {
    SceneBench<GroupScene>(state, 58.0);
}
// The four layers with the bulge and the twist, and a greeting over them.
void BM_Greetings(benchmark::State& state) {
    SceneBench<GreetingsScene>(state, 90.0);
}
// Seven turning layers behind the shape.
void BM_Photo(benchmark::State& state) {
    SceneBench<PhotoScene>(state, 135.0);
}
// The second closing clip.
void BM_Finale(benchmark::State& state) {
    SceneBench<FinaleScene>(state, 158.0);
}

// A lit, highlighted ball of `rows` x `columns` separate quads (four vertices and two triangles
// each, so that the vertex count can reach 32k within 16-bit triangle counts), written once:
// what the draw path alone costs against the plain program.
void BM_LitMesh(benchmark::State& state) {
    Bench bench;
    Texture texture;
    if (!bench.device.ready || texture.Create(512, 256) != 0) {
        state.SkipWithError("no device");
        return;
    }
    FillTexture(texture, 512, 256, 0xFF8090A0);
    const int rows = int(state.range(0)), columns = int(state.range(1));
    const int vertices = 4 * rows * columns, triangles = 2 * rows * columns;
    LockSharedVertices();
    LockSharedIndices();
    const auto point = [&](int r, int c, Vertex& v) {
        const double polar = 3.14159265 * r / rows, around = 6.2831853 * c / columns;
        v = Vertex{float(std::sin(polar) * std::cos(around)),
                   float(std::cos(polar)),
                   float(std::sin(polar) * std::sin(around)),
                   0,
                   0,
                   0,
                   0xFFFFFFFF,
                   float(c) / columns,
                   float(r) / rows};
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int q = r * columns + c;
            Vertex* quad = SharedVertices + 4 * q;
            point(r, c, quad[0]);
            point(r, c + 1, quad[1]);
            point(r + 1, c, quad[2]);
            point(r + 1, c + 1, quad[3]);
            const uint16_t base = uint16_t(4 * q);
            const uint16_t order[6] = {base,
                                       uint16_t(base + 1),
                                       uint16_t(base + 2),
                                       uint16_t(base + 1),
                                       uint16_t(base + 3),
                                       uint16_t(base + 2)};
            std::copy_n(order, 6, SharedIndices + 6 * q);
        }
    UnlockSharedVertices();
    UnlockSharedIndices();
    ComputeNormals(vertices, triangles);
    Camera camera;
    camera.eye = {0.0f, 0.0f, -3.0f};
    const Rotation rotation{0.3f, 0.5f, 0.0f};
    const SceneFrame draw = [&](double) {
        ResetDrawSettings();
        drawSettings.lighting = true;
        drawSettings.lightCount = 1;
        drawSettings.material.SetDefaults();
        drawSettings.material.SetSpecular(1.0f, 1.0f, 1.0f, 1.0f);
        drawSettings.material.SetPower(24.0f);
        drawSettings.lights[0].SetDefaults();
        drawSettings.lights[0].SetSpecular(0.5f, 0.5f, 0.5f, 0.5f);
        DrawGeometry(camera, rotation, texture, int16_t(vertices), int16_t(triangles));
    };
    Compare(state, bench, draw, FrameTimes(0.0, kFrames));
    state.counters["vertices"] = vertices;
    texture.Release();
}

} // namespace

#define SCENE_BENCHMARK(name)                                                                      \
    BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(kRounds)->UseRealTime()
SCENE_BENCHMARK(BM_Logo);
SCENE_BENCHMARK(BM_Ball);
SCENE_BENCHMARK(BM_Bars);
SCENE_BENCHMARK(BM_Group);
SCENE_BENCHMARK(BM_Greetings);
SCENE_BENCHMARK(BM_Photo);
SCENE_BENCHMARK(BM_Finale);
// 1k, 4k, 16k and 32k vertices.
SCENE_BENCHMARK(BM_LitMesh)->Args({16, 16})->Args({32, 32})->Args({64, 64})->Args({64, 127});

BENCHMARK_MAIN();
