// The full-screen picture draws, read back from the presented frame.
#include "fx/draw_geometry.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/draw_test.h"

#include <cmath>

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

class ScreenQuadTest : public DrawTest {
protected:
    // Quadrants: red top left, green top right, blue bottom left, white bottom right.
    const Texture& Quadrants() {
        return MakeTexture(64, 64, [](int x, int y) {
            return y < 32 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kWhite);
        });
    }
};

TEST_F(ScreenQuadTest, CoversTheWindowUprightInsideAOnePixelBorder) {
    DrawScreenQuad(Quadrants(), false, 0xFFFFFFFF, 1.0f, 1.0f);
    ExpectBaseline();
    Present();
    EXPECT_TRUE(Near(At(10, 10), {255, 0, 0}));
    EXPECT_TRUE(Near(At(630, 10), {0, 255, 0}));
    EXPECT_TRUE(Near(At(10, 470), {0, 0, 255}));
    EXPECT_TRUE(Near(At(630, 470), {255, 255, 255}));
    // The view is 0.24 % wider and taller than the rectangle: its edges fall at x 0.77 and
    // 639.23, y 0.57 and 479.43. With pixel centres on whole numbers the first column and row
    // stay clear and the last ones are covered, where wrap addressing blends in the opposite
    // edge of the texture.
    EXPECT_TRUE(Near(At(0, 240), {0, 0, 0}));
    EXPECT_TRUE(Near(At(320, 0), {0, 0, 0}));
    EXPECT_GT(At(1, 1).r, 100);
    EXPECT_GT(At(639, 240).g, 100);
    EXPECT_GT(At(320, 479).b, 100);
    EXPECT_GT(At(639, 479).r + At(639, 479).g + At(639, 479).b, 300);
}

TEST_F(ScreenQuadTest, UMaxTwoRepeatsAndColourMultiplies) {
    DrawScreenQuad(Quadrants(), false, 0xFF808080, 1.0f, 2.0f);
    Present();
    EXPECT_TRUE(Near(At(80, 100), {128, 0, 0}));
    EXPECT_TRUE(Near(At(240, 100), {0, 128, 0}));
    EXPECT_TRUE(Near(At(400, 100), {128, 0, 0}));
    EXPECT_TRUE(Near(At(560, 380), {128, 128, 128}));
}

TEST_F(ScreenQuadTest, AdditiveTwiceDoublesAndWritesNoDepth) {
    const Texture& colour = SolidTexture(0xFF3C4650); // (60, 70, 80)
    DrawScreenQuad(colour, true, 0xFFFFFFFF, 1.0f, 1.0f);
    DrawScreenQuad(colour, true, 0xFFFFFFFF, 1.0f, 1.0f);
    ExpectBaseline();
    // A triangle behind the rectangle still shows: the rectangle left the depth buffer alone.
    LockSharedVertices();
    LockSharedIndices();
    SharedVertices[0] = Vertex{-1, -1, 3, 0, 0, 0, 0xFF0000FF, 0, 0};
    SharedVertices[1] = Vertex{0, 1, 3, 0, 0, 0, 0xFF0000FF, 0, 0};
    SharedVertices[2] = Vertex{1, -1, 3, 0, 0, 0, 0xFF0000FF, 0, 0};
    SharedIndices[0] = 0, SharedIndices[1] = 1, SharedIndices[2] = 2;
    UnlockSharedIndices();
    UnlockSharedVertices();
    Camera camera;
    camera.eye.z = -1.42f;
    ResetDrawSettings();
    drawSettings.blend = true;
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 3, 3 / 3);
    Present();
    EXPECT_TRUE(Near(At(50, 50), {120, 140, 160}));
    EXPECT_TRUE(Near(At(320, 300), {120, 140, 255}));
}

TEST_F(ScreenQuadTest, MultiplyBlendMixesWithTheDestination) {
    DrawScreenQuad(SolidTexture(0xFFC08040), false, 0xFFFFFFFF, 1.0f, 1.0f); // D = (192,128,64)
    drawSettings.multiplyBlend = true;
    DrawScreenQuad(SolidTexture(0xFF4080FF), true, 0xFFFFFFFF, 1.0f, 1.0f); // S = (64,128,255)
    ExpectBaseline();
    Present();
    // S x D + D x (1 - D), per channel in 0..1.
    const auto mix = [](double s, double d) {
        s /= 255, d /= 255;
        return int(std::lround((s * d + d * (1 - d)) * 255));
    };
    EXPECT_TRUE(Near(At(300, 200), {mix(64, 192), mix(128, 128), mix(255, 64)}));
}

