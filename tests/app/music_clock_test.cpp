#include "app/music_clock.h"
#include "platform/bass/bass.h"
#include "scenes/schedule.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(MusicClock, BytesPerSecondFollowsChannelsAndSampleSize) {
    EXPECT_EQ(BytesPerSecond(44100, 0), 176400.0f);
    EXPECT_EQ(BytesPerSecond(44100, BASS_SAMPLE_MONO), 88200.0f);
    EXPECT_EQ(BytesPerSecond(22050, BASS_SAMPLE_MONO | BASS_SAMPLE_8BITS), 22050.0f);
    EXPECT_EQ(BytesPerSecond(22050, BASS_SAMPLE_8BITS | BASS_SAMPLE_LOOP), 44100.0f);
    EXPECT_EQ(BytesPerSecond(0, 0), 0.0f);
}

TEST(MusicClock, PositionOverBytesPerSecond) {
    EXPECT_EQ(MusicTimeAt(0, 176400.0f), 0.0f);
    EXPECT_EQ(MusicTimeAt(176400, 176400.0f), 1.0f);
    EXPECT_EQ(MusicTimeAt(191 * 176400, 176400.0f), 191.0f);
}

TEST(MusicClock, SceneChangeFallsOnTheExactByte) {
    // 34.4 s of 44.1 kHz stereo is byte 6068160; one sample frame earlier is still before it.
    EXPECT_EQ(SceneAt(kShowSchedule, MusicTimeAt(6068160, 176400.0f)), 2u); // BarsScene
    EXPECT_EQ(SceneAt(kShowSchedule, MusicTimeAt(6068156, 176400.0f)), 1u); // BallScene
}

// The quotient is the float nearest the exact one: no neighbour of it lies closer.
TEST(MusicClock, QuotientIsCorrectlyRoundedBeyondTwoToThe24) {
    const float bytesPerSecond = 176400.0f;
    int naiveDiffers = 0;
    for (int32_t position = 16777216; position < 16777216 + 200000; position += 7) {
        const float time = MusicTimeAt(position, bytesPerSecond);
        const long double exact = (long double)position / bytesPerSecond;
        const long double error = std::fabs((long double)time - exact);
        EXPECT_LE(error, std::fabs((long double)std::nextafter(time, 0.0f) - exact)) << position;
        EXPECT_LE(error, std::fabs((long double)std::nextafter(time, 1e9f) - exact)) << position;
        naiveDiffers += float(position) / bytesPerSecond != time;
    }
    // Dividing the float-rounded position would have been wrong somewhere in this range.
    EXPECT_GT(naiveDiffers, 0);
}

TEST(MusicClock, ZeroFrequencyGivesNaNAtZeroThenInfinity) {
    const float rate = BytesPerSecond(0, 0);
    EXPECT_TRUE(std::isnan(MusicTimeAt(0, rate)));
    EXPECT_EQ(SceneAt(kShowSchedule, MusicTimeAt(0, rate)), 0u);
    EXPECT_FALSE(ShowIsOver(MusicTimeAt(0, rate)));
    EXPECT_TRUE(std::isinf(MusicTimeAt(4, rate)));
    EXPECT_EQ(SceneAt(kShowSchedule, MusicTimeAt(4, rate)), 6u);
    EXPECT_TRUE(ShowIsOver(MusicTimeAt(4, rate)));
}

} // namespace
