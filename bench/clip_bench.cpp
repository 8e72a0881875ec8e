// The cost of one clip frame, decoded and copied into a canvas as the scenes ask for it, for each
// clip of a data set (the generated one by default): forward through the whole clip, backward
// through it, and by jumps. The clips' codec is chosen for the page's download size; this is
// what that choice costs per frame.
//   clip_bench [--data FOLDER] [Google Benchmark's options]
#include "assets/video_texture.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string dataFolder = SHOW_BUILD_DIR "/data";

enum class Order { Forward, Backward, Jumps };

void CopyFrames(benchmark::State& state, const std::string& name, Order order) {
    VideoTexture video;
    if (!video.Open((dataFolder + "/" + name).c_str(), 512, 256))
        return state.SkipWithError(("cannot open " + name).c_str());
    const uint32_t count = video.FrameCount();
    std::vector<uint32_t> canvas(512 * 256);
    uint32_t step = 0;
    for (auto _ : state) {
        uint32_t frame = step % count;
        if (order == Order::Backward) frame = count - 1 - frame;
        // Strides of 37 frames wrap around the clip, landing anywhere between its key frames.
        if (order == Order::Jumps) frame = uint32_t((uint64_t(step) * 37) % count);
        if (!video.CopyFrame(frame, canvas.data(), 2048, 0))
            return state.SkipWithError(("no frame " + std::to_string(frame)).c_str());
        ++step;
    }
    video.Close();
    state.SetItemsProcessed(int64_t(step));
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--data") == 0) {
            dataFolder = argv[i + 1];
            std::memmove(argv + i, argv + i + 2, sizeof(char*) * size_t(argc - i - 1));
            argc -= 2;
            break;
        }
    for (const char* clip :
         {"trailer3.avi", "kalf5.avi", "group6.avi", "vaan1.avi", "pendulaEIND.avi"})
        for (const auto& [order, label] :
             {std::pair{Order::Forward, "forward"}, std::pair{Order::Backward, "backward"},
              std::pair{Order::Jumps, "jumps"}})
            benchmark::RegisterBenchmark((std::string(clip) + "/" + label).c_str(),
                                         [clip = std::string(clip), order = order](
                                             benchmark::State& s) { CopyFrames(s, clip, order); })
                ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
