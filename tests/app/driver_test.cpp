// The driver run off screen, start to end: failures at each stage of start-up, the frame loop on
// the virtual music clock, and each way a run ends.
#include "app/driver.h"
#include "platform/bass/bass.h"
#include "tests/app/fake_scenes.h"
#include "tests/support/audio_files.h"
#include "tests/support/off_screen_test.h"
#include "tests/support/test_folder.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char kTitle[] = "brokwel 11 | glintVAT | dwm2001";

// 192 s of mono 22050 Hz: long enough to reach the end, quick to encode and decode, and every
// tenth of a second is a whole number of samples.
const std::vector<uint8_t>& ShowLengthMusic() {
    static const std::vector<uint8_t> music = ToneMp3(22050, 1, 192.0);
    return music;
}

int SceneIndex(const std::string& name) {
    const auto& names = FakeSceneNames();
    return int(std::find(names.begin(), names.end(), name) - names.begin());
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::test::Reset();
        ResetFakeScenes();
        host::UseOffScreen([this](const host::Frame&) { OnPresent(); });
        host::test::StartTrace();
    }
    void TearDown() override {
        host::test::Reset();
        host::UseOffScreen(nullptr);
    }

    void WriteMusic(const std::vector<uint8_t>& bytes) { folder.Write("data/avseq01.mp3", bytes); }

    int RunShow() { return ::RunShow(nullptr, FakeSchedule()); }

    // Each presented frame moves the virtual clock on by `step`, then runs `afterFrame`.
    void OnPresent() {
        ++presented;
        host::SetVirtualTime(presented * step);
        if (afterFrame) afterFrame(presented);
    }

    // Position of `entry` in the trace, or -1.
    static int At(const std::string& entry) {
        const auto& trace = host::test::Trace();
        auto found = std::find(trace.begin(), trace.end(), entry);
        return found == trace.end() ? -1 : int(found - trace.begin());
    }
    static int Count(const std::string& entry) {
        const auto& trace = host::test::Trace();
        return int(std::count(trace.begin(), trace.end(), entry));
    }

    // The entries appear in the trace, each after the one before.
    static void ExpectInOrder(const std::vector<std::string>& entries) {
        int previous = -1;
        for (const std::string& entry : entries) {
            const int position = At(entry);
            EXPECT_GT(position, previous) << entry << " missing or out of order";
            previous = position;
        }
    }

    void ExpectOnlyMessage(const std::string& text, unsigned flags) {
        const auto& boxes = host::test::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, kTitle);
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_EQ(boxes[0].type, flags);
        // Shown only after the window and its class are gone.
        EXPECT_EQ(host::test::Trace().back(), "MessageBoxA " + text);
    }

    static std::vector<std::string> SceneTeardown() {
        std::vector<std::string> entries;
        for (int i = 6; i >= 0; --i)
            entries.push_back(FakeSceneNames()[size_t(i)] + " destroyed");
        return entries;
    }

    TestFolder folder;
    double step = 0.1;
    int presented = 0;
    std::function<void(int)> afterFrame;
};

TEST_F(DriverTest, ClassRegistrationFailureTouchesNothingElse) {
    host::test::FailCall("RegisterClassA");
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("Can not register window class.", MB_ICONERROR);
    EXPECT_EQ(At("CreateWindowExA"), -1);
    EXPECT_EQ(At("UnregisterClassA"), -1);
}

TEST_F(DriverTest, WindowFailureUnregistersTheClass) {
    host::test::FailCall("CreateWindowExA");
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("Can not create window.", MB_ICONERROR);
    EXPECT_EQ(At("Direct3DCreate8"), -1);
    EXPECT_EQ(At("DestroyWindow"), -1);
    ExpectInOrder({"CreateWindowExA", "UnregisterClassA"});
}

TEST_F(DriverTest, DeviceFailureReleasesTheRendererThenWindowAndClass) {
    host::test::FailCall("CreateDevice");
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("Can not create a Direct3D 8.0 device. Do you have DirectX 8.0 and proper "
                      "graphics adapter drivers installed?",
                      MB_ICONERROR);
    ExpectInOrder({"IDirect3D8 destroyed", "DestroyWindow", "UnregisterClassA"});
    EXPECT_EQ(At("LogoScene constructed"), -1);
}

TEST_F(DriverTest, SharedBufferFailureLeavesNoBufferAndNoScene) {
    host::test::FailCall("CreateIndexBuffer");
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("Failed to create the required Direct3D resources.", MB_ICONERROR);
    ExpectInOrder({"IDirect3DVertexBuffer8 destroyed", "IDirect3DDevice8 destroyed",
                   "IDirect3D8 destroyed", "DestroyWindow", "UnregisterClassA"});
    EXPECT_EQ(At("LogoScene constructed"), -1);
}

