// The wobbling ball on data the tests make: the vertices it writes, its three sections seen in
// pixels, and Init's refusals and releases.
#include "scenes/ball_scene.h"
#include "tests/scenes/scene_test.h"
#include "tests/support/mesh_files.h"

#include <cmath>

namespace {

constexpr uint32_t kBand = 0xC86428;
constexpr uint32_t kSurface = 0x282828;

// An octahedron of radius 40 (1 once loaded at scale 0.025), every face outward, and its
// centre as a seventh vertex that no triangle uses.
MeshFile Octahedron() {
    MeshFile file;
    file.Int(7)
        .Vertex(40, 0, 0)
        .Vertex(-40, 0, 0)
        .Vertex(0, 40, 0)
        .Vertex(0, -40, 0)
        .Vertex(0, 0, 40)
        .Vertex(0, 0, -40)
        .Vertex(0, 0, 0)
        .Int(8);
    for (int sx = 0; sx < 2; ++sx)
        for (int sy = 0; sy < 2; ++sy)
            for (int sz = 0; sz < 2; ++sz) {
                // Clockwise on screen from outside: the order turns with each negative axis.
                const int x = sx, y = 2 + sy, z = 4 + sz;
                if ((sx + sy + sz) % 2 == 0) {
                    file.Triangle(x, y, z);
                } else {
                    file.Triangle(x, z, y);
                }
            }
    return file;
}

class BallSceneTest : public SceneTest {
protected:
    void WriteData() {
        folder.Write("Data/ball.msh", Octahedron().bytes);
        Picture("Data/gejat1.jpg", 0x3050A0);
        Picture("Data/bot1.jpg", kSurface);
        Picture("Data/glintvat.jpg", kBand);
    }

    void RenderAt(BallScene& scene, float music, int32_t milliseconds) {
        musicTime = music;
        EXPECT_EQ(scene.Render(milliseconds), 0);
        ExpectBaseline();
    }
};

TEST_F(BallSceneTest, WobblesEveryVertexByTheSinesOfItsPositionAndTheShowsClock) {
    WriteData();
    BallScene scene;
    ASSERT_EQ(scene.Init(), 0);

    // At t = 0 the phase is 0: the centre moves only by 0.3 x cos(0) along z, and (0, 0, 1)
    // by sines of its z alone.
    RenderAt(scene, 30.0f, 0);
    const Vertex centre = SharedVertex(6);
    EXPECT_EQ(centre.x, 0.0f);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, float(0.3));
    EXPECT_EQ(centre.nx, 0.0f); // no triangle uses it
    EXPECT_EQ(centre.diffuse, 0xFFFFFFFFu);
    const Vertex east = SharedVertex(0);
    // 0.8 + 0.4 sin(pi / 3 as written) along x; y stays; z = 0.3 cos(0).
    EXPECT_EQ(east.x, float(0.8 + 0.4 * std::sin(1.0471966666666666)));
    EXPECT_EQ(east.y, 0.0f);
    EXPECT_EQ(east.z, float(0.3));
    EXPECT_EQ(east.u, 0.25f);
    EXPECT_EQ(east.v, 0.0f);
    const Vertex north = SharedVertex(2);
    EXPECT_EQ(north.x, float(0.2 * std::sin(0.26179916666666664)));
    EXPECT_EQ(north.y, float(0.9));
    EXPECT_EQ(north.v, 0.25f);

    // Before 23.2 s the phase is t x 0.0016666667 (a float); at t = 300 it is just over 0.5.
    // Vertex 4, (0, 0, 1), lies beyond the four the band overwrites at the end of the frame.
    RenderAt(scene, 20.0f, 300);
    const double s = 300 * double(0.0016666667f);
    const Vertex front = SharedVertex(4);
    EXPECT_EQ(front.x, float(0.2 * std::sin((1 + s) * 0.26179916666666664)));
    EXPECT_EQ(front.y, float(0.2 * std::sin(-s * 0.11549962911326382) +
                             0.8 * std::sin((1 - s) * 0.39269875)));
    // w = s + z rounded to a float before its cosine.
    EXPECT_EQ(front.z, float((0.8 + 0.3 * std::sin(s * 0.4363319560032939)) +
                             0.3 * std::cos(double(float(s + 1)) * 0.24166076923076923)));
    EXPECT_EQ(front.diffuse, 0x67676767u);
    EXPECT_EQ(SharedVertex(6).diffuse, 0x67676767u);

