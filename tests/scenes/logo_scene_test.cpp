// The opening scene on data the tests make: the clip frame chosen from the music time, the
// titles, and Init's releases on every way it can fail.
#include "fx/draw_settings.h"
#include "scenes/logo_scene.h"
#include "scenes/music_time.h"
#include "tests/support/draw_test.h"
#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"
#include "tests/support/video_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace {

constexpr uint32_t kFrames = 60;

// The index by the rule, worked out here: M x ((N + 40) x the float nearest 1/11.5), in
// double precision, truncated; past N it runs back from 2N.
uint32_t ExpectedFrame(float seconds, uint32_t n) {
    const double product = double(seconds) * (double(n + 40) * double(0.08695652f));
    const uint32_t f = uint32_t(int32_t(std::trunc(product)));
    return f > n ? 2 * n - f : f;
}

TEST(LogoSceneFrame, RunsForwardToTheLastFrameThenBack) {
    for (uint32_t n : {1u, 60u, 250u, 1000u}) {
        EXPECT_EQ(LogoScene::FrameAt(0.0f, n), 0u);
        // The turn comes at 11.5 N / (N + 40).
        const float turn = float(11.5 * n / (n + 40));
        EXPECT_EQ(LogoScene::FrameAt(turn, n), ExpectedFrame(turn, n)) << n;
        EXPECT_NEAR(double(LogoScene::FrameAt(turn, n)), double(n), 1.0) << n;
        const float last = std::nextafter(11.5f, 0.0f);
        EXPECT_EQ(LogoScene::FrameAt(last, n), ExpectedFrame(last, n)) << n;
        if (n >= 40) {
            EXPECT_NEAR(double(LogoScene::FrameAt(last, n)), double(n) - 40, 1.0) << n;
        }
        for (float m = 0.0f; m < 11.5f; m += 0.37f)
            EXPECT_EQ(LogoScene::FrameAt(m, n), ExpectedFrame(m, n)) << n << " at " << m;
    }
    // Frame N itself is shown as it is, not mirrored.
    const float atLast = float(250.0 / (290.0 * double(0.08695652f))) + 1e-5f;
    EXPECT_EQ(LogoScene::FrameAt(atLast, 250), 250u);
    // A time that is not a number picks no frame the clip has.
    EXPECT_GT(LogoScene::FrameAt(std::numeric_limits<float>::quiet_NaN(), 250), 250u);
}

class LogoSceneTest : public DrawTest {
protected:
    static constexpr uint32_t kTitle = 0xFFC86432, kSecondTitle = 0xFF3264C8;