TEST_F(DriverTest, SceneFailureStopsInitAndDestroysAllSevenInReverse) {
    WriteMusic(ShowLengthMusic());
    FailSceneInit("BarsScene");
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("Could not initialize an effect. Check if all the datafiles are in place "
                      "and make sure your system isn't a crappy piece of junk.",
                      MB_ICONERROR);

    // All seven are built before the first Init; Init stops at the failing one.
    ExpectInOrder(
        {"FinaleScene constructed", "LogoScene Init", "BallScene Init", "BarsScene Init"});
    EXPECT_EQ(At("GroupScene Init"), -1);
    EXPECT_EQ(At("BASS_Init"), -1);

    std::vector<std::string> teardown = SceneTeardown();
    for (const char* entry : {"IDirect3DVertexBuffer8 destroyed", "IDirect3DIndexBuffer8 destroyed",
                              "IDirect3DDevice8 destroyed", "IDirect3D8 destroyed", "DestroyWindow",
                              "UnregisterClassA"})
        teardown.push_back(entry);
    ExpectInOrder(teardown);
    EXPECT_TRUE(SceneRenders().empty());
}

TEST_F(DriverTest, MissingMusicShowsTheSoundMessageAfterEverythingIsGone) {
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("het geluid doet het niet klootzak, kijk die rammelbak eens na", MB_OK);
    std::vector<std::string> teardown = {"BASS_StreamCreateFile", "BASS_Stop", "BASS_Free"};
    for (const std::string& entry : SceneTeardown())
        teardown.push_back(entry);
    for (const char* entry : {"IDirect3DDevice8 destroyed", "DestroyWindow", "UnregisterClassA"})
        teardown.push_back(entry);
    ExpectInOrder(teardown);
    EXPECT_EQ(At("BASS_StreamPlay"), -1);
    EXPECT_TRUE(SceneRenders().empty());
}

TEST_F(DriverTest, UndecodableMusicShowsTheSoundMessage) {
    WriteMusic(std::vector<uint8_t>(4096, 0x5A));
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("het geluid doet het niet klootzak, kijk die rammelbak eens na", MB_OK);
}

TEST_F(DriverTest, MusicAtAnAbsurdRateShowsTheSoundMessage) {
    // A WAV renamed to .mp3 whose header claims a billion samples a second.
    WriteMusic(WavClaiming(1000000000, 2, 44100));
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("het geluid doet het niet klootzak, kijk die rammelbak eens na", MB_OK);
    EXPECT_EQ(At("BASS_StreamPlay"), -1);
}

TEST_F(DriverTest, NoAudioDeviceComesToLightAsTheSoundMessage) {
    WriteMusic(ShowLengthMusic());
    host::test::FailCall("BASS_Init", BASS_ERROR_DRIVER);
    EXPECT_EQ(RunShow(), 0);
    ExpectOnlyMessage("het geluid doet het niet klootzak, kijk die rammelbak eens na", MB_OK);
    // The library never started, so it is stopped but not freed.
    EXPECT_EQ(At("BASS_Free"), -1);
}

TEST_F(DriverTest, WholeShowFollowsTheScheduleAndEndsByItself) {
    WriteMusic(ShowLengthMusic());
    EXPECT_EQ(RunShow(), 0);

    const auto& renders = SceneRenders();
    ASSERT_GE(renders.size(), 1911u);
    int previousScene = 0;
    int32_t previousMilliseconds = 0;
    for (size_t i = 0; i < renders.size(); ++i) {
        const SceneRender& render = renders[i];
        // Frame i is drawn at i x 0.1 s of music, on the scene the schedule gives.
        EXPECT_NEAR(render.musicTime, i * 0.1, 1e-3) << "frame " << i;
        EXPECT_EQ(SceneIndex(render.scene), int(SceneAt(kShowSchedule, render.musicTime)))
            << "frame " << i;
        EXPECT_GE(SceneIndex(render.scene), previousScene);
        EXPECT_GE(render.milliseconds, previousMilliseconds);
        previousScene = SceneIndex(render.scene);
        previousMilliseconds = render.milliseconds;
    }
    EXPECT_EQ(renders.front().milliseconds, 0);
    EXPECT_EQ(renders.front().scene, "LogoScene");
    EXPECT_EQ(renders.back().scene, "FinaleScene");
    EXPECT_GE(renders.back().musicTime, 191.0f);
    // The final frame is drawn but not presented.
    EXPECT_EQ(size_t(presented), renders.size() - 1);
    EXPECT_TRUE(host::test::MessageBoxes().empty());

    std::vector<std::string> teardown = {"BASS_StreamFree", "BASS_Stop", "BASS_Free"};
    for (const std::string& entry : SceneTeardown())
        teardown.push_back(entry);
    for (const char* entry : {"IDirect3DVertexBuffer8 destroyed", "IDirect3DIndexBuffer8 destroyed",
                              "IDirect3DDevice8 destroyed", "IDirect3D8 destroyed", "DestroyWindow",
                              "UnregisterClassA"})
        teardown.push_back(entry);
    ExpectInOrder(teardown);
}