    // From 23.2 s the phase runs twice as fast: t = 150 gives the same phase as t = 300 did.
    RenderAt(scene, 25.0f, 150);
    const Vertex twice = SharedVertex(4);
    EXPECT_FLOAT_EQ(twice.x, front.x);
    EXPECT_FLOAT_EQ(twice.y, front.y);
    EXPECT_FLOAT_EQ(twice.z, front.z);

    // Far into the clock the phase is large: it stays in double precision, while w is
    // rounded to a float (an error of up to 6e-5 here) before its cosine.
    RenderAt(scene, 30.0f, 1000003);
    const double late = 1000003 * double(0.0033333334f);
    const Vertex lateCentre = SharedVertex(6);
    EXPECT_EQ(lateCentre.x, float(0.2 * std::sin(late * 0.26179916666666664)));
    EXPECT_EQ(lateCentre.y, float(0.8 * std::sin(-late * 0.39269875)));
    EXPECT_EQ(lateCentre.z, float(0.3 * std::cos(double(float(late)) * 0.24166076923076923)));
    EXPECT_NE(lateCentre.z, float(0.3 * std::cos(late * 0.24166076923076923)));

    // The triangles are copied as they are, and the used vertices get unit normals.
    EXPECT_EQ(SharedIndex(0), 0);
    EXPECT_EQ(SharedIndex(1), 2);
    EXPECT_EQ(SharedIndex(2), 4);
    for (int i = 0; i < 6; ++i) {
        const Vertex v = SharedVertex(i);
        EXPECT_NEAR(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz, 1.0, 1e-5) << i;
    }
}

TEST_F(BallSceneTest, TheSectionsChangeAtTwentyThreePointTwoAndThirtyThree) {
    WriteData();
    BallScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const Pixel band{0xC8, 0x64, 0x28};

    // Before 23.2 s the band is added at half intensity over black; nothing above it.
    RenderAt(scene, std::nextafter(23.2f, 0.0f), 0);
    Present();
    EXPECT_TRUE(Near(At(20, 240), {band.r * 128 / 255, band.g * 128 / 255, band.b * 128 / 255}, 3));
    EXPECT_TRUE(Near(At(20, 40), {0, 0, 0}, 0));

    // From 23.2 s it is the opaque background behind the ball.
    RenderAt(scene, 23.2f, 0);
    Present();
    EXPECT_TRUE(Near(At(20, 240), band, 3));
    EXPECT_TRUE(Near(At(20, 40), {0, 0, 0}, 0));
    const Pixel pumping = At(320, 240);
    EXPECT_FALSE(Near(pumping, band, 20)) << "the ball stands in front of the band";

    // From 33 s the highlight is far stronger: the middle of the ball, facing the light and
    // the camera, goes white.
    RenderAt(scene, std::nextafter(33.0f, 0.0f), 0);
    Present();
    const Pixel beforeSpin = At(320, 240);
    RenderAt(scene, 33.0f, 0);
    Present();
    const Pixel spinning = At(320, 240);
    EXPECT_GT(spinning.g, beforeSpin.g + 60) << beforeSpin.g << " then " << spinning.g;
}

TEST_F(BallSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<BallScene>(
        [this] { WriteData(); },
        {"Data/ball.msh", "Data/gejat1.jpg", "Data/bot1.jpg", "Data/glintvat.jpg"});
    ExpectReleasesWhatInitMade<BallScene>([this] { WriteData(); });
}

TEST_F(BallSceneTest, RefusesABallTooLargeForSixteenBitCounts) {
    WriteData();
    const auto initWith = [this](int32_t vertices, int32_t triangles) {
        MeshFile file;
        file.Int(vertices);
        for (int32_t i = 0; i < vertices; ++i)
            file.Vertex(float(i % 7), float(i % 5), float(i % 3));
        file.Int(triangles);
        for (int32_t i = 0; i < triangles; ++i)
            file.Triangle(0, 1, 2);
        folder.Write("Data/ball.msh", file.bytes);
        host::test::StartTrace();
        BallScene scene;
        const int32_t result = scene.Init();
        // A refused ball loads no picture.
        if (result < 0) {
            EXPECT_EQ(TraceCount("CreateTexture"), 0);
        }
        return result;
    };
    EXPECT_EQ(initWith(40000, 1), -1);
    EXPECT_EQ(initWith(32768, 1), -1);
    EXPECT_EQ(initWith(3, 32768), -1);
    EXPECT_EQ(initWith(32767, 32767), 0);
}

} // namespace