    // The data folder: a numbered clip and two flat titles (or white ones).
    void WriteData(bool whiteTitles = false) {
        folder.Write("Data/placeholder", std::string());
        ASSERT_TRUE(WriteClip(folder.Root() + "/Data/trailer3.avi", ClipCodec::RawBgr24, 320, 256,
                              int(kFrames)));
        const auto flat = [](uint32_t c) {
            return [c](int, int) {
                return Rgba{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
            };
        };
        folder.Write("Data/logo.jpg", MakeJpeg(64, 64, 3, flat(whiteTitles ? 0xFFFFFFFF : kTitle)));
        folder.Write("data/LOGO2.jpg",
                     MakeJpeg(64, 64, 3, flat(whiteTitles ? 0xFFFFFFFF : kSecondTitle)));
    }

    void RenderAt(LogoScene& scene, float seconds) {
        musicTime = seconds;
        EXPECT_EQ(scene.Render(0), 0);
        EXPECT_FALSE(drawSettings.multiplyBlend);
        ExpectBaseline();
        Present();
    }

    // The clip frame on screen, read from its four grey bands through the white title:
    // a grey g shows as g (2 - g).
    int FrameOnScreen() {
        int frame = 0;
        for (int band = 0; band < 4; ++band) {
            const double shown = At(320, 60 + 120 * band).g / 255.0;
            const int grey = int(std::lround((1 - std::sqrt(std::max(0.0, 1 - shown))) * 255));
            int best = -1, distance = 999;
            for (int bits = 0; bits < 4; ++bits) {
                const int d = std::abs(grey - BandLevel(bits << (2 * band), band));
                if (d < distance) best = bits, distance = d;
            }
            if (distance > 12) return -1;
            frame |= best << (2 * band);
        }
        return frame;
    }

    TestFolder folder;
};

TEST_F(LogoSceneTest, ShowsTheFrameTheMusicTimePicks) {
    WriteData(true);
    LogoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    int shown = -1;
    for (float m : {0.0f, 2.0f, 6.0f, float(11.5 * kFrames / (kFrames + 40)), 9.0f,
                    std::nextafter(11.5f, 0.0f)}) {
        RenderAt(scene, m);
        // Index N is one past the last frame: nothing is copied and the last picture stays.
        const uint32_t expected = ExpectedFrame(m, kFrames);
        if (expected < kFrames) shown = int(expected);
        EXPECT_EQ(FrameOnScreen(), shown) << "at " << m;
    }
    EXPECT_EQ(ExpectedFrame(float(11.5 * kFrames / (kFrames + 40)), kFrames), kFrames);
    // Beside the clip the canvas stays white.
    EXPECT_TRUE(Near(At(40, 240), {255, 255, 255}));
}

TEST_F(LogoSceneTest, TheSecondTitleTakesOverAtExactlySevenAndAHalf) {
    WriteData();
    LogoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Beside the clip the canvas is white, so the title shows as it is.
    RenderAt(scene, std::nextafter(7.5f, 0.0f));
    EXPECT_TRUE(Near(At(40, 240), {0xC8, 0x64, 0x32}, 3));
    RenderAt(scene, 7.5f);
    EXPECT_TRUE(Near(At(40, 240), {0x32, 0x64, 0xC8}, 3));
}

TEST_F(LogoSceneTest, FramesThatFailToDecodeLeaveTheWhiteCanvasUnderTheTitle) {
    WriteData();
    LogoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    host::test::FailCall("AVIStreamGetFrame");
    RenderAt(scene, 3.0f);
    // Title x white + white x (1 - white): the title alone, in the clip's place too.
    EXPECT_TRUE(Near(At(320, 240), {0xC8, 0x64, 0x32}, 3));
    EXPECT_TRUE(Near(At(40, 240), {0xC8, 0x64, 0x32}, 3));
}

TEST_F(LogoSceneTest, ATruncatedClipSaysWhatIsWrongOnceNotEveryFrame) {
    // 60 MJPEG frames, cut in the middle of the file: the frames past the cut cannot be had.
    WriteData(true);
    const std::string clip = folder.Root() + "/Data/trailer3.avi";
    ASSERT_TRUE(WriteClip(clip, ClipCodec::Mjpeg, 320, 256, int(kFrames)));
    std::filesystem::resize_file(clip, std::filesystem::file_size(clip) / 2);
    testing::internal::CaptureStderr();
    {
        LogoScene scene;
        ASSERT_EQ(scene.Init(), 0);
        for (int frame = 0; frame < 690; frame += 3) {
            musicTime = float(frame / 60.0);
            scene.Render(0);
            Present();
        }
    }
    const std::string said = testing::internal::GetCapturedStderr();
    const long lines = std::count(said.begin(), said.end(), '\n');
    EXPECT_LE(lines, 3) << said;
}

struct MissingFile {
    const char* file;
    int texturesMade;
};

void PrintTo(const MissingFile& missing, std::ostream* out) {
    *out << missing.file;
}

class LogoSceneInitTest : public LogoSceneTest, public testing::WithParamInterface<MissingFile> {};

TEST_P(LogoSceneInitTest, FailsReleasingWhatItMadeOnce) {
    WriteData();
    std::remove((folder.Root() + "/" + GetParam().file).c_str());
    host::test::StartTrace();
    {
        LogoScene scene;
        EXPECT_EQ(scene.Init(), -1);
        // What Init made is already gone when it returns.
        EXPECT_EQ(TraceCount("CreateTexture"), TraceCount("IDirect3DTexture8 destroyed"));
    }
    // Destroying the scene released nothing twice; the clip object was freed.
    EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"), TraceCount("CreateTexture"));
    EXPECT_GE(TraceCount("CreateTexture"), GetParam().texturesMade);
}

INSTANTIATE_TEST_SUITE_P(EachFile, LogoSceneInitTest,
                         testing::Values(MissingFile{"Data/trailer3.avi", 0},
                                         MissingFile{"Data/logo.jpg", 1},
                                         MissingFile{"data/LOGO2.jpg", 3}),
                         [](const testing::TestParamInfo<MissingFile>& info) {
                             std::string name = info.param.file;
                             return name.substr(5, name.find('.') - 5);
                         });

TEST_F(LogoSceneTest, ASceneNeverInitialisedReleasesNothing) {
    host::test::StartTrace();
    { LogoScene scene; }
    EXPECT_TRUE(host::test::Trace().empty());
}

TEST_F(LogoSceneTest, AWholeInitReleasesAllThreeTexturesOnce) {
    WriteData();
    host::test::StartTrace();
    {
        LogoScene scene;
        ASSERT_EQ(scene.Init(), 0);
    }
    EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"), TraceCount("CreateTexture"));
}

} // namespace
