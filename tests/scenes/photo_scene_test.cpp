// The photograph scene on data the tests make: the cube pushed onto the sphere, the layers'
// twist switched on by the music time, and Init's releases.
#include "scenes/photo_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>

namespace {

class PhotoSceneTest : public SceneTest {
protected:
    void WriteData() {
        Picture("Data/goodyokek.jpg", 0x80A0C0);
        // A background with a bright square near one corner, so that a turn of the layers
        // moves pixels.
        folder.Write("Data/pleksvriendin.jpg", MakeJpeg(64, 48, 3, [](int x, int y) {
                         const uint8_t level = x < 16 && y < 12 ? 255 : 40;
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