TEST_F(DriverTest, BoundaryTimesPickTheLaterSceneAndTheEndIsNotPresented) {
    WriteMusic(ShowLengthMusic());
    step = 0.5; // lands exactly on 11.5 s and on 191 s
    EXPECT_EQ(RunShow(), 0);
    const auto& renders = SceneRenders();
    ASSERT_EQ(renders.size(), 383u);
    EXPECT_EQ(renders[22].scene, "LogoScene");
    EXPECT_EQ(renders[23].musicTime, 11.5f);
    EXPECT_EQ(renders[23].scene, "BallScene");
    EXPECT_EQ(renders.back().musicTime, 191.0f);
    EXPECT_EQ(renders.back().scene, "FinaleScene");
    EXPECT_EQ(presented, 382);
}

struct EndingInput {
    const char* name;
    std::function<void()> inject;
};

void PrintTo(const EndingInput& input, std::ostream* out) {
    *out << input.name;
}

class DriverEndingTest : public DriverTest, public ::testing::WithParamInterface<EndingInput> {};

TEST_P(DriverEndingTest, TheFrameInWhichItArrivesIsPresentedThenTheRunEnds) {
    WriteMusic(ShowLengthMusic());
    afterFrame = [](int frame) {
        if (frame == 5) GetParam().inject();
    };
    EXPECT_EQ(RunShow(), 0);
    EXPECT_EQ(SceneRenders().size(), 6u);
    EXPECT_EQ(presented, 6);
    EXPECT_TRUE(host::test::MessageBoxes().empty());
    EXPECT_GE(At("UnregisterClassA"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachWayToClose, DriverEndingTest,
    ::testing::Values(EndingInput{"Escape", [] { host::test::InjectKey(VK_ESCAPE); }},
                      EndingInput{"AltF4", [] { host::test::InjectKey(VK_F4, true); }},
                      EndingInput{"CloseButton", [] { host::test::InjectCloseButton(); }}),
    [](const ::testing::TestParamInfo<EndingInput>& info) { return info.param.name; });

TEST_F(DriverTest, OtherKeysDoNotEndTheRun) {
    WriteMusic(ShowLengthMusic());
    afterFrame = [](int frame) {
        if (frame == 2) host::test::InjectKey('A');
        if (frame == 3) host::test::InjectKey(VK_F4); // F4 without Alt
        if (frame == 4) host::test::InjectKey(VK_SPACE, true);
        if (frame == 8) host::test::InjectKey(VK_ESCAPE);
    };
    EXPECT_EQ(RunShow(), 0);
    EXPECT_EQ(presented, 9);
}

TEST_F(DriverTest, LostDeviceEndsTheRunWithItsMessageAfterTeardown) {
    WriteMusic(ShowLengthMusic());
    afterFrame = [](int frame) {
        if (frame == 3) host::test::ForceDeviceLost();
    };
    EXPECT_EQ(RunShow(), 0);
    // The fourth frame is drawn, then found lost: not presented.
    EXPECT_EQ(SceneRenders().size(), 4u);
    EXPECT_EQ(presented, 3);
    EXPECT_EQ(Count("Present"), 3);
    ExpectOnlyMessage("The Direct3D device was lost, please don't steal my focus :)", MB_ICONERROR);
    ExpectInOrder({"BASS_Free", "LogoScene destroyed", "IDirect3DDevice8 destroyed",
                   "DestroyWindow", "UnregisterClassA"});
}

TEST_F(DriverTest, AnotherProgramTakingTheScreenLosesTheDevice) {
    WriteMusic(ShowLengthMusic());
    afterFrame = [](int frame) {
        if (frame == 3) host::test::InjectScreenTaken();
    };
    EXPECT_EQ(RunShow(), 0);
    EXPECT_EQ(presented, 3);
    ExpectOnlyMessage("The Direct3D device was lost, please don't steal my focus :)", MB_ICONERROR);
}

TEST_F(DriverTest, ShortMusicNeverEndsTheRunByTime) {
    WriteMusic(ToneMp3(22050, 1, 5.0));
    step = 0.5;
    afterFrame = [](int frame) {
        if (frame == 40) host::test::InjectKey(VK_ESCAPE);
    };
    EXPECT_EQ(RunShow(), 0);
    const auto& renders = SceneRenders();
    ASSERT_EQ(renders.size(), 41u);
    // The clock stops where the music does; the scene of that moment keeps being drawn.
    EXPECT_FLOAT_EQ(renders.back().musicTime, 5.0f);
    EXPECT_EQ(renders.back().scene, "LogoScene");
    EXPECT_EQ(renders.back().milliseconds, 20000);
    EXPECT_TRUE(host::test::MessageBoxes().empty());
}

} // namespace
