// The audio library stand-in: decoding, formats, and the playback position on both outputs.
#include "platform/bass/bass.h"
#include "platform/host/audio_output.h"
#include "tests/support/audio_files.h"
#include "tests/support/off_screen_test.h"
#include "tests/support/test_folder.h"

#include <SDL.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class BassTest : public OffScreenTest {
protected:
    void TearDown() override {
        BASS_Free();
        OffScreenTest::TearDown();
    }
    TestFolder folder;
};

TEST_F(BassTest, StreamsNeedAnInitialisedLibrary) {
    folder.Write("a.wav", ToneWav(44100, 2, 16, 0.1));
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "a.wav", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_NE(BASS_StreamCreateFile(FALSE, "a.wav", 0, 0, 0), 0u);
}

TEST_F(BassTest, BadDeviceAndFileErrors) {
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "missing.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    folder.Write("text.mp3", std::string(3000, 'z'));
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "text.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    // A truncated file still plays what it holds.
    std::vector<uint8_t> cut = ToneMp3(44100, 2, 1.0);
    cut.resize(cut.size() / 2);
    folder.Write("cut.mp3", cut);
    EXPECT_NE(BASS_StreamCreateFile(FALSE, "cut.mp3", 0, 0, 0), 0u);
}

// A picture codestream that also holds MP3 frame headers (found by fuzzing): probing it must not
// hand it to a picture decoder, which would print its own lines about the damage.
TEST_F(BassTest, ForeignDataIsRefusedWithAtMostALineNamingTheFile) {
    const std::vector<uint8_t> picture = {
        0xff, 0x0a, 0x32, 0x00, 0x00, 0xff, 0xfb, 0x90, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0xff, 0xff, 0x5f, 0x30, 0x20, 0x00, 0x7a, 0x63, 0x00, 0x00, 0x00, 0x00, 0xff, 0xf9, 0xb0,
        0xb0, 0xff, 0xfb, 0xb0, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x49, 0x6e, 0x66, 0x6f, 0x00, 0x00,
        0x00, 0x0f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00,
        0x00, 0x10, 0x52, 0x00, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c, 0x1c,
        0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x38, 0x55, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    folder.Write("picture.mp3", picture);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    testing::internal::CaptureStderr();
    BASS_StreamCreateFile(FALSE, "picture.mp3", 0, 0, 0);
    const std::string said = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t start = 0; start < said.size(); ++lines) {
        const size_t end = said.find('\n', start);
        EXPECT_EQ(said.compare(start, 12, "picture.mp3:"), 0) << said;
        start = end == std::string::npos ? said.size() : end + 1;
    }
    EXPECT_LE(lines, 2u) << said;
}

TEST_F(BassTest, MemoryStreamsAndPositionsInTheStreamsOwnBytes) {
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    ASSERT_TRUE(BASS_Start());
    const std::vector<uint8_t> wav = ToneWav(8000, 1, 8, 2.0);
    const HSTREAM stream = BASS_StreamCreateFile(TRUE, wav.data(), 0, DWORD(wav.size()), 0);
    ASSERT_NE(stream, 0u);
    DWORD frequency = 0, volume = 0;
    int pan = 1;
    ASSERT_TRUE(BASS_ChannelGetAttributes(stream, &frequency, &volume, &pan));
    EXPECT_EQ(frequency, 8000u);
    EXPECT_EQ(volume, 100u);
    EXPECT_EQ(pan, 0);
    EXPECT_EQ(BASS_ChannelGetFlags(stream), BASS_SAMPLE_MONO | BASS_SAMPLE_8BITS);

    ASSERT_TRUE(BASS_StreamPlay(stream, TRUE, 0));
    host::SetVirtualTime(0.5);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 4000u);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 1000));
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 1000u);
    host::SetVirtualTime(0.75);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 3000u);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 16000));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    host::SetVirtualTime(100.0);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 16000u);
}

