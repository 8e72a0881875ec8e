#include "scenes/timer.h"
#include "tests/support/off_screen_test.h"

namespace {

using TimerTest = OffScreenTest;

TEST_F(TimerTest, CountsMillisecondsFromConstructionAndReset) {
    host::SetVirtualTime(10.0);
    Timer timer;
    EXPECT_EQ(timer.Elapsed(), 0);
    host::SetVirtualTime(12.5);
    EXPECT_EQ(timer.Elapsed(), 2500);
    timer.Reset();
    EXPECT_EQ(timer.Elapsed(), 0);
}

TEST_F(TimerTest, SurvivesTheTickCounterWrapping) {
    // 4294967.0 s is 296 ms before the 32-bit millisecond counter wraps.
    host::SetVirtualTime(4294967.0);
    Timer timer;
    host::SetVirtualTime(4294968.0);
    EXPECT_LT(GetTickCount(), 1000u);
    EXPECT_EQ(timer.Elapsed(), 1000);
}

} // namespace