TEST_F(ScreenQuadTest, WideQuadIsABandAcrossTheMiddle) {
    DrawWideQuad(SolidTexture(0xFFFFFFFF), false, 0xFFFFFFFF, 1.0f, 1.0f);
    ExpectBaseline();
    Present();
    // 98.5 % of 640 and 49.3 % of 480, centred: columns 5 to 634, rows 122 to 357.
    EXPECT_TRUE(Near(At(320, 240), {255, 255, 255}));
    EXPECT_TRUE(Near(At(6, 240), {255, 255, 255}));
    EXPECT_TRUE(Near(At(633, 240), {255, 255, 255}));
    EXPECT_TRUE(Near(At(3, 240), {0, 0, 0}));
    EXPECT_TRUE(Near(At(636, 240), {0, 0, 0}));
    EXPECT_TRUE(Near(At(320, 124), {255, 255, 255}));
    EXPECT_TRUE(Near(At(320, 355), {255, 255, 255}));
    EXPECT_TRUE(Near(At(320, 119), {0, 0, 0}));
    EXPECT_TRUE(Near(At(320, 360), {0, 0, 0}));
}

TEST_F(ScreenQuadTest, TunnelWithStepZeroStacksSevenUnturnedCopies) {
    DrawQuadTunnel(SolidTexture(0xFF0A0A0A), true, 0xFFFFFFFF, 1.0f, 1.0f, 0.0f, false);
    ExpectBaseline();
    Present();
    // All seven from 3.42 away: the central 70.6 % holds seven times the colour, even in the
    // corners, so no copy turned.
    EXPECT_TRUE(Near(At(320, 240), {70, 70, 70}));
    EXPECT_TRUE(Near(At(97, 73), {70, 70, 70}));
    EXPECT_TRUE(Near(At(542, 406), {70, 70, 70}));
    EXPECT_TRUE(Near(At(90, 240), {0, 0, 0}));
}

TEST_F(ScreenQuadTest, TunnelSwayTurnsEachCopyFurther) {
    host::SetVirtualTime(3.0); // sin(3000 x 0.00053) is close to 1
    DrawQuadTunnel(SolidTexture(0xFF0A0A0A), true, 0xFFFFFFFF, 1.0f, 1.0f, 0.0f, true);
    Present();
    EXPECT_TRUE(Near(At(320, 240), {70, 70, 70}));
    // Copy 0 stays square; the turned ones leave its corner.
    EXPECT_LT(At(97, 73).r, 60);
    EXPECT_GE(At(97, 73).r, 8);
}

TEST_F(ScreenQuadTest, TunnelSwayTakesTheTickCountAsItIs) {
    // Eleven hours in, the tick count 40000123 is no float, and its product with 0.00053 must
    // come from the decimal as written: a float on either side turns the copies by tenths of a
    // radian more or less. The last copy (i = 6) leaves its turn in the world transform.
    host::SetVirtualTime(40000.1235);
    DrawQuadTunnel(SolidTexture(0xFF0A0A0A), true, 0xFFFFFFFF, 1.0f, 1.0f, 0.0f, true);
    D3DMATRIX world;
    ASSERT_EQ(DeviceQueries::GetTransform(sharedDevice, D3DTS_WORLD, &world), D3D_OK);
    const float turn = float(std::sin(40000123.0 * 0.00053) * 0.1 * 6);
    EXPECT_FLOAT_EQ(world._12, float(std::sin(double(turn))));
    EXPECT_FLOAT_EQ(world._11, float(std::cos(double(turn))));
}

TEST_F(ScreenQuadTest, TunnelStepMovesEachCopyBack) {
    DrawQuadTunnel(SolidTexture(0xFF0A0A0A), true, 0xFFFFFFFF, 1.0f, 1.0f, 1.0f, false);
    Present();
    // Copies from 4.42 to 10.42 away, each smaller: the centre has all seven, the edge of the
    // first only one.
    EXPECT_TRUE(Near(At(320, 240), {70, 70, 70}));
    EXPECT_TRUE(Near(At(160, 240), {10, 10, 10}));
    EXPECT_TRUE(Near(At(120, 240), {0, 0, 0}));
}

} // namespace