TEST_F(BassTest, LoopingStreamsWrapAround) {
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
    ASSERT_TRUE(BASS_Start());
    const std::vector<uint8_t> wav = ToneWav(8000, 1, 16, 1.0);
    const HSTREAM stream = BASS_StreamCreateFile(TRUE, wav.data(), 0, DWORD(wav.size()), 0);
    ASSERT_TRUE(BASS_StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP));
    EXPECT_NE(BASS_ChannelGetFlags(stream) & BASS_SAMPLE_LOOP, 0u);
    host::SetVirtualTime(1.25);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 4000u);
}

// On the real output the position is what has been heard: from 0 after the reset, never
// backwards, and never ahead of the wall clock.
void ExpectHeardPositionFollowsRealTime(const std::vector<uint8_t>& file, double bytesPerSecond) {
    const HSTREAM stream = BASS_StreamCreateFile(TRUE, file.data(), 0, DWORD(file.size()), 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(BASS_StreamPlay(stream, TRUE, 0));
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 0));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_LE(BASS_ChannelGetPosition(stream), 4u);
    DWORD previous = 0;
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const DWORD position = BASS_ChannelGetPosition(stream);
        EXPECT_GE(position, previous);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LE(position, (elapsed + 0.01) * bytesPerSecond);
        previous = position;
    }
    EXPECT_GT(previous, 0u);
}

TEST_F(BassTest, HeardPositionOnTheAudioDevice) {
    host::test::UseSdlAudioOutput();
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr)) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_Start());
    ExpectHeardPositionFollowsRealTime(ToneWav(44100, 2, 16, 2.0), 176400.0);
    // A format the device does not take directly is converted for it.
    ExpectHeardPositionFollowsRealTime(ToneWav(22050, 1, 8, 2.0), 22050.0);
}

TEST(SdlAudioOutput, DestroyingItWhileAStreamPlaysStopsTheCallbackFirst) {
    auto stream = std::make_unique<PcmStream>(AudioFormat{44100, 2, 2}, 44100);
    const std::vector<uint8_t> tone(44100 * 4, 0x10);
    ASSERT_EQ(stream->Append(tone.data(), 44100), 44100u);
    stream->Finish();
    {
        std::unique_ptr<AudioOutput> output = NewSdlAudioOutput();
        ASSERT_TRUE(output->Open(44100));
        // Looping, so the callback never runs out of sound.
        output->Play(stream.get(), 0, true);
        output->Start();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (output->HeardFrame(stream.get()) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_GT(output->HeardFrame(stream.get()), 0u) << "the callback never ran";
        // Destroyed while playing, without a Close first.
    }
    // What the callback read goes too; a callback still running would now read freed memory
    // (the output and the stream), which the sanitizers report.
    stream.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

} // namespace

namespace {

// SDL's "disk" driver writing the sound to /dev/full: its first write fails, and SDL gives the
// device up, as it does when a sound server dies under it.
TEST(SdlAudioOutput, ADeviceThatGoesAwaySaysSoOnceAndTheClockRunsOnToTheEnd) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
    auto stream = std::make_unique<PcmStream>(AudioFormat{44100, 2, 2}, 22050);
    const std::vector<uint8_t> tone(22050 * 4, 0x10);
    ASSERT_EQ(stream->Append(tone.data(), 22050), 22050u);
    stream->Finish();
    testing::internal::CaptureStderr();
    std::unique_ptr<AudioOutput> output = NewSdlAudioOutput();
    const bool opened = output->Open(44100);
    if (opened) {
        output->Play(stream.get(), 0, false);
        output->Start();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (output->HeardFrame(stream.get()) < 22050 - 1024 &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const uint64_t heard = opened ? output->HeardFrame(stream.get()) : 0;
    output.reset();
    const std::string said = testing::internal::GetCapturedStderr();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_DISKAUDIOFILE");
    ASSERT_TRUE(opened) << said;
    // Half a second of music, heard in silence to within the device's last buffer of its end.
    EXPECT_GE(heard, 22050u - 1024u);
    const std::string line =
        "audio: the sound device stopped working; the show goes on without sound\n";
    const size_t at = said.find(line);
    EXPECT_NE(at, std::string::npos) << said;
    EXPECT_EQ(said.find(line, at + 1), std::string::npos) << "said more than once: " << said;
}

} // namespace
