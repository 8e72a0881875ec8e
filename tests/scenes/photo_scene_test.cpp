// The photograph scene on data the tests make: the cube pushed onto the sphere as it drifts,
// its camera, turn and highlight, the seven layers behind it and their twist switched on by
// the music time, and Init's releases.
#include "scenes/photo_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>
#include <cstring>

namespace {

class PhotoSceneTest : public SceneTest {
protected:
    void WriteData() {
        Picture("Data/goodyokek.jpg", 0x80A0C0);
        // A white background with a black square near one corner, so that a turn of the
        // layers moves pixels.
        folder.Write("Data/pleksvriendin.jpg", MakeJpeg(64, 48, 3, [](int x, int y) {
                         const uint8_t level = x < 16 && y < 12 ? 0 : 255;
                         return Rgba{level, level, level, 255};
                     }));
    }

    const std::vector<uint32_t>& RenderAt(PhotoScene& scene, float music, int32_t milliseconds) {
        musicTime = music;
        EXPECT_EQ(scene.Render(milliseconds), 0);
        ExpectBaseline();
        return Present();
    }
};

TEST_F(PhotoSceneTest, TheCubeIsPushedOutOntoTheSphereAndNowhereInsideIt) {
    WriteData();
    PhotoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    Mesh cube;
    cube.CreateBox(24, 1.5f);
    // With no drift (t = 0) the corners, 1.3 from the centre, stay where they are; the face
    // middles, 0.75 away, go out to 0.85.
    RenderAt(scene, 120.0f, 0);
    int corners = 0;
    for (int i = 0; i < cube.vertexCount; ++i) {
        const float* p = cube.positions + 3 * i;
        const Vertex v = SharedVertex(i);
        const double base =
            std::sqrt(double(p[0]) * p[0] + double(p[1]) * p[1] + double(p[2]) * p[2]);
        if (base >= 0.85) {
            EXPECT_EQ(v.x, p[0]);
            EXPECT_EQ(v.y, p[1]);
            EXPECT_EQ(v.z, p[2]);
            corners +=
                std::fabs(p[0]) == 0.75f && std::fabs(p[1]) == 0.75f && std::fabs(p[2]) == 0.75f;
        } else {
            EXPECT_NEAR(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z), 0.85,
                        1e-6);
        }
        // Texture coordinates from the final position.
        EXPECT_FLOAT_EQ(v.u, float(std::cos(double(v.x) + v.y)));
        EXPECT_FLOAT_EQ(v.v, float(std::sin(double(v.y) + v.z)));
    }
    // Each corner belongs to three faces.
    EXPECT_EQ(corners, 24);
    // Drifting, the shape moves against the sphere; no vertex is ever drawn inside it.
    for (int32_t t : {240, 1234, 99999, 123457}) {
        RenderAt(scene, 130.0f, t);
        for (int i = 0; i < cube.vertexCount; ++i) {
            const Vertex v = SharedVertex(i);
            ASSERT_GE(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z),
                      0.85 - 1e-6)
                << i << " at " << t;
            EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
        }
    }
    cube.Release();
}

