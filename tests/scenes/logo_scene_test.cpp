// The opening scene on data the tests make: the clip frame chosen from the music time, where
// the clip lies on the canvas, the titles multiplied over it, and Init's releases.
#include "fx/draw_settings.h"
#include "scenes/logo_scene.h"
#include "tests/scenes/scene_test.h"

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
        // The turn comes at 11.5 N / (N + 40); the last frame before 11.5 s is 40 short of N.
        const float turn = float(11.5 * n / (n + 40));
        EXPECT_NEAR(double(LogoScene::FrameAt(turn, n)), double(n), 1.0) << n;
        const float last = std::nextafter(11.5f, 0.0f);
        if (n >= 40) {
            EXPECT_NEAR(double(LogoScene::FrameAt(last, n)), double(n) - 40, 1.0) << n;
        }
        for (float m = 0.0f; m < 11.5f; m += 0.37f)
            EXPECT_EQ(LogoScene::FrameAt(m, n), ExpectedFrame(m, n)) << n << " at " << m;
    }
    // Worked out by hand for 250 frames: 5.0 x 290 / 11.5 = 126.09, 11.0 x 290 / 11.5 = 277.4,
    // which runs back to 500 - 277 = 223.
    EXPECT_EQ(LogoScene::FrameAt(5.0f, 250), 126u);
    EXPECT_EQ(LogoScene::FrameAt(11.0f, 250), 223u);
    // Frame N itself is shown as it is, not mirrored.
    const float atLast = float(250.0 / (290.0 * double(0.08695652f))) + 1e-5f;
    EXPECT_EQ(LogoScene::FrameAt(atLast, 250), 250u);
    // A time that is not a number picks no frame the clip has.
    EXPECT_GT(LogoScene::FrameAt(std::numeric_limits<float>::quiet_NaN(), 250), 250u);
}

class LogoSceneTest : public SceneTest {
protected:
    // The data folder: a numbered clip and two flat titles (or white ones).
    void WriteData(bool whiteTitles = false) {
        Clip("Data/trailer3.avi", 320, int(kFrames));
        Picture("Data/logo.jpg", whiteTitles ? 0xFFFFFF : 0xC86432);
        Picture("Data/logo2.jpg", whiteTitles ? 0xFFFFFF : 0x3264C8);
    }

    void RenderAt(LogoScene& scene, float seconds) {
        musicTime = seconds;
        EXPECT_EQ(scene.Render(0), 0);
        EXPECT_FALSE(drawSettings.multiplyBlend);
        ExpectBaseline();
        Present();
    }

    // The clip frame on screen under a white title: a grey g multiplied by itself shows as
    // g (2 - g), so the grey is read back through that before the bands are.
    int FrameUnderWhiteTitle() const {
        return ClipFrameOnScreen(320, [](int shown) {
            return int(std::lround((1 - std::sqrt(std::max(0.0, 1 - shown / 255.0))) * 255));
        });
    }
};

TEST_F(LogoSceneTest, ShowsTheFrameTheMusicTimePicksInTheMiddleOfTheCanvas) {
    WriteData(true);
    LogoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // By hand for 60 frames (100 / 11.5 = 8.7 a second): 2.0 s gives 17, 6.0 s gives 52,
    // 9.0 s gives 78, which runs back to 42, and 11.49 s 99, back to 21; 6.9 s gives 60, one past
    // the last frame, so nothing is copied and frame 52 stays.
    const struct {
        float music;
        int shown;
    } frames[] = {{0.0f, 0}, {2.0f, 17}, {6.0f, 52}, {6.9f, 52}, {9.0f, 42}, {11.49f, 21}};
    for (const auto& f : frames) {
        RenderAt(scene, f.music);
        EXPECT_EQ(FrameUnderWhiteTitle(), f.shown) << "at " << f.music;
    }
    // The 320 columns of the clip lie from canvas column 96, white on either side.
    RenderAt(scene, 0.0f);
    EXPECT_TRUE(ClipBeginsAtCanvasColumn96());
    EXPECT_TRUE(Near(At(40, 240), {255, 255, 255}));
    EXPECT_TRUE(Near(At(600, 240), {255, 255, 255}));
}

TEST_F(LogoSceneTest, TheTitleMultipliesInAndTheSecondTakesOverAtSevenAndAHalf) {
    WriteData();
    LogoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Beside the clip the canvas is white, so the title shows as it is.
    RenderAt(scene, std::nextafter(7.5f, 0.0f));
    EXPECT_TRUE(Near(At(40, 240), {0xC8, 0x64, 0x32}, 3));
    RenderAt(scene, 7.5f);
    EXPECT_TRUE(Near(At(40, 240), {0x32, 0x64, 0xC8}, 3));
    // At 8.3 s frame 72 runs back to 48, whose top band is the darkest grey, 24: the title
    // times the frame plus the frame times its own inverse, 24 x (title + 231) / 255.
    RenderAt(scene, 8.3f);
    EXPECT_TRUE(Near(At(320, 60), {26, 31, 41}, 4));
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
    ASSERT_TRUE(WriteClip(clip, AviCodec::Mjpeg, 320, 256, int(kFrames)));
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

TEST_F(LogoSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<LogoScene>(
        [this] { WriteData(); }, {"Data/trailer3.avi", "Data/logo.jpg", "Data/logo2.jpg"});
    ExpectReleasesWhatInitMade<LogoScene>([this] { WriteData(); });
}

} // namespace
