// The generated clips as the show decodes them, against the frames the generator drew: close to
// them in every frame, and exactly the frame asked for whatever was asked before it, forward,
// backward, by jumps, at the last frame and past it.
#include "assets/video_texture.h"
#include "tools/datagen/clips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kCanvasWidth = 512, kCanvasHeight = 256;

struct ClipFloor {
    const char* name;
    // The mean over the clip's frames, in dB: what Motion JPEG gave these frames, less 1 dB.
    double meanPsnr;
};

// Every frame, whichever clip, stays above this.
constexpr double kWorstFramePsnr = 36.0;

// PSNR over R, G and B of the decoded canvas against the drawn frame (8-bit RGB, top row first).
double Psnr(const std::vector<uint32_t>& canvas, const std::vector<uint8_t>& drawn, int width,
            int height) {
    double squares = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = canvas[size_t(y) * kCanvasWidth + size_t(x)];
            const uint8_t* rgb = &drawn[(size_t(y) * size_t(width) + size_t(x)) * 3];
            const int channels[3] = {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF),
                                     int(pixel & 0xFF)};
            for (int c = 0; c < 3; ++c) {
                const double d = channels[c] - rgb[c];
                squares += d * d;
            }
        }
    const double mse = squares / (3.0 * width * height);
    return mse == 0 ? std::numeric_limits<double>::infinity()
                    : 10 * std::log10(255.0 * 255.0 / mse);
}

// The frames of `clip`, drawn on every core.
std::vector<std::vector<uint8_t>> Draw(const ClipSpec& clip) {
    std::vector<std::vector<uint8_t>> frames(size_t(clip.frames));
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (int w = 0; w < threads; ++w)
        workers.emplace_back([&, w] {
            for (int i = w; i < clip.frames; i += threads) {
                Image image(clip.width, clip.height);
                clip.render(i, image);
                frames[size_t(i)] = image.Rgb();
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    return frames;
}

// FNV-1a over the canvas, to tell frames apart without keeping them.
uint64_t Fingerprint(const std::vector<uint32_t>& canvas) {
    uint64_t hash = 14695981039346656037ull;
    for (uint32_t word : canvas)
        hash = (hash ^ word) * 1099511628211ull;
    return hash;
}

class ClipFidelityTest : public testing::TestWithParam<ClipFloor> {
protected:
    void SetUp() override {
        const std::string path = std::string(SHOW_DATA_DIR) + "/" + GetParam().name;
        ASSERT_EQ(video.Open(path.c_str(), kCanvasWidth, kCanvasHeight), 1) << path;
        for (const ClipSpec& clip : ShowClips())
            if (clip.name == GetParam().name) spec = clip;
        ASSERT_EQ(spec.name, GetParam().name);
        ASSERT_EQ(video.FrameCount(), uint32_t(spec.frames));
    }
    void TearDown() override { video.Close(); }

    // Frame `k` into the canvas; false when the clip gives none.
    bool Copy(uint32_t k) {
        std::fill(canvas.begin(), canvas.end(), 0u);
        return video.CopyFrame(k, canvas.data(), int32_t(kCanvasWidth * 4), 0) == 1;
    }

    ClipSpec spec{};
    VideoTexture video;
    std::vector<uint32_t> canvas = std::vector<uint32_t>(kCanvasWidth * kCanvasHeight);
};

TEST_P(ClipFidelityTest, EveryFrameIsCloseToWhatWasDrawnAndTheOneAskedFor) {
    const std::vector<std::vector<uint8_t>> drawn = Draw(spec);
    const uint32_t count = uint32_t(spec.frames);
    std::vector<uint64_t> forward(count);
    double sum = 0, worst = std::numeric_limits<double>::infinity();
    uint32_t worstFrame = 0;
    for (uint32_t k = 0; k < count; ++k) {
        ASSERT_TRUE(Copy(k)) << "forward, frame " << k;
        forward[k] = Fingerprint(canvas);
        const double psnr = Psnr(canvas, drawn[k], spec.width, spec.height);
        sum += psnr;
        if (psnr < worst) worst = psnr, worstFrame = k;
    }
    const double mean = sum / count;
    std::printf("%s: mean %.2f dB, worst %.2f dB (frame %u)\n", spec.name.c_str(), mean, worst,
                worstFrame);
    EXPECT_GE(mean, GetParam().meanPsnr);
    EXPECT_GE(worst, kWorstFramePsnr) << "frame " << worstFrame;

    // Whatever was asked before, frame k is the frame forward play gave as k.
    const auto expectFrame = [&](uint32_t k, const char* how) {
        ASSERT_TRUE(Copy(k)) << how << ", frame " << k;
        ASSERT_EQ(Fingerprint(canvas), forward[k]) << how << ", frame " << k;
    };
    for (uint32_t k = count; k-- > 0;)
        expectFrame(k, "backward");
    for (uint32_t step = 0; step < 3 * count; step += 7)
        expectFrame((step * 37 + step / 3) % count, "jumping");
    // Back and forth across key frames, as a clip running to and fro does.
    for (uint32_t k : {count - 1, count - 2, count - 1, 0u, 1u, 0u, count / 2, count / 2 - 1,
                       count / 2 + 1, count - 1})
        expectFrame(k, "to and fro");
    EXPECT_FALSE(Copy(count)) << "past the end";
    EXPECT_FALSE(Copy(0xFFFFFFFFu)) << "far past the end";
    expectFrame(count - 1, "after asking past the end");
}

INSTANTIATE_TEST_SUITE_P(ShowClips, ClipFidelityTest,
                         // Motion JPEG at a fixed quantiser of 4 gave means of 37.48, 40.98,
                         // 37.86, 37.18 and 37.96 dB (worst frames 36.93, 39.98, 37.07, 36.74
                         // and 37.65 dB).
                         testing::Values(ClipFloor{"trailer3.avi", 36.48},
                                         ClipFloor{"kalf5.avi", 39.98},
                                         ClipFloor{"group6.avi", 36.86},
                                         ClipFloor{"vaan1.avi", 36.18},
                                         ClipFloor{"pendulaEIND.avi", 36.96}),
                         [](const testing::TestParamInfo<ClipFloor>& info) {
                             std::string name = info.param.name;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
