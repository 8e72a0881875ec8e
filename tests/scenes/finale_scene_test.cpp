// The finale on data the tests make: two clips of different lengths each stretched to 11.3 s,
// the switch between them, the fading closing picture, and Init's releases.
#include "scenes/finale_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>

namespace {

constexpr int kFirstFrames = 150, kSecondFrames = 100;

class FinaleSceneTest : public SceneTest {
protected:
    void WriteData() {
        Clip("Data/vaan1.avi", 64, kFirstFrames);
        Clip("Data/pendulaEIND.avi", 64, kSecondFrames);
        // White, so the closing picture shows the level itself.
        Picture("Data/hwzykpa.jpg", 0xFFFFFF);
    }

    void RenderAt(FinaleScene& scene, float music) {
        musicTime = music;
        EXPECT_EQ(scene.Render(0), 0);
        ExpectBaseline();
        Present();
    }

    // The clip frame at canvas column 96 on; which clip it is from can be told by the frame
    // numbers only together with the time.
    int Shown() const { return ClipFrameOnScreen(160); }
};

TEST_F(FinaleSceneTest, BothClipsStretchedToElevenPointThreeSecondsThenTheFade) {
    WriteData();
    FinaleScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Frame n of a clip of N frames that began at `from`: N x (1 / 11.3 as a float) x the
    // seconds since, truncated.
    const auto frameOf = [](int frames, float from, float m) {
        return int(double(frames) * double(0.088495575f) * (double(m) - double(from)));
    };
    bool second = false;
    int switches = 0, lastSecond = -1;
    for (int n = 0;; ++n) {
        const float m = float(141.6 + n / 60.0);
        if (m >= 164.2f) break;
        RenderAt(scene, m);
        const int first = frameOf(kFirstFrames, 141.6f, m);
        if (!second && first >= kFirstFrames) second = true, ++switches;
        const int expected = second ? frameOf(kSecondFrames, 152.90001f, m) : first;
        ASSERT_EQ(Shown(), expected) << "at " << m << (second ? " (second clip)" : "");
        if (second) lastSecond = expected;
        if (n == 0) {
            EXPECT_EQ(Shown(), 0);
        }
    }
    EXPECT_EQ(switches, 1);
    // Just before 164.2 the second clip has reached its last frame.
    EXPECT_EQ(lastSecond, kSecondFrames - 1);
    // The canvas around the clip stays white.
    EXPECT_TRUE(Near(At(60, 240), {255, 255, 255}, 1));

    // The switch never goes back, even if the music did: at 145 s the second clip's index is
    // negative, a frame it does not have, so its last picture stays (the first clip would
    // show frame 45).
    RenderAt(scene, 145.0f);
    EXPECT_EQ(Shown(), kSecondFrames - 1);

    // The closing picture: level 255 at 164.2, falling by 9 a second, 13 just before 191.
    RenderAt(scene, 164.2f);
    EXPECT_TRUE(Near(At(320, 240), {255, 255, 255}, 1));
    RenderAt(scene, 174.2f);
    EXPECT_TRUE(Near(At(320, 240), {165, 165, 165}, 1));
    RenderAt(scene, std::nextafter(191.0f, 0.0f));
    EXPECT_TRUE(Near(At(320, 240), {13, 13, 13}, 1));
}

TEST_F(FinaleSceneTest, NoClipFrameIsDecodedOnceTheClosingPictureShows) {
    WriteData();
    FinaleScene scene;
    ASSERT_EQ(scene.Init(), 0);
    host::test::StartTrace();
    RenderAt(scene, 150.0f);
    EXPECT_EQ(TraceCount("AVIStreamGetFrame"), 1);
    host::test::StartTrace();
    RenderAt(scene, 164.2f);
    RenderAt(scene, 170.0f);
    EXPECT_EQ(TraceCount("AVIStreamGetFrame"), 0);
    // The picture alone, over the whole screen: (255 - 5.8 x 9) of white.
    EXPECT_TRUE(Near(At(160, 240), {202, 202, 202}, 1));
    EXPECT_TRUE(Near(At(600, 20), {202, 202, 202}, 1));
}

TEST_F(FinaleSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<FinaleScene>(
        [this] { WriteData(); }, {"Data/vaan1.avi", "Data/pendulaEIND.avi", "Data/hwzykpa.jpg"});
    ExpectReleasesWhatInitMade<FinaleScene>([this] { WriteData(); });
}

} // namespace
