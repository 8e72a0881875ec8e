// The wobbling ball on data the tests make: the vertices it writes, its three sections seen in
// pixels, and Init's refusals and releases.
#include "scenes/ball_scene.h"
#include "tests/scenes/scene_test.h"
#include "tests/support/mesh_files.h"

#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kBand = 0xC86428;
constexpr uint32_t kSurface = 0x282828;

// An octahedron of radius 40 (1 once loaded at scale 0.025), every face outward, and as a
// seventh vertex, used by no triangle, (0.3, 0.5, 0.7) once loaded: no coordinate of it is 0,
// so every term of the wobble counts there.
MeshFile Octahedron() {
    MeshFile file;
    file.Int(7)
        .Vertex(40, 0, 0)
        .Vertex(-40, 0, 0)
        .Vertex(0, 40, 0)
        .Vertex(0, -40, 0)
        .Vertex(0, 0, 40)
        .Vertex(0, 0, -40)
        .Vertex(12, 20, 28)
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

// Where the wobble puts (x, y, z) at phase s, as the ball's formula has it, each angle written
// as the fraction of 3.14159 (or the decimal) it is: a reference kept apart from the scene.
struct Wobbled {
    long double x, y, z;
};
Wobbled Wobble(long double x, long double y, long double z, long double s) {
    const long double k = 3.14159L;
    const long double w = float(s + z);
    return {x * (0.8L + 0.4L * std::sin((s + x) * k / 3)) + 0.2L * std::sin((y + z + s) * k / 12) +
                0.2L * y * std::sin((z - s) * 0.6041519452370844L),
            y * (0.9L + 0.3L * std::sin((s + z) * 0.3611023067672183L)) +
                0.2L * z * std::sin((x - s) * 0.11549962911326382L) +
                0.8L * std::sin((z - s) * k / 8),
            0.2L * x * std::sin((s + y - z) * 0.11990801177547507L) +
                z * (0.8L + 0.3L * std::sin((s + y) * 0.4363319560032939L)) +
                0.3L * std::cos(w * k / 13)};
}

class BallSceneTest : public SceneTest {
protected:
    void WriteData() {
        folder.Write("Data/ball.msh", Octahedron().bytes);
        Picture("Data/gejat1.jpg", 0x3050A0);
        Picture("Data/bot1.jpg", kSurface);
        Picture("Data/glintvat.jpg", kBand);
    }

    void ExpectWobbled(const Vertex& v, long double s) {
        const Wobbled w = Wobble(0.3L, 0.5L, 0.7L, s);
        EXPECT_NEAR(v.x, double(w.x), 1e-6);
        EXPECT_NEAR(v.y, double(w.y), 1e-6);
        EXPECT_NEAR(v.z, double(w.z), 1e-6);
        // The picture follows the undeformed position.
        EXPECT_FLOAT_EQ(v.u, 0.075f);
        EXPECT_FLOAT_EQ(v.v, 0.125f);
    }
};

TEST_F(BallSceneTest, WobblesEveryVertexByTheSinesOfItsPositionAndTheShowsClock) {
    WriteData();
    BallScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Before 23.2 s the phase is t / 600; from 23.2 s it runs twice as fast.
    Frame(scene, 20.0f, 5300);
    ExpectWobbled(SharedVertex(6), 5300 * (long double)0.0016666667f);
    EXPECT_EQ(SharedVertex(6).diffuse, 0x67676767u);
    EXPECT_EQ(SharedVertex(6).nx, 0.0f); // no triangle uses it
    Frame(scene, 25.0f, 5300);
    ExpectWobbled(SharedVertex(6), 5300 * (long double)0.0033333334f);
    EXPECT_EQ(SharedVertex(6).diffuse, 0xFFFFFFFFu);
    // Far into the clock the phase stays in double precision; only w is rounded to a float.
    Frame(scene, 30.0f, 1000003);
    ExpectWobbled(SharedVertex(6), 1000003 * (long double)0.0033333334f);

    // The triangles are copied as they are, and the used vertices get unit normals.
    EXPECT_EQ(SharedIndex(0), 0);
    EXPECT_EQ(SharedIndex(1), 2);
    EXPECT_EQ(SharedIndex(2), 4);
    for (int i = 0; i < 6; ++i) {
        const Vertex v = SharedVertex(i);
        EXPECT_NEAR(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz, 1.0, 1e-5) << i;
    }
}

TEST_F(BallSceneTest, EachSectionDrawsItsPassesThroughItsCamera) {
    WriteData();
    BallScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const double t = 5300;
    const double sway = 0.15000000596046448 * std::sin(t * 0.00043);

    // Before 23.2 s: four reflections added onto the frame, environment-mapped, both sides,
    // each turned a sway further about the view axis, then the band added at half intensity.
    std::vector<Draw> draws = Frame(scene, std::nextafter(23.2f, 0.0f), int32_t(t));
    ASSERT_EQ(draws.size(), 5u);
    for (int j = 0; j < 4; ++j) {
        SCOPED_TRACE(j);
        const Draw& echo = draws[size_t(j)];
        EXPECT_TRUE(echo.Adds() && echo.EnvironmentMapped());
        EXPECT_EQ(echo.State(D3DRS_CULLMODE), D3DCULL_NONE);
        EXPECT_EQ(echo.vertices, 6u); // the vertices the triangles reach
        EXPECT_TRUE(SameMatrix(echo.world, Turned(t * 0.0013, t * 0.00074, j * sway)));
        EXPECT_TRUE(SameMatrix(echo.view, LookingFrom(0, 0, -13, 0, 0, 0)));
        EXPECT_TRUE(SameMatrix(echo.projection, Perspective(3.14159265 / 4)));
        EXPECT_EQ(echo.lightsOn, 1);
        EXPECT_EQ(echo.light.Specular.g, 0.25f);
        EXPECT_EQ(echo.material.Specular.r, 1.5f);
        EXPECT_EQ(echo.material.Power, 24.0f);
    }
    EXPECT_TRUE(draws[4].Adds() && draws[4].vertices == 4);
    EXPECT_EQ(SharedVertex(0).diffuse, 0x80808080u); // the band at half intensity

    // From 23.2 s: the band first and opaque, then the ball opaque, lit and culled, the camera
    // pumping with the music time.
    const float pumping = 25.3f;
    draws = Frame(scene, pumping, int32_t(t));
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_TRUE(draws[0].Opaque() && draws[0].vertices == 4);
    EXPECT_TRUE(draws[1].Opaque() && !draws[1].EnvironmentMapped());
    EXPECT_EQ(draws[1].State(D3DRS_CULLMODE), D3DCULL_CCW);
    EXPECT_TRUE(SameMatrix(draws[1].world, Turned(t * 0.0013, t * 0.00074, sway)));
    EXPECT_TRUE(SameMatrix(draws[1].view,
                           LookingFrom(0, 0, 7 * std::sin(double(pumping) * 7.6) - 13, 0, 0, 0)));
    EXPECT_EQ(draws[1].light.Specular.r, 0.2f);

    // From 33 s: a faster spin, the eye swinging on the show's clock, a strong highlight.
    draws = Frame(scene, 33.0f, int32_t(t));
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_TRUE(SameMatrix(draws[1].world, Turned(t * 0.0033, t * 0.0074, t * 0.0063)));
    EXPECT_TRUE(SameMatrix(draws[1].view, LookingFrom(0, 0, std::sin(t * 0.0123) - 8.5, 0, 0, 0)));
    EXPECT_EQ(draws[1].light.Specular.r, 2.2f);
    EXPECT_EQ(draws[1].light.Specular.g, 2.25f);
    // Just before 33 s it was still the pumping camera.
    draws = Frame(scene, std::nextafter(33.0f, 0.0f), int32_t(t));
    EXPECT_EQ(draws[1].light.Specular.r, 0.2f);
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
