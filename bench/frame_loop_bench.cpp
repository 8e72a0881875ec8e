// Off-screen figures for the frame loop: frames per second of the frame-end path (present,
// clear, begin) with and without reading each frame back, and the time from WinMain's start to
// the first presented frame of the whole show.
#include "app/driver.h"
#include "bench/bench_device.h"
#include "platform/host/host.h"
#include "platform/testing/test_controls.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_folder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

namespace {

void FrameEnd(benchmark::State& state, bool readBack) {
    BenchDevice device(readBack ? host::FrameCallback([](const host::Frame&) {}) : nullptr);
    if (!device.ready) return state.SkipWithError("no device");
    for (auto _ : state)
        benchmark::DoNotOptimize(device.renderer.EndFrame());
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameEndReadBack(benchmark::State& state) {
    FrameEnd(state, true);
}
void BM_FrameEndNoReadBack(benchmark::State& state) {
    FrameEnd(state, false);
}

// WinMain from its first call to its first presented frame, then Escape ends the run. Uses the
// generated show music when run from the build folder, else a 192 s tone.
void BM_StartToFirstFrame(benchmark::State& state) {
    const bool haveData = std::filesystem::exists("data/avseq01.mp3");
    const std::vector<uint8_t> music = haveData ? std::vector<uint8_t>() : ToneMp3(44100, 2, 192.0);
    for (auto _ : state) {
        std::unique_ptr<TestFolder> folder;
        if (!haveData) {
            folder = std::make_unique<TestFolder>();
            folder->Write("data/avseq01.mp3", music);
        }
        host::test::Reset();
        host::test::CheckHeldGlState(false);
        const auto start = std::chrono::steady_clock::now();
        double firstFrame = -1;
        host::UseOffScreen([&](const host::Frame&) {
            if (firstFrame < 0) {
                firstFrame =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                host::test::InjectKey(VK_ESCAPE);
            }
        });
        WinMain(nullptr, nullptr, nullptr, 0);
        state.SetIterationTime(firstFrame);
    }
}

BENCHMARK(BM_FrameEndReadBack)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_FrameEndNoReadBack)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
