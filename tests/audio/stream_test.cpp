// The music stream: opening, playing, and the clock read from it.
#include "app/music_clock.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "tests/support/audio_files.h"
#include "tests/support/off_screen_test.h"
#include "tests/support/test_folder.h"

#include <algorithm>

namespace {

class StreamTest : public OffScreenTest {
protected:
    void SetUp() override {
        OffScreenTest::SetUp();
        ASSERT_EQ(sound.Init(44100, nullptr), 0);
    }

    float BytesPerSecondOf(const Stream& stream) {
        DWORD frequency = 0;
        EXPECT_EQ(sound.ChannelGetAttributes(stream.Handle(), &frequency, nullptr, nullptr), 0);
        return BytesPerSecond(frequency, sound.ChannelGetFlags(stream.Handle()));
    }

    TestFolder folder;
    Sound sound;
};

TEST_F(StreamTest, PlayBeforeOpenCallsNothing) {
    Stream stream;
    host::test::StartTrace();
    EXPECT_EQ(stream.Play(false), -12);
    stream.Free();
    EXPECT_TRUE(host::test::Trace().empty());
}

TEST_F(StreamTest, MissingOrNonMusicFilesDoNotOpen) {
    Stream stream;
    EXPECT_EQ(stream.Open("data/avseq01.mp3", false, 0, 0), -11);
    folder.Write("data/notes.mp3", std::string(5000, 'x'));
    EXPECT_EQ(stream.Open("data/notes.mp3", false, 0, 0), -11);
    folder.Write("data/empty.mp3", std::string());
    EXPECT_EQ(stream.Open("data/empty.mp3", false, 0, 0), -11);
    EXPECT_EQ(stream.Handle(), 0u);
}

TEST_F(StreamTest, ClockRateFollowsTheFileFormat) {
    folder.Write("Data/mono8.wav", ToneWav(22050, 1, 8, 0.5));
    folder.Write("data/stereo.mp3", ToneMp3(44100, 2, 0.5));
    Stream mono, stereo;
    ASSERT_EQ(mono.Open("data/mono8.wav", false, 0, 0), 0);
    ASSERT_EQ(stereo.Open("data/STEREO.mp3", false, 0, 0), 0);
    EXPECT_EQ(sound.ChannelGetFlags(mono.Handle()) & (BASS_SAMPLE_MONO | BASS_SAMPLE_8BITS),
              BASS_SAMPLE_MONO | BASS_SAMPLE_8BITS);
    EXPECT_EQ(BytesPerSecondOf(mono), 22050.0f);
    EXPECT_EQ(BytesPerSecondOf(stereo), 176400.0f);
}

TEST_F(StreamTest, ClockStartsAtZeroAndRunsWithTheMusic) {
    folder.Write("data/avseq01.mp3", ToneMp3(44100, 2, 3.0));
    Stream stream;
    ASSERT_EQ(stream.Open("data/avseq01.mp3", false, 0, 0), 0);
    host::SetVirtualTime(7.0);
    ASSERT_EQ(stream.Play(false), 0);
    host::SetVirtualTime(7.25);
    ASSERT_EQ(sound.ChannelSetPosition(stream.Handle(), 0), 0);
    EXPECT_EQ(sound.ChannelGetPosition(stream.Handle()), 0u);
    host::SetVirtualTime(8.25);
    EXPECT_EQ(sound.ChannelGetPosition(stream.Handle()), 176400u);
    // The encoder's delay and padding are trimmed: the clock stops at exactly 3 s.
    host::SetVirtualTime(20.0);
    EXPECT_EQ(sound.ChannelGetPosition(stream.Handle()), 3u * 176400u);
}

TEST_F(StreamTest, FreeReleasesTheStreamOnce) {
    folder.Write("data/avseq01.mp3", ToneMp3(44100, 2, 0.5));
    Stream stream;
    ASSERT_EQ(stream.Open("data/avseq01.mp3", false, 0, 0), 0);
    const HSTREAM handle = stream.Handle();
    host::test::StartTrace();
    stream.Free();
    stream.Free();
    EXPECT_EQ(stream.Handle(), 0u);
    EXPECT_EQ(std::count(host::test::Trace().begin(), host::test::Trace().end(),
                         std::string("BASS_StreamFree")),
              1);
    EXPECT_EQ(sound.ChannelGetFlags(handle), DWORD(-1));
}

} // namespace
