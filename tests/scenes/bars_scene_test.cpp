// The grid of boxes in front of a clip, on data the tests make: the boxes it writes, the clip
// frame the music time picks, and Init's releases.
#include "scenes/bars_scene.h"
#include "tests/scenes/scene_test.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

// Box k's scale at show clock t: 1 for the first, else from the vertices written before it
// and the place of the box before it, as the grid's rule has it.
double Scale(int k, double t) {
    if (k == 0) return 1.0;
    const int a = (k - 1) / 25, b = (k - 1) / 5 % 5, c = (k - 1) % 5;
    const double pulse = std::fabs(std::sin(std::sin(t * double(0.00093f)) + 24.0 * k) *
                                   std::sin(t * double(0.0013f) + a + b + c) * double(0.9f)) +
                         0.2;
    return std::min(pulse, 1.0);
}

TEST_F(BarsSceneTest, EachBoxIsPlacedScaledAndSwirledByTheGridsRule) {
    WriteData();
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const double t = 7777;
    RenderAt(scene, 40.0f, int32_t(t));
    // Boxes of odd and even place, in columns and rows away from 0 so that both swirls count;
    // corner 0 of each is (-0.5, -0.5, -0.5) of the box before scaling.
    for (int k : {25, 26, 31, 124}) {
        SCOPED_TRACE(k);
        const int a = k / 25, b = k / 5 % 5, c = k % 5;
        const double scale = Scale(k, t), sx = -0.5 * scale, sy = sx, sz = sx;
        const double parity = k % 2;
        const Vertex v = SharedVertex(k * kBoxVertices);
        EXPECT_NEAR(v.x, a - 2 + sx, 1e-6);
        EXPECT_NEAR(v.y, b - 2 + sy, 1e-6);
        EXPECT_NEAR(v.z, c - 2 + sz, 1e-6);
        const double u = a * std::cos(t * double(0.00023f) + a * a) +
                         double(0.3f) * std::sin(parity + sy + sx) * std::cos(sy * sz);
        const double w = b * std::sin(t * double(0.00033f) + b * b) +
                         double(0.3f) * std::sin(parity + sz + sy) * std::sin(sx * sz);
        EXPECT_NEAR(v.u, u, 1e-6);
        EXPECT_NEAR(v.v, w, 1e-6);
        // Each box's triangles are the box's own, offset by the vertices before it.
        EXPECT_EQ(SharedIndex(3 * kBoxTriangles * k), k * kBoxVertices + 0);
        EXPECT_EQ(SharedIndex(3 * kBoxTriangles * k + 1), k * kBoxVertices + 2);
    }
    // The first box is at full size: its faces lie where its neighbours' cells begin.
    const Extent first = BoxExtent(0);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_EQ(first.low[axis], -2.5f);
        EXPECT_EQ(first.high[axis], -1.5f);
    }
    const Vertex white = SharedVertex(1000);
    EXPECT_EQ(white.diffuse, 0xFFFFFFFFu);
    EXPECT_NEAR(white.nx * white.nx + white.ny * white.ny + white.nz * white.nz, 1.0, 1e-5);
}

TEST_F(BarsSceneTest, TheClipBehindTheGridSeenThroughASwingingFieldOfView) {
    WriteData();
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const double t = 7777;
    const std::vector<Draw> draws = Frame(scene, 40.0f, int32_t(t));
    ASSERT_EQ(draws.size(), 2u);
    // The canvas opaque behind everything, then the 125 boxes opaque, lit, culled.
    EXPECT_TRUE(draws[0].Opaque() && draws[0].vertices == 4);
    const Draw& grid = draws[1];
    EXPECT_TRUE(grid.Opaque());
    EXPECT_EQ(grid.indices, 125u * 36u);
    EXPECT_EQ(grid.State(D3DRS_CULLMODE), D3DCULL_CCW);
    EXPECT_EQ(grid.lightsOn, 1);
    EXPECT_EQ(grid.material.Diffuse.r, 0.2f);
    const double fieldOfView = 1.0471975803375244 + 0.8975979260035923 * std::sin(t * 0.00183);
    EXPECT_TRUE(SameMatrix(grid.projection, Perspective(fieldOfView), 2e-5));
    EXPECT_TRUE(
        SameMatrix(grid.view, LookingFrom(0, 0, -7 - 6 / std::tan(fieldOfView), -3, -1, 0), 2e-5));
    EXPECT_TRUE(SameMatrix(grid.world, Turned(t * double(0.0014435346f), t * double(0.00096575677f),
                                              t * double(0.0013456456f))));
}

TEST_F(BarsSceneTest, TheClipRunsThroughItsFirstHalfLessFortyEightFrames) {
    WriteData(200);
    BarsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // 200 frames: 52 frames over the scene's 11.3 s, 4.60 a second of music. At t = 0 the grid
    // stands right of the middle, so the left of the screen shows the clip, at canvas column 20.
    const struct {
        float music;
        int frame;
    } expected[] = {{34.4f, 0}, {36.0f, 7}, {40.0f, 25}, {44.0f, 44}, {45.69f, 51}};
    for (const auto& e : expected) {
        RenderAt(scene, e.music, 0);
        Present();
        EXPECT_EQ(ClipFrameOnScreen(60), e.frame) << "at " << e.music;
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