TEST_F(PhotoSceneTest, TheDriftingShapeItsTurnAndItsHighlight) {
    WriteData();
    PhotoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    Mesh cube;
    cube.CreateBox(24, 1.5f);
    // At 123 457 ms the shape has drifted by 0.4 sin(t f) on each axis; whatever then lies
    // nearer the centre than 0.85 goes out onto the sphere along its own direction.
    const double t = 123457;
    const double drift[3] = {0.4 * std::sin(t * 0.00654), 0.4 * std::sin(t * 0.00444),
                             0.4 * std::sin(t * 0.00334)};
    const std::vector<Draw> draws = Frame(scene, 130.0f, int32_t(t));
    int pushed = 0;
    for (int i = 0; i < cube.vertexCount; ++i) {
        double p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = cube.positions[3 * i + k] - drift[k];
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (length < 0.85) {
            for (double& c : p)
                c *= 0.85 / length;
            ++pushed;
        }
        const Vertex v = SharedVertex(i);
        ASSERT_NEAR(v.x, p[0], 1e-5) << i;
        ASSERT_NEAR(v.y, p[1], 1e-5) << i;
        ASSERT_NEAR(v.z, p[2], 1e-5) << i;
    }
    EXPECT_GT(pushed, 100);
    cube.Release();

    // Seven layers, then the shape: lit by one white light with a highlight of half its
    // strength on a fully specular material of power 24, turned by the clock about all three
    // axes, seen from 3.5 in front looking a little to its right.
    ASSERT_EQ(draws.size(), 8u);
    const Draw& shape = draws[7];
    EXPECT_EQ(shape.lightsOn, 1);
    const D3DCOLORVALUE full{1, 1, 1, 1}, half{0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(std::memcmp(&shape.material.Specular, &full, sizeof full), 0);
    EXPECT_EQ(shape.material.Power, 24.0f);
    EXPECT_EQ(std::memcmp(&shape.light.Specular, &half, sizeof half), 0);
    EXPECT_TRUE(SameMatrix(shape.world, Turned(t * 0.0015, t * 0.0018, t * 0.0011), 1e-4));
    EXPECT_TRUE(SameMatrix(shape.view, LookingFrom(0, 0, -3.5, 0.7, 0, 0)));
    EXPECT_EQ(shape.vertices, 3456u);
    EXPECT_EQ(shape.indices, 3u * 6348u);
}

TEST_F(PhotoSceneTest, SevenLayersAddUpToMostOfTheBackground) {
    WriteData();
    PhotoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // Each layer adds 0x23 of white, 35: 245 where all seven lie and the shape does not.
    const std::vector<Draw> draws = Frame(scene, 125.0f, 5000);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(draws[i].Adds()) << i;
    Present();
    EXPECT_TRUE(Near(At(520, 240), {245, 245, 245}, 1));
    EXPECT_TRUE(Near(At(520, 380), {245, 245, 245}, 1));
}

// The seven layers step towards the eye one after another: each draw's eye is nearer than the
// one before by -(sin(t x 0.00653) + 1) x 0.05, from 2.42 in front, at any clock.
TEST_F(PhotoSceneTest, TheLayersStepNearerTheEyeByTheClocksSwing) {
    WriteData();
    PhotoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    for (int32_t t : {0, 1000, 5000, 24055, 123457}) {
        const std::vector<Draw> draws = Frame(scene, 125.0f, t);
        ASSERT_EQ(draws.size(), 8u);
        const double step = -(std::sin(double(t) * 0.00653) + 1.0) * 0.05;
        ASSERT_LE(step, 0.0);
        for (int layer = 0; layer < 7; ++layer) {
            const double eye = -2.42 - (layer + 1) * step;
            EXPECT_TRUE(
                SameMatrix(draws[size_t(layer)].view, LookingFrom(0, 0, eye, 0, 0, 0), 1e-5))
                << "layer " << layer << " at " << t << " ms";
        }
    }
}

TEST_F(PhotoSceneTest, TheLayersTwistWithTheTickCountFromOneTwentySevenPointSix) {
    WriteData();
    PhotoScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // The same scene clock at two tick counts: without the twist the pictures are the same,
    // with it they differ.
    const auto differing = [&](float music) {
        host::SetVirtualTime(1000.0);
        const std::vector<uint32_t> first = RenderAt(scene, music, 5000);
        host::SetVirtualTime(1003.0);
        const std::vector<uint32_t> second = RenderAt(scene, music, 5000);
        int count = 0;
        for (size_t i = 0; i < first.size(); ++i)
            count += first[i] != second[i];
        return count;
    };
    EXPECT_EQ(differing(std::nextafter(127.6f, 0.0f)), 0);
    EXPECT_GT(differing(127.6f), 2000);
}

TEST_F(PhotoSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<PhotoScene>([this] { WriteData(); },
                                                 {"Data/goodyokek.jpg", "Data/pleksvriendin.jpg"});
    ExpectReleasesWhatInitMade<PhotoScene>([this] { WriteData(); });
}

} // namespace
