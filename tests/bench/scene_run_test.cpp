// The benchmarks' checks on a scene that remembers its past (the tube's clip runs): the frames a
// benchmark times must be the frames it checked, and a plain program drawing anything else is
// caught on every one of them.
#include "bench/bench_device.h"
#include "bench/scene_run.h"
#include "gfx/shared_device.h"
#include "scenes/music_time.h"
#include "scenes/schedule.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

namespace {

class SceneRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(SHOW_BUILD_DIR), 0);
        ASSERT_TRUE(device.ready);
    }
    void TearDown() override { ASSERT_EQ(chdir(previous), 0); }

    char previous[4096];
    BenchDevice device;
    const std::vector<double> times = FrameTimes(60.0, 6);
};

TEST_F(SceneRunTest, PlayedUpToItsSpanASceneDrawsTheCheckedFramesAgain) {
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const SceneFrame frame = FrameOf(scene);
    PlayUpTo(device.renderer, frame, StartOf<GroupScene>(), times.front());
    const RecordedFrames recorded = RecordFrames(device.renderer, frame, times);
    ASSERT_EQ(recorded.replay.frames.size(), times.size());
    std::string why;
    Replay replay = recorded.replay;
    BareRenderer bare(replay);
    ASSERT_TRUE(bare.Ready());
    EXPECT_TRUE(AllSame(CheckBare(bare, recorded), why)) << why;
    device.renderer.EndFrame();
    EXPECT_TRUE(AllSame(CheckShow(device.renderer, frame, times, recorded), why)) << why;

    // The clip's frames on the plain program's side are its own decoding of the clip, found
    // where the show put them; a frame decoded a few places out of step is caught.
    int clipFrames = 0;
    for (const ReplayFrame& f : replay.frames)
        for (const ReplayUpload& upload : f.uploads)
            clipFrames += upload.clipFrame.clip >= 0 && upload.clipFrame.columns > 0;
    EXPECT_GT(clipFrames, 0);
    for (ReplayFrame& f : replay.frames)
        for (ReplayUpload& upload : f.uploads)
            upload.clipFrame.position += 5;
    EXPECT_FALSE(AllSame(CheckBare(bare, recorded), why));
    device.renderer.EndFrame();
    for (ReplayFrame& f : replay.frames)
        for (ReplayUpload& upload : f.uploads)
            upload.clipFrame.position -= 5;

    // The plain program drawing its frames one place out of step is caught.
    RecordedFrames shifted = recorded;
    std::rotate(shifted.pictures.begin(), shifted.pictures.begin() + 1, shifted.pictures.end());
    EXPECT_FALSE(AllSame(CheckBare(bare, shifted), why));
    device.renderer.EndFrame();

    // The scene's recorded calls, made again through the device from where the record began,
    // draw its frames, the clip's included; out of step, or without what the scene wrote into
    // the clip's canvas, they are caught.
    EXPECT_TRUE(AllSame(CheckReplay(*sharedDevice, recorded), why)) << why;
    EXPECT_FALSE(AllSame(CheckReplay(*sharedDevice, shifted), why));
    RecordedFrames unwritten = recorded;
    size_t writes = 0;
    for (auto& calls : unwritten.calls.frames)
        for (D3DCall& call : calls)
            if (call.kind == D3DCall::TextureWrite && !call.bytes.empty())
                call.bytes.assign(call.bytes.size(), 0), ++writes;
    EXPECT_GT(writes, 0u);
    EXPECT_FALSE(AllSame(CheckReplay(*sharedDevice, unwritten), why));
    device.renderer.EndFrame();
}

TEST_F(SceneRunTest, AFrameCheckedBeforeTheSceneSettledIsNotTheFrameTimed) {
    // Without playing up to 60 s, the clip's runs take two frames to catch up with the music:
    // the first frames show the white canvas, and drawing them again shows the clip.
    GroupScene scene;
    ASSERT_EQ(scene.Init(), 0);
    const SceneFrame frame = FrameOf(scene);
    const RecordedFrames recorded = RecordFrames(device.renderer, frame, times);
    std::string why;
    EXPECT_FALSE(AllSame(CheckShow(device.renderer, frame, times, recorded), why));
    EXPECT_EQ(why.substr(0, 8), "frame 0:") << why;
}

} // namespace
