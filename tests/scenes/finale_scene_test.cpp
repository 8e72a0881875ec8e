// The finale on data the tests make: two clips of different lengths each stretched to 11.3 s,
// the switch between them, the fading closing picture, and Init's releases.
#include "platform/d3d8/device_queries.h"
#include "scenes/finale_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>
#include <vector>

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
    // Worked out by hand: the first clip's 150 frames over 11.3 s from 141.6 (13.27 a second),
    // the second's 100 from 152.9 (8.85 a second), at times off any frame grid.
    const struct {
        float music;
        int shown;
    } frames[] = {
        {141.6f, 0},    {145.03f, 45}, // 3.43 s into the first clip
        {152.88f, 149},                // its last frame
        {152.93f, 0},                  // index 150 is past it: the second clip from now on
        {158.37f, 48},  {164.19f, 99}, // its last frame just before the closing picture
        {145.0f, 99},                  // never back: the second clip has no frame -70
    };
    for (const auto& f : frames) {
        RenderAt(scene, f.music);
        EXPECT_EQ(Shown(), f.shown) << "at " << f.music;
    }
    // The canvas around the clip stays white; the clip lies from column 96.
    EXPECT_TRUE(Near(At(60, 240), {255, 255, 255}, 1));
    RenderAt(scene, 158.37f);
    EXPECT_TRUE(ClipBeginsAtCanvasColumn96());

    // The closing picture: level 255 at 164.2, falling by 9 a second, 13 just before 191.
    RenderAt(scene, 164.2f);
    EXPECT_TRUE(Near(At(320, 240), {255, 255, 255}, 1));
    RenderAt(scene, 170.03f);
    EXPECT_TRUE(Near(At(320, 240), {202, 202, 202}, 1));
    RenderAt(scene, std::nextafter(191.0f, 0.0f));
    EXPECT_TRUE(Near(At(320, 240), {13, 13, 13}, 1));
}

// The canvas itself, texel for texel: each clip's frame lies from column 96 and row 0, as wide
// and high as the clip, over white. The second clip is as wide as the room the canvas leaves
// it (416 columns), so that it is cut nowhere and reaches the canvas's right edge.
TEST_F(FinaleSceneTest, EachClipLiesOnTheCanvasFromColumn96OverWhite) {
    Clip("Data/vaan1.avi", 64, kFirstFrames);
    Clip("Data/pendulaEIND.avi", 416, kSecondFrames);
    Picture("Data/hwzykpa.jpg", 0xFFFFFF);
    FinaleScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Frames worked out by hand as in the test above.
    const struct {
        float music;
        int width, frame;
    } shown[] = {{145.03f, 64, 45}, {152.93f, 416, 0}, {158.37f, 416, 48}};
    for (const auto& s : shown) {
        const std::vector<Draw> draws = Frame(scene, s.music, 0);
        ASSERT_EQ(draws.size(), 1u);
        const std::vector<uint32_t> canvas = DeviceQueries::ReadBackLevel0(
            static_cast<IDirect3DTexture8*>(const_cast<void*>(draws[0].texture)));
        ASSERT_EQ(canvas.size(), 512u * 256u);
        int wrong = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 512; ++x) {
                // A raw clip's frame k is grey band by band, a quarter of its 256 rows each.
                const bool inClip = x >= 96 && x < 96 + s.width;
                const uint32_t expected =
                    inClip ? 0xFF000000u | BandLevel(s.frame, y / 64) * 0x010101u : 0xFFFFFFFFu;
                if (canvas[size_t(y) * 512 + size_t(x)] != expected && wrong++ == 0)
                    firstX = x, firstY = y;
            }
        EXPECT_EQ(wrong, 0) << "at " << s.music << ", first at column " << firstX << ", row "
                            << firstY;
    }
}

TEST_F(FinaleSceneTest, TheClipIsAddedOverTheScreenAndTheClosingPictureCoversIt) {
    WriteData();
    FinaleScene scene;
    ASSERT_EQ(scene.Init(), 0);
    std::vector<Draw> draws = Frame(scene, 150.0f, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].Adds() && draws[0].vertices == 4);
    draws = Frame(scene, 170.03f, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].Opaque());
    EXPECT_EQ(SharedVertex(0).diffuse, 202u * 0x01010101u);
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
