// The twisted tube in front of a clip played forward and backward, on data the tests make: the
// clip's runs at times worked out by hand, the twist, the two passes and the camera, and
// Init's releases.
#include "scenes/group_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>
#include <vector>

namespace {

// 250 frames: one run of five seconds moves 50 frames a second, so a run that started late
// by one frame of the show (1/60 s) would show nearly a whole clip frame off.
constexpr int kFrames = 250;

class GroupSceneTest : public SceneTest {
protected:
    void WriteData() {
        Clip("Data/group6.avi", 64, kFrames);
        Picture("Data/gejat1.jpg", 0x204060);
        Picture("Data/1.jpg", 0xA08060);
    }

    // Draws the frame at `music` and reads the clip frame back from the left of the screen,
    // which the tube (right of the middle) never covers.
    int ShownAt(GroupScene& scene, float music, int32_t milliseconds = 0) {
        musicTime = music;
        EXPECT_EQ(scene.Render(milliseconds), 0);
        Present();
        return ClipFrameOnScreen(40);
    }
};

TEST_F(GroupSceneTest, TheClipsRunsFollowTheirFiveSecondGrid) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // 250 frames, 50 a second of music. Worked out by hand at times off any frame grid: a run
    // that ends shows a frame the clip does not have, so the canvas keeps the picture before.
    const struct {
        float music;
        int shown;
    } frames[] = {
        {45.7f, 0},    // forward from the scene's start
        {47.33f, 81},  // 1.63 s in
        {50.75f, 81},  // 5.05 s in: index 252, the run ends; backward from 50.7
        {52.0f, 185},  // 250 - 1.3 s x 50 (a run restarted at 50.75 would show 187)
        {55.72f, 185}, // index -1: the run ends; forward from 55.7
        {56.43f, 36},  // 0.73 s in
        {60.71f, 36},  // index 250: the run ends; backward from 60.7
        {63.01f, 134}, // 250 - 2.31 s x 50
        {60.0f, 134},  // earlier than the run's start: it starts now, at index 250
        {61.0f, 200},  // 250 - 1 s x 50
    };
    for (const auto& f : frames)
        EXPECT_EQ(ShownAt(scene, f.music), f.shown) << "at " << f.music;
}

// Where the twist turns (x, y, z) at show clock t: three waves along the height, each angle
// a fraction of 3.14159 as the tube's rule writes it.
void Twisted(double x, double y, double z, double t, double& tx, double& tz) {
    const double k = 3.14159;
    const double a = float(t * double(0.0054f)), b = float(t * double(0.0033f));
    const double c = t * double(0.0053f);
    const double angle = k * std::sin((y - a) * k / 12) + k * std::cos((0.4 * y + b) * k / 13) +
                         k * std::sin((0.6 * y + c) * -0.16534684210526315);
    tx = std::sin(angle) * x - std::cos(angle) * z;
    tz = std::cos(angle) * x + std::sin(angle) * z;
}

TEST_F(GroupSceneTest, TheTwistTurnsEachVertexAboutTheTubesAxis) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    Mesh tube;
    tube.CreateTube(50, 50, 1.0f, 5.2f);
    Frame(scene, 60.0f, 12345);
    // Vertices on rings below, near and above the middle, round the tube.
    for (int i : {3, 617, 1234, 1288, 2222, 2499}) {
        SCOPED_TRACE(i);
        const float* p = tube.positions + 3 * i;
        double x = 0, z = 0;
        Twisted(p[0], p[1], p[2], 12345, x, z);
        const Vertex v = SharedVertex(i);
        EXPECT_NEAR(v.x, x, 2e-6);
        EXPECT_EQ(v.y, p[1]);
        EXPECT_NEAR(v.z, z, 2e-6);
        EXPECT_EQ(v.u, tube.texCoords[2 * i]);
        EXPECT_EQ(v.v, tube.texCoords[2 * i + 1]);
        EXPECT_EQ(v.diffuse, 0xFFFFFFFFu);
    }
    tube.Release();
}

TEST_F(GroupSceneTest, TheTubeAndItsReflectionThroughABouncingCamera) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // The canvas behind, the tube opaque on both sides, then the reflection added onto it.
    std::vector<Draw> draws = Frame(scene, 57.0f, 1000);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_TRUE(draws[0].Opaque() && draws[0].vertices == 4);
    EXPECT_TRUE(draws[1].Opaque() && !draws[1].EnvironmentMapped());
    EXPECT_TRUE(draws[2].Adds() && draws[2].EnvironmentMapped());
    for (const Draw* tube : {&draws[1], &draws[2]}) {
        EXPECT_EQ(tube->State(D3DRS_CULLMODE), D3DCULL_NONE);
        EXPECT_FALSE(tube->State(D3DRS_LIGHTING));
        EXPECT_EQ(tube->vertices, 2500u);
        EXPECT_TRUE(SameMatrix(tube->world, Turned(0, 0, 0)));
        EXPECT_TRUE(SameMatrix(tube->projection, Perspective(3.14159265 / 4)));
        // Up to 57 s exactly the eye stays; it looks left of the tube's axis.
        EXPECT_TRUE(SameMatrix(tube->view, LookingFrom(0, 0, -11, -2.5, 0, 0)));
    }
    // After 57 s the eye bounces between -15 and -7.
    const float bouncing = 58.3f;
    draws = Frame(scene, bouncing, 1000);
    EXPECT_TRUE(
        SameMatrix(draws[1].view,
                   LookingFrom(0, 0, 4 * std::sin((double(bouncing) - 57) * 17) - 11, -2.5, 0, 0)));
}

TEST_F(GroupSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<GroupScene>(
        [this] { WriteData(); }, {"Data/group6.avi", "Data/gejat1.jpg", "Data/1.jpg"});
    ExpectReleasesWhatInitMade<GroupScene>([this] { WriteData(); });
}

} // namespace
