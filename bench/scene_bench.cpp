// Each scene's heaviest section, drawn through the show's code and drawn again from the same
// draws by a plain OpenGL 3.3 program written for speed (bench/replay.h), in the same
// process on the same context, off screen. Before timing, the two pictures are compared: a
// benchmark whose bare program draws something else stops with an error. Reported per frame:
// show_ms (the scene's Render and the frame's end, finished), bare_ms (the same draws, finished),
// ratio, and cpu_ms (the scene's Render with nothing drawn and no clip decoded: the work of our
// own code outside OpenGL). BM_LitMesh compares the toolkit's lit mesh the same way.
// Run from anywhere: the scenes read the generated data set in the build folder.
#include "bench/bench_device.h"
#include "bench/replay.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/shared_buffers.h"
#include "platform/d3d8/draw_record.h"
#include "scenes/ball_scene.h"
#include "scenes/bars_scene.h"
#include "scenes/finale_scene.h"
#include "scenes/greetings_scene.h"
#include "scenes/group_scene.h"
#include "scenes/logo_scene.h"
#include "scenes/music_time.h"
#include "scenes/photo_scene.h"

#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 8; // frames timed in a row, show and bare by turns

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Processor time this thread has used, in milliseconds.
double ThreadMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}

// The device, in the folder that holds the data. Frames are read back only when a picture is
// wanted: a frame of the show ends finished but not read.
struct Bench {
    Bench() {
        if (getcwd(previous, sizeof previous) && chdir(SHOW_BUILD_DIR) == 0) inData = true;
    }
    // Ends the frame, keeping its picture.
    void EndFrameKept() {
        host::SetFrameCallback([this](const host::Frame& frame) {
            shown.assign(frame.pixels, frame.pixels + 640 * 480);
        });
        device.renderer.EndFrame();
        host::SetFrameCallback(nullptr);
    }
    ~Bench() {
        if (inData && chdir(previous) != 0) std::perror("chdir");
    }
    BenchDevice device;
    std::vector<uint32_t> shown;
    char previous[4096] = {};
    bool inData = false;
};

// Times one frame drawn by `show` (a frame of the show: it draws, then the Renderer ends the
// frame) against the bare program drawing the recorded frame, after checking the pictures.
void Compare(benchmark::State& state, Bench& bench, const std::function<void()>& show,
             const std::function<void()>& cpuOnly, bool geometryChangesEveryFrame = true) {
    if (!bench.device.ready || !bench.inData) {
        state.SkipWithError("no device or no data set");
        return;
    }
    Renderer& renderer = bench.device.renderer;
    // The frame as the show draws it, recorded, and its picture.
    show();
    renderer.EndFrame();
    ReplayFrame frame = RecordFrame(show);
    bench.EndFrameKept();
    for (uint32_t& p : bench.shown)
        p &= 0xFFFFFF;
    if (!frame.unsupported.empty()) {
        state.SkipWithError(("the bare program cannot draw " + frame.unsupported).c_str());
        return;
    }
    frame.geometryChangesEveryFrame = geometryChangesEveryFrame;
    BareRenderer bare(frame);
    if (!bare.Ready()) {
        state.SkipWithError("the bare program did not build");
        return;
    }
    bare.DrawFrame();
    const FrameDifference difference = CompareFrames(bench.shown, bare.ReadBack());
    renderer.EndFrame(); // the device's own target and state again
    if (!difference.Same()) {
        state.SkipWithError(
            ("the bare program draws another picture: " + std::to_string(difference.coverage) +
             " pixels covered apart, " + std::to_string(difference.colour) + " of another colour")
                .c_str());
        return;
    }

    double showTime = 0, bareTime = 0, cpuTime = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < kBlock; ++i) {
            show();
            renderer.EndFrame();
        }
        showTime += Milliseconds(Clock::now() - start);
        start = Clock::now();
        for (int i = 0; i < kBlock; ++i)
            bare.DrawFrame();
        bareTime += Milliseconds(Clock::now() - start);
        renderer.EndFrame();
        SkipDrawing(true);
        const double cpuStart = ThreadMilliseconds();
        for (int i = 0; i < kBlock; ++i)
            cpuOnly();
        cpuTime += ThreadMilliseconds() - cpuStart;
        SkipDrawing(false);
        host::test::Reset();
        renderer.EndFrame();
        frames += kBlock;
    }
    // The bare program still draws the same picture after all those frames of both.
    bare.DrawFrame();
    const FrameDifference after = CompareFrames(bench.shown, bare.ReadBack());
    renderer.EndFrame();
    if (!after.Same()) state.SkipWithError("the bare program's picture changed while timing");
    state.counters["show_ms"] = showTime / double(frames);
    state.counters["bare_ms"] = bareTime / double(frames);
    state.counters["ratio"] = showTime / bareTime;
    state.counters["cpu_ms"] = cpuTime / double(frames);
    state.counters["pixels_apart"] = difference.coverage + difference.colour;
}

