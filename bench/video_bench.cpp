// VideoTexture's cost per CopyFrame on a 320 x 240 clip, played forward, backward and at
// random, for an intra-only codec (MJPEG) and one with inter frames (MPEG-4 with B-frames);
// and the memory five open clips of the show's sizes take.
#include "assets/video_texture.h"
#include "tests/support/test_folder.h"
#include "tests/support/video_files.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 120;

const std::string& ClipPath(AviCodec codec) {
    static TestFolder folder;
    static std::string paths[2];
    std::string& path = paths[codec == AviCodec::Mjpeg ? 0 : 1];
    if (path.empty()) {
        path = folder.Root() + (codec == AviCodec::Mjpeg ? "/mjpeg.avi" : "/mpeg4.avi");
        WriteClip(path, codec, 320, 240, kFrames);
    }
    return path;
}

enum class Order { Forward, Backward, Random };

void CopyFrames(benchmark::State& state, AviCodec codec, Order order) {
    VideoTexture video;
    if (!video.Open(ClipPath(codec).c_str(), 512, 256)) return state.SkipWithError("no clip");
    std::vector<uint32_t> canvas(512 * 256);
    std::mt19937 random(1);
    uint32_t step = 0;
    for (auto _ : state) {
        uint32_t frame = step % kFrames;
        if (order == Order::Backward) frame = kFrames - 1 - frame;
        if (order == Order::Random) frame = random() % kFrames;
        benchmark::DoNotOptimize(video.CopyFrame(frame, canvas.data(), 2048, 0));
        ++step;
    }
}

void BM_MjpegForward(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mjpeg, Order::Forward);
}
void BM_MjpegBackward(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mjpeg, Order::Backward);
}
void BM_MjpegRandom(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mjpeg, Order::Random);
}
void BM_Mpeg4Forward(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mpeg4, Order::Forward);
}
void BM_Mpeg4Backward(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mpeg4, Order::Backward);
}
void BM_Mpeg4Random(benchmark::State& s) {
    CopyFrames(s, AviCodec::Mpeg4, Order::Random);
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// Five MJPEG clips of the sizes the scenes give them, each opened and one frame decoded.
void BM_FiveShowSizedClipsOpen(benchmark::State& state) {
    TestFolder folder;
    const int sizes[5][2] = {{416, 256}, {492, 256}, {512, 256}, {416, 256}, {416, 256}};
    for (int i = 0; i < 5; ++i)
        WriteClip(folder.Root() + "/" + std::to_string(i) + ".avi", AviCodec::Mjpeg, sizes[i][0],
                  sizes[i][1], 200);
    std::vector<uint32_t> canvas(512 * 256);
    long added = 0;
    for (auto _ : state) {
        const long before = ResidentKilobytes();
        std::vector<std::unique_ptr<VideoTexture>> clips;
        for (int i = 0; i < 5; ++i) {
            clips.push_back(std::make_unique<VideoTexture>());
            clips.back()->Open((folder.Root() + "/" + std::to_string(i) + ".avi").c_str(), 512,
                               256);
            clips.back()->CopyFrame(100, canvas.data(), 2048, 0);
        }
        added = ResidentKilobytes() - before;
    }
    state.counters["resident_kib_added"] = double(added);
}

BENCHMARK(BM_MjpegForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MjpegBackward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MjpegRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mpeg4Forward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mpeg4Backward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mpeg4Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiveShowSizedClipsOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
