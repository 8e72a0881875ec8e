// Music files that claim what no music is: absurd rates, too many channels, lengths of days.
// Each is refused when it is opened, before anything is allocated for what it claims. This
// binary counts every allocation made through operator new, and holds FFmpeg's own to 8 MiB.
#include "platform/bass/bass.h"
#include "tests/support/audio_files.h"
#include "tests/support/off_screen_test.h"
#include "tests/support/test_folder.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<size_t> largestAllocation{0};

void Note(size_t size) {
    size_t seen = largestAllocation.load();
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size)) {
    }
}

} // namespace

// Replacements of the global allocation functions, on malloc and free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    Note(size);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    Note(size);
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    Note(size);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

constexpr size_t kFewMegabytes = 8 << 20;

class HostileMusicTest : public OffScreenTest {
protected:
    void SetUp() override {
        OffScreenTest::SetUp();
        av_max_alloc(kFewMegabytes);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
        ASSERT_TRUE(BASS_Start());
    }
    void TearDown() override {
        BASS_Free();
        OffScreenTest::TearDown();
    }

    // Opens `bytes` as the music; the handle, with the largest allocation it made.
    HSTREAM Open(const std::vector<uint8_t>& bytes, size_t& largest) {
        folder.Write("data/avseq01.mp3", bytes);
        largestAllocation = 0;
        const HSTREAM stream = BASS_StreamCreateFile(FALSE, "data/avseq01.mp3", 0, 0, 0);
        largest = largestAllocation;
        return stream;
    }

    TestFolder folder;
};

TEST_F(HostileMusicTest, AbsurdRatesAreRefusedWithoutAllocatingForThem) {
    for (uint32_t rate : {1u, 7999u, 192001u, 1000000000u, 2147483647u}) {
        size_t largest = 0;
        EXPECT_EQ(Open(WavClaiming(rate, 2, 44100), largest), 0u) << rate << " Hz";
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << rate << " Hz";
        EXPECT_LT(largest, kFewMegabytes) << rate << " Hz";
    }
}

TEST_F(HostileMusicTest, MoreThanTwoChannelsAreRefused) {
    size_t largest = 0;
    EXPECT_EQ(Open(WavClaiming(44100, 6, 4410), largest), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
}

TEST_F(HostileMusicTest, ALengthOverAnHourIsRefused) {
    // An MP3 whose Info tag claims 300000 frames of 1152 samples: 2 h 10 min at 44.1 kHz.
    std::vector<uint8_t> mp3 = ToneMp3(44100, 1, 0.5);
    const std::string bytes(mp3.begin(), mp3.end());
    size_t tag = bytes.find("Info");
    if (tag == std::string::npos) tag = bytes.find("Xing");
    ASSERT_NE(tag, std::string::npos);
    ASSERT_TRUE(mp3[tag + 7] & 1) << "the tag gives a frame count";
    const uint32_t frames = 300000;
    for (int i = 0; i < 4; ++i)
        mp3[tag + 8 + size_t(i)] = uint8_t(frames >> (8 * (3 - i)));
    size_t largest = 0;
    EXPECT_EQ(Open(mp3, largest), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_LT(largest, kFewMegabytes);
}

TEST_F(HostileMusicTest, TheEdgesOfWhatPlaysStillPlay) {
    for (uint32_t rate : {8000u, 44100u, 192000u}) {
        size_t largest = 0;
        const HSTREAM stream = Open(WavClaiming(rate, 2, rate / 10), largest);
        ASSERT_NE(stream, 0u) << rate << " Hz";
        DWORD frequency = 0;
        ASSERT_TRUE(BASS_ChannelGetAttributes(stream, &frequency, nullptr, nullptr));
        EXPECT_EQ(frequency, rate);
        ASSERT_TRUE(BASS_StreamPlay(stream, TRUE, 0));
        host::SetVirtualTime(host::VirtualTime() + 0.05);
        EXPECT_EQ(BASS_ChannelGetPosition(stream), rate / 20 * 4) << rate << " Hz";
        BASS_StreamFree(stream);
    }
}

} // namespace