// A scene at music time `music` and show clock `milliseconds`, its clips not decoded for the
// CPU measure.
template <class Scene>
void SceneBench(benchmark::State& state, float music, int32_t milliseconds,
                double tickSeconds = 0.0) {
    Bench bench;
    host::SetVirtualTime(tickSeconds);
    auto scene = std::make_unique<Scene>();
    if (!bench.inData || scene->Init() != 0) {
        state.SkipWithError("the scene cannot load its data (build the data set first)");
        return;
    }
    musicTime = music;
    const auto render = [&] { scene->Render(milliseconds); };
    const auto cpuOnly = [&] {
        host::test::FailCall("AVIStreamGetFrame");
        scene->Render(milliseconds);
    };
    Compare(state, bench, render, cpuOnly);
    scene.reset();
}

void BM_Logo(benchmark::State& state) {
    SceneBench<LogoScene>(state, 8.0f, 8000);
}
void BM_Ball(benchmark::State& state) {
    // The four environment-mapped copies under the band.
    SceneBench<BallScene>(state, 20.0f, 20000);
}
void BM_Bars(benchmark::State& state) {
    SceneBench<BarsScene>(state, 40.0f, 40000);
}
void BM_Group(benchmark::State& state) {
    SceneBench<GroupScene>(state, 60.0f, 60000);
}
void BM_Greetings(benchmark::State& state) {
    // 20 s into the scene's own clock, with a greeting over the four layers.
    Bench bench;
    host::SetVirtualTime(1000.0);
    auto scene = std::make_unique<GreetingsScene>();
    if (!bench.inData || scene->Init() != 0) {
        state.SkipWithError("the scene cannot load its data (build the data set first)");
        return;
    }
    musicTime = 90.0f;
    scene->Render(0);
    host::SetVirtualTime(1020.0);
    Compare(
        state, bench, [&] { scene->Render(0); }, [&] { scene->Render(0); });
}
void BM_Photo(benchmark::State& state) {
    // Seven turning layers behind the shape (the tick count turns them).
    SceneBench<PhotoScene>(state, 135.0f, 135000, 135.0);
}
void BM_Finale(benchmark::State& state) {
    SceneBench<FinaleScene>(state, 158.0f, 158000);
}

// A lit, highlighted ball of `rows` x `columns` separate quads (four vertices and two triangles
// each, so that the vertex count can reach 32k within 16-bit triangle counts), written once:
// what the draw path alone costs against the bare program.
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
    const auto draw = [&] {
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
    Compare(state, bench, draw, draw, false);
    state.counters["vertices"] = vertices;
    texture.Release();
}

} // namespace

BENCHMARK(BM_Logo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ball)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Bars)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Group)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Greetings)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Photo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Finale)->Unit(benchmark::kMillisecond)->MinTime(2.0);
// 1k, 4k, 16k and 32k vertices.
BENCHMARK(BM_LitMesh)
    ->Args({16, 16})
    ->Args({32, 32})
    ->Args({64, 64})
    ->Args({64, 127})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

BENCHMARK_MAIN();
