// Each scene over a second of its own music, off screen on this machine, three ways: through the
// show's code, as its recorded Direct3D 8 calls made again through the device, and as the plain
// OpenGL program an expert would write for the same draws; scene_comparison.h says how and what
// each counter is. BM_LitMesh compares the toolkit's lit mesh the same way. Run from anywhere:
// the scenes read the generated data set in the build folder. llvmpipe's rasteriser threads are
// pinned (LP_NUM_THREADS, 1 unless given) before the driver is loaded, so that runs compare.
#include "bench/bench_device.h"
#include "bench/scene_comparison.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/shared_buffers.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr int kFrames = 60;
// Paired rounds of every frame: 41 unless --rounds=R says otherwise.
int kRounds = 41;

int LlvmpipeThreads() {
    if (const char* set = std::getenv("LP_NUM_THREADS")) return std::atoi(set);
    return int(std::thread::hardware_concurrency());
}

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

void Report(benchmark::State& state, const Comparison& compared, const char* name) {
    // The rounds are the comparison's own, inside this one iteration.
    for (auto _ : state) {
    }
    if (!compared.error.empty()) return state.SkipWithError(compared.error.c_str());
    for (const auto& [name, value] : compared.counters)
        state.counters[name] = value;
    state.counters["llvmpipe_threads"] = LlvmpipeThreads();
    if (state.counters["loaded"] != 0)
        std::fprintf(stderr,
                     "%s: the load average (%.2f at the start, %.2f at the end) was above the %u "
                     "cores: these are not a quiet machine's figures\n",
                     name, double(state.counters["load_start"]), double(state.counters["load_end"]),
                     std::thread::hardware_concurrency());
}

void BM_Scene(benchmark::State& state) {
    Bench bench;
    if (!bench.device.ready || !bench.inData)
        return state.SkipWithError("no device, or no data set (build it first)");
    Report(state, CompareScene(size_t(state.range(0)), bench.device.renderer, kFrames, kRounds),
           kSceneSpans[state.range(0)].name);
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
    Report(state,
           CompareWithPlainProgram(bench.device.renderer, draw, FrameTimes(0.0, kFrames), kRounds),
           "the lit mesh");
    state.counters["vertices"] = vertices;
    texture.Release();
}

} // namespace

// One per scene, named after it.
const int kRegistered = [] {
    for (size_t i = 0; i < kSceneSpanCount; ++i)
        benchmark::RegisterBenchmark((std::string("BM_") + kSceneSpans[i].name).c_str(), BM_Scene)
            ->Arg(int(i))
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return 0;
}();
// 1k, 4k, 16k and 32k vertices.
BENCHMARK(BM_LitMesh)
    ->Args({16, 16})
    ->Args({32, 32})
    ->Args({64, 64})
    ->Args({64, 127})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    setenv("LP_NUM_THREADS", "1", 0);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
            kRounds = std::max(2, std::atoi(argv[i] + 9));
            for (int j = i; j < argc; ++j) // not Google Benchmark's
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
