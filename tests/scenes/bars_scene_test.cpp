// The grid of boxes in front of a clip, on data the tests make: the boxes it writes, the clip
// frame the music time picks, and Init's releases.
#include "scenes/bars_scene.h"
#include "tests/scenes/scene_test.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBoxVertices = 24, kBoxTriangles = 12;

struct Extent {
    float low[3] = {1e9f, 1e9f, 1e9f};
    float high[3] = {-1e9f, -1e9f, -1e9f};
};

class BarsSceneTest : public SceneTest {
protected:
    void WriteData(int clipFrames = 200) {
        Clip("Data/kalf5.avi", 64, clipFrames);
        Picture("Data/paarsebalken.jpg", 0x8040C0);
    }

    void RenderAt(BarsScene& scene, float music, int32_t milliseconds) {
        musicTime = music;
        EXPECT_EQ(scene.Render(milliseconds), 0);
        ExpectBaseline();
    }

    // The corners box k was written with.
    static Extent BoxExtent(int k) {
        Extent e;
        for (int i = 0; i < kBoxVertices; ++i) {
            const Vertex v = SharedVertex(k * kBoxVertices + i);
            const float p[3] = {v.x, v.y, v.z};
            for (int c = 0; c < 3; ++c) {
                e.low[c] = std::min(e.low[c], p[c]);
                e.high[c] = std::max(e.high[c], p[c]);
            }
        }
        return e;
    }
};

TEST_F(BarsSceneTest, OneHundredAndTwentyFivePulsingBoxesOnAGridOfSpacingOne) {
    WriteData();
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    for (int32_t t : {0, 7777, 123456}) {
        SCOPED_TRACE(t);
        RenderAt(scene, 40.0f, t);
        for (int k = 0; k < 125; ++k) {
            const int a = k / 25, b = k / 5 % 5, c = k % 5;
            const float centre[3] = {float(a - 2), float(b - 2), float(c - 2)};
            const Extent e = BoxExtent(k);
            const float scale = e.high[0] - e.low[0];
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(e.high[axis] - e.low[axis], scale, 1e-5) << k;
                EXPECT_NEAR((e.high[axis] + e.low[axis]) * 0.5f, centre[axis], 1e-5) << k;
            }
            if (k == 0) {
                // The first box is at full size: its faces lie where its neighbours' cells
                // begin, so full-size boxes touch.
                for (int axis = 0; axis < 3; ++axis) {
                    EXPECT_EQ(e.low[axis], -2.5f);
                    EXPECT_EQ(e.high[axis], -1.5f);
                }
            } else {
                EXPECT_GE(scale, 0.2f - 1e-6f) << k;
                EXPECT_LE(scale, 1.0f) << k;
            }
            // Each box's triangles are the box's own, offset by the vertices before it.
            EXPECT_EQ(SharedIndex(3 * kBoxTriangles * k), k * kBoxVertices + 0);
            EXPECT_EQ(SharedIndex(3 * kBoxTriangles * k + 1), k * kBoxVertices + 2);
            EXPECT_EQ(SharedIndex(3 * kBoxTriangles * k + 2), k * kBoxVertices + 1);
        }
    }
    // At t = 0 the chain is easy by hand: the scale after box 0 is |sin(0 + 24) x sin(0 + 0)
    // x 0.9| + 0.2, exactly 0.2; after box 1 (layer c = 1, 48 vertices written) it is
    // |sin(48) x sin(1) x 0.9| + 0.2.
    RenderAt(scene, 40.0f, 0);
    Extent e = BoxExtent(1);
    // (Read back from corners two apart, so within the rounding of the positions.)
    EXPECT_NEAR(e.high[0] - e.low[0], 0.2, 1e-6);
    e = BoxExtent(2);
    EXPECT_NEAR(e.high[0] - e.low[0],
                std::fabs(std::sin(48.0) * std::sin(1.0) * double(0.9f)) + 0.2, 1e-6);
    // Every vertex is white with a normal of unit length.
    for (int i = 0; i < 125 * kBoxVertices; i += 37) {
        const Vertex v = SharedVertex(i);
        EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
        EXPECT_NEAR(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz, 1.0, 1e-5);
    }
}

TEST_F(BarsSceneTest, TheClipRunsThroughItsFirstHalfLessFortyEightFrames) {
    WriteData(200);
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // 200 frames: L = 52 frames over the scene's 11.3 s. At t = 0 the grid stands right of the
    // middle, so the left of the screen shows the clip, at canvas column 20 and on.
    const double perSecond = 52 * double(0.088495575f);
    for (float m : {34.4f, 36.0f, 40.0f, 44.0f, std::nextafter(45.7f, 0.0f)}) {
        RenderAt(scene, m, 0);
        Present();
        const int expected = int((double(m) - double(34.4f)) * perSecond);
        EXPECT_EQ(ClipFrameOnScreen(60), expected) << "at " << m;
    }
    // Beside the clip the canvas stays white.
    EXPECT_TRUE(Near(At(10, 240), {255, 255, 255}, 1));
    EXPECT_TRUE(Near(At(200, 240), {255, 255, 255}, 1));
}

TEST_F(BarsSceneTest, AClipTooShortForTheRuleStaysOnItsFirstFrame) {
    // Under 96 frames the count would wrap round; the scene shows frame 0 throughout.
    EXPECT_EQ(BarsScene::FrameAt(40.0f, 95), 0u);
    EXPECT_EQ(BarsScene::FrameAt(45.0f, 1), 0u);
    EXPECT_EQ(BarsScene::FrameAt(45.0f, 96), 0u);
    WriteData(50);
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    for (float m : {34.4f, 40.0f, 45.6f}) {
        RenderAt(scene, m, 0);
        Present();
        EXPECT_EQ(ClipFrameOnScreen(60), 0) << "at " << m;
    }
}

TEST_F(BarsSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<BarsScene>([this] { WriteData(); },
                                                {"Data/kalf5.avi", "Data/paarsebalken.jpg"});
    ExpectReleasesWhatInitMade<BarsScene>([this] { WriteData(); });
    // The canvas refused by the device.
    WriteData();
    host::test::FailCall("CreateTexture");
    BarsScene scene;
    EXPECT_EQ(scene.Init(), -1);
}

} // namespace
