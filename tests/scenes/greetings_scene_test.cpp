// The tunnel of greetings on data the tests make: the grid of the first frame worked out by
// hand, a late frame on the scene's own clock worked out another way, the greeting windows read
// back from pixels, and Init's releases.
#include "scenes/greetings_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>

namespace {

// One colour per greeting; the tunnel picture is black, so only a greeting lights the middle.
constexpr uint32_t kGreetingColours[8] = {0x100000, 0x200000, 0x300000, 0x400000,
                                          0x500000, 0x600000, 0x700000, 0x800000};

class GreetingsSceneTest : public SceneTest {
protected:
    void WriteData() {
        Picture("Data/retro.jpg", 0x000000);
        for (int k = 0; k < 8; ++k)
            Picture("Data/greet" + std::to_string(k + 1) + ".jpg", kGreetingColours[k]);
    }

    // The greeting shown at `music`: 1 to 8 from the red level in the middle, 0 for none.
    int GreetingAt(GreetingsScene& scene, float music) {
        musicTime = music;
        EXPECT_EQ(scene.Render(0), 0);
        ExpectBaseline();
        Present();
        const Pixel middle = At(320, 240);
        if (middle.r < 8) return 0;
        return (middle.r + 8) / 16;
    }

    // The grey level the ray of grid vertex (row, column) gives with no sway and no bulge:
    // the ray (dx, dy, 1) normalised meets the cylinder of radius 4 after D = 4 / sqrt(a),
    // a being its squared distance from the axis, and the level is 896 / D.
    static int UnswayedGrey(int row, int column) {
        const double dx = (column + 0.0001 - 20) * 0.010416667;
        const double dy = (row + 0.0001 - 15) * 0.010416667;
        const double a = (dx * dx + dy * dy) / (dx * dx + dy * dy + 1);
        return int(224 * std::sqrt(a));
    }
};

TEST_F(GreetingsSceneTest, TheFirstFrameOfTheTunnelByHand) {
    WriteData();
    GreetingsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // The first frame: the scene clock is 0, so nothing sways, bulges or scrolls.
    musicTime = 80.0f;
    scene.Render(123456);
    // The corner ray (-0.2083, -0.1562, 1) meets the wall at depth 15.9: level 56.
    EXPECT_EQ(UnswayedGrey(0, 0), 56);
    for (int row : {0, 7, 15, 30})
        for (int column : {0, 13, 20, 40}) {
            const Vertex v = SharedVertex(41 * row + column);
            EXPECT_EQ(v.diffuse, uint32_t(UnswayedGrey(row, column)) * 0x01010101u)
                << row << ", " << column;
            EXPECT_EQ(v.x, float(column * 0.048 - 0.95));
            EXPECT_EQ(v.y, float(row * 0.064 - 0.95));
            EXPECT_EQ(v.z, 1.0f);
            EXPECT_EQ(v.nz, -1.0f);
        }
    // The middle ray runs almost along the axis: it meets the wall far off, dark.
    EXPECT_EQ(SharedVertex(41 * 15 + 20).diffuse, 0u);
    // Rays at angle 0 and pi round the axis (row 15, either side) fold to v = 0 and v = pi / 8.
    EXPECT_NEAR(SharedVertex(41 * 15 + 40).v, 0.0, 1e-4);
    EXPECT_NEAR(SharedVertex(41 * 15 + 0).v, 3.14159265 * 0.3926991, 1e-4);
    // No level above 224; the 2400 triangles of each cell wind the same way.
    for (int i = 0; i < 1271; ++i)
        ASSERT_LE(SharedVertex(i).diffuse & 0xFF, 224u) << i;
    const uint16_t firstCell[6] = {42, 1, 0, 0, 41, 42};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(SharedIndex(i), firstCell[i]);
    // The last cell's second triangle: (o, o + 41, o + 42) with o = 41 x 29 + 39.
    EXPECT_EQ(SharedIndex(3 * 2399), 41 * 29 + 39);
    EXPECT_EQ(SharedIndex(3 * 2399 + 2), 41 * 29 + 39 + 42);
}

TEST_F(GreetingsSceneTest, LateOnItsOwnClockTheMiddleBulgesAndTheLayersTwist) {
    WriteData();
    host::SetVirtualTime(100.0);
    GreetingsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // The clock starts with the first frame, not with Init; the driver's argument plays no
    // part.
    host::SetVirtualTime(500.0);
    Frame(scene, 80.0f, 0);
    host::SetVirtualTime(513.0);
    const std::vector<Draw> draws = Frame(scene, 80.0f, -777);

    // t = 13 000 ms. The bulge, -2 cos(2.08) = 0.98, is under its ceiling of 1.2; the rays
    // are turned about x, y and z by the sway angles, then normalised; the wall is met at
    // 4 / sqrt(a), a being the squared distance from the axis.
    const double t = 13000;
    const double bulge = -2 * std::cos(t * 0.00016);
    const Matrix sway = Turned(0.2 * std::sin(t * 0.00053), 0.3 * std::sin(t * 0.0004354),
                               0.2 * std::sin(t * 0.000543534));
    for (const auto& [row, column] : {std::pair{3, 5}, {20, 20}, {25, 33}, {0, 40}, {15, 8}}) {
        const double fromBulge = std::hypot(row - 20.0, column - 20.0);
        const double ray[3] = {(column + 0.0001 - 20) * 0.010416667,
                               (row + 0.0001 - 15) * 0.010416667,
                               1 + bulge * 0.1 * (10 - fromBulge)};
        double d[3];
        for (int c = 0; c < 3; ++c)
            d[c] = ray[0] * sway.m[0][c] + ray[1] * sway.m[1][c] + ray[2] * sway.m[2][c];
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double a = (d[0] * d[0] + d[1] * d[1]) / (length * length);
        const double depth = 4 / std::sqrt(a);
        const Vertex v = SharedVertex(41 * row + column);
        EXPECT_NEAR(double(v.diffuse & 0xFF), std::trunc(896 / depth), 1.0)
            << row << ", " << column;
        EXPECT_NEAR(v.u, depth * d[2] / length * 0.02 + t * 0.00093, 1e-3) << row << ", " << column;
    }

    // Four layers of the tunnel, each 0.1 further back and turned about z by its number times
    // the twist, 0.8 cos(1.69) sin(2.99) = 0.014; no greeting at 80 s.
    const double twist = -0.8 * std::cos(t * 0.00013) * std::sin(t * 0.00023);
    ASSERT_EQ(draws.size(), 4u);
    for (int m = 0; m < 4; ++m) {
        SCOPED_TRACE(m);
        EXPECT_TRUE(draws[m].Adds());
        EXPECT_TRUE(SameMatrix(draws[m].world, Turned(0, 0, m * twist)));
        EXPECT_TRUE(SameMatrix(draws[m].view, LookingFrom(0, 0, -2 - 0.1 * m, 0, 0, 0.5)));
        EXPECT_TRUE(SameMatrix(draws[m].projection, Perspective(3.14159265358979 / 4)));
    }
}

TEST_F(GreetingsSceneTest, EachGreetingShowsInItsWindowOfMusicTime) {
    WriteData();
    GreetingsScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const float starts[9] = {88.2f, 93.7f, 96.4f, 99.2f, 102.0f, 104.8f, 107.6f, 110.4f, 113.1f};
    EXPECT_EQ(GreetingAt(scene, 71.2f), 0);
    EXPECT_EQ(GreetingAt(scene, std::nextafter(88.2f, 0.0f)), 0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(GreetingAt(scene, starts[k]), k + 1) << "from " << starts[k];
        EXPECT_EQ(GreetingAt(scene, (starts[k] + starts[k + 1]) / 2), k + 1);
        EXPECT_EQ(GreetingAt(scene, std::nextafter(starts[k + 1], 0.0f)), k + 1)
            << "until " << starts[k + 1];
    }
    EXPECT_EQ(GreetingAt(scene, 113.1f), 0);
    EXPECT_EQ(GreetingAt(scene, std::nextafter(116.2f, 0.0f)), 0);
    // The picture is a band across the middle: above it only the black tunnel.
    GreetingAt(scene, 90.0f);
    EXPECT_TRUE(Near(At(320, 60), {0, 0, 0}, 0));
}

TEST_F(GreetingsSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<GreetingsScene>(
        [this] { WriteData(); },
        {"Data/retro.jpg", "Data/greet1.jpg", "Data/greet4.jpg", "Data/greet8.jpg"});
    ExpectReleasesWhatInitMade<GreetingsScene>([this] { WriteData(); });
    // The clock a frame made goes with the scene, whether or not Init succeeded.
    GreetingsScene drawn;
    ASSERT_EQ(drawn.Init(), 0);
    drawn.Render(0);
}

} // namespace
