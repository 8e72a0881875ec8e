// The audio-library instance: start-up error mapping, the second-instance warning, shut-down.
#include "audio/sound.h"
#include "tests/support/off_screen_test.h"

#include <algorithm>

namespace {

class SoundTest : public OffScreenTest {
protected:
    static int Count(const std::string& entry) {
        const auto& trace = host::test::Trace();
        return int(std::count(trace.begin(), trace.end(), entry));
    }
};

TEST_F(SoundTest, InitStartsTheLibraryOnceAndRefusesASecondTime) {
    host::test::StartTrace();
    {
        Sound sound;
        EXPECT_EQ(sound.Init(44100, nullptr), 0);
        EXPECT_EQ(Count("BASS_Start"), 1);
        EXPECT_EQ(sound.Init(44100, nullptr), -2);
        EXPECT_EQ(Count("BASS_Init"), 1);
    }
    EXPECT_EQ(Count("BASS_Stop"), 1);
    EXPECT_EQ(Count("BASS_Free"), 1);
}

TEST_F(SoundTest, LibraryErrorsMapToTheirCodes) {
    const struct {
        int error;
        int32_t code;
    } cases[] = {{BASS_ERROR_DEVICE, -3},
                 {BASS_ERROR_DRIVER, -4},
                 {BASS_ERROR_FORMAT, -5},
                 {BASS_ERROR_MEM, -6},
                 {BASS_ERROR_UNKNOWN, -7}};
    for (const auto& c : cases) {
        host::test::Reset();
        host::test::FailCall("BASS_Init", c.error);
        host::test::StartTrace();
        {
            Sound sound;
            EXPECT_EQ(sound.Init(44100, nullptr), c.code) << c.error;
            EXPECT_EQ(Count("BASS_Start"), 0);
        }
        // Stopped on the way out, but never freed: it was never started.
        EXPECT_EQ(Count("BASS_Stop"), 1);
        EXPECT_EQ(Count("BASS_Free"), 0);
    }
}

TEST_F(SoundTest, AnUnmappedErrorCountsAsSuccess) {
    for (int error : {BASS_ERROR_ALREADY, BASS_ERROR_INIT, 99}) {
        host::test::Reset();
        host::test::FailCall("BASS_Init", error);
        host::test::StartTrace();
        Sound sound;
        EXPECT_EQ(sound.Init(44100, nullptr), 0) << error;
        EXPECT_EQ(Count("BASS_Start"), 1);
    }
}

TEST_F(SoundTest, ASecondLiveInstanceDrawsTheWarning) {
    testing::internal::CaptureStderr();
    host::test::StartTrace();
    {
        Sound first;
        EXPECT_EQ(Sound::instanceCount, 1);
        EXPECT_EQ(first.Init(44100, nullptr), 0);
        Sound second;
        EXPECT_EQ(Sound::instanceCount, 2);
    }
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Sound::instanceCount, 0);
    EXPECT_NE(written.find("Warning: The sound class was already instantiated, keep in mind that "
                           "Bass is not object oriented and can only be used by one class at a "
                           "time.\n"),
              std::string::npos);
    EXPECT_NE(written.find("Calling BASS_Free().. this automatically releases all of Bass' "
                           "resources.\n"),
              std::string::npos);
    // Each destructor stops the library; only the initialised one frees it.
    EXPECT_EQ(Count("BASS_Stop"), 2);
    EXPECT_EQ(Count("BASS_Free"), 1);
}

TEST_F(SoundTest, ChannelCallsOnAMissingChannelFail) {
    Sound sound;
    ASSERT_EQ(sound.Init(44100, nullptr), 0);
    DWORD frequency = 0;
    EXPECT_EQ(sound.ChannelGetAttributes(12345, &frequency, nullptr, nullptr), -14);
    EXPECT_EQ(sound.ChannelSetPosition(12345, 0), -15);
    EXPECT_EQ(sound.ChannelGetPosition(12345), DWORD(-1));
}

} // namespace
