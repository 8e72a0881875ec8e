// The twisted tube in front of a clip played forward and backward, on data the tests make: the
// clip's runs through a whole scene span, the twist, and Init's releases.
#include "scenes/group_scene.h"
#include "tests/scenes/scene_test.h"

#include <cmath>

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

TEST_F(GroupSceneTest, TheClipRunsForwardAndBackOnAFiveSecondGrid) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const double rate = double(float(kFrames * double(0.2f)));
    // The runs start every five seconds from 45.7 s, each start the float sum of the one
    // before and 5.
    float runStart = 45.7f;
    bool backward = false;
    int shown = -1;
    int flips = 0;
    for (int n = 0;; ++n) {
        const float m = float(45.7 + n / 60.0);
        if (m >= 71.2f) break;
        const int onScreen = ShownAt(scene, m);
        const double into = (double(m) - double(runStart)) * rate;
        const int index = backward ? int(kFrames - into) : int(into);
        const bool ends = backward ? index <= 0 : index >= kFrames;
        // The frame that ends a run is one the clip does not have (or frame 0), so the
        // canvas keeps what it showed unless it is frame 0.
        if (index >= 0 && index < kFrames) shown = index;
        ASSERT_EQ(onScreen, shown) << "at " << m << (backward ? " backward" : " forward");
        if (ends) {
            backward = !backward;
            runStart += 5.0f;
            ++flips;
        }
        if (n == 0) {
            EXPECT_EQ(onScreen, 0);
        }
    }
    // 45.7 to 71.2 holds five whole runs and the start of a sixth.
    EXPECT_EQ(flips, 5);
    EXPECT_TRUE(backward);
}

TEST_F(GroupSceneTest, TheFlipAndTheCountDownAfterIt) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    EXPECT_EQ(ShownAt(scene, 45.7f), 0);
    EXPECT_EQ(ShownAt(scene, 48.2f), 125);
    // The last forward frame, then the flip at 50.7: index 250 is past the clip, so frame 249
    // stays; then the count down from the new start.
    const float lastForward = std::nextafter(50.7f, 0.0f);
    EXPECT_EQ(ShownAt(scene, lastForward), int((double(lastForward) - double(45.7f)) * 50.0));
    EXPECT_EQ(ShownAt(scene, 50.7f), int((double(lastForward) - double(45.7f)) * 50.0));
    EXPECT_EQ(ShownAt(scene, 51.7f), int(250 - (double(51.7f) - double(50.7f)) * 50.0));
    EXPECT_EQ(ShownAt(scene, 55.0f), int(250 - (double(55.0f) - double(50.7f)) * 50.0));
    // Back at 0 the direction turns forward again.
    EXPECT_EQ(ShownAt(scene, 55.7f), 0);
    EXPECT_EQ(ShownAt(scene, 56.7f), int((double(56.7f) - double(55.7f)) * 50.0));
}

TEST_F(GroupSceneTest, AnEarlierMusicTimePullsTheRunStartBack) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    EXPECT_EQ(ShownAt(scene, 47.0f), int((double(47.0f) - double(45.7f)) * 50.0));
    // Forward: a time before the run's start becomes its start, so the index is 0.
    EXPECT_EQ(ShownAt(scene, 45.0f), 0);
    EXPECT_EQ(ShownAt(scene, 46.0f), 50);
    // At 50.0 the forward run from 45.0 ends: index 250 is past the clip, so frame 50 stays,
    // and the backward run starts at 50.0, a second later at frame 200.
    EXPECT_EQ(ShownAt(scene, 50.0f), 50);
    EXPECT_EQ(ShownAt(scene, 51.0f), 200);
    // Backward: a time before the run's start gives index 250 again, and the count starts
    // over from that time.
    EXPECT_EQ(ShownAt(scene, 49.5f), 200);
    EXPECT_EQ(ShownAt(scene, 50.0f), 225);
}

TEST_F(GroupSceneTest, TheTwistTurnsEachVertexAboutTheTubesAxis) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    Mesh tube;
    tube.CreateTube(50, 50, 1.0f, 5.2f);
    for (int32_t t : {0, 12345, 987654}) {
        musicTime = 60.0f;
        scene.Render(t);
        ExpectBaseline();
        double largest = 0;
        for (int i = 0; i < tube.vertexCount; ++i) {
            const Vertex v = SharedVertex(i);
            const float* p = tube.positions + 3 * i;
            // A turn about y: the height stays and the distance from the axis is kept.
            EXPECT_EQ(v.y, p[1]);
            EXPECT_NEAR(std::hypot(v.x, v.z), std::hypot(p[0], p[2]), 2e-6) << i;
            largest = std::max(largest, std::fabs(double(v.x) - p[0]));
            EXPECT_EQ(v.u, tube.texCoords[2 * i]);
            EXPECT_EQ(v.v, tube.texCoords[2 * i + 1]);
        }
        EXPECT_GT(largest, 0.1) << "the tube is twisted";
    }
    // At t = 0 the angle at height y is 3.14159 x (sin(y x 0.2618) + cos(0.4 y x 0.2417) +
    // sin(0.6 y x -0.1653)); vertex 0 lies on the lowest ring, y = -5.2, at (0, 1) in x, z.
    scene.Render(0);
    const double y = tube.positions[1];
    const double angle = 3.14159 * std::sin(y * 0.26179916666666664) +
                         3.14159 * std::cos(0.4 * y * 0.24166076923076923) +
                         3.14159 * std::sin(0.6 * y * -0.16534684210526315);
    const double s = float(std::sin(angle)), c = std::cos(angle);
    const Vertex first = SharedVertex(0);
    EXPECT_EQ(first.x, float(s * tube.positions[0] - c * tube.positions[2]));
    EXPECT_EQ(first.z, float(c * tube.positions[0] + s * tube.positions[2]));
    tube.Release();
}

TEST_F(GroupSceneTest, TheCameraBouncesOnlyAfterFiftySeven) {
    WriteData();
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    // The same twist at three music times: at 57 exactly the picture is that of any time
    // before; just after 57 the eye has moved.
    musicTime = 56.0f;
    scene.Render(1000);
    const std::vector<uint32_t> before = Present();
    musicTime = 57.0f;
    scene.Render(1000);
    const std::vector<uint32_t> at = Present();
    musicTime = 57.05f;
    scene.Render(1000);
    const std::vector<uint32_t> after = Present();
    // Only the tube's half of the screen: the clip differs with the music time.
    int differentAt = 0, differentAfter = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 360; x < 640; ++x) {
            differentAt += before[size_t(y) * 640 + size_t(x)] != at[size_t(y) * 640 + size_t(x)];
            differentAfter +=
                before[size_t(y) * 640 + size_t(x)] != after[size_t(y) * 640 + size_t(x)];
        }
    EXPECT_EQ(differentAt, 0);
    EXPECT_GT(differentAfter, 1000);
}

TEST_F(GroupSceneTest, InitFailsCleanlyAtEachFile) {
    ExpectInitFailsCleanlyAtEachFile<GroupScene>(
        [this] { WriteData(); }, {"Data/group6.avi", "Data/gejat1.jpg", "Data/1.jpg"});
    ExpectReleasesWhatInitMade<GroupScene>([this] { WriteData(); });
}

} // namespace
