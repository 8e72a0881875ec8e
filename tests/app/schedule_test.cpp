#include "scenes/schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

enum Scene : size_t { Logo, Ball, Bars, Group, Greetings, Photo, Finale };

float Below(float bound) {
    return std::nextafter(bound, 0.0f);
}

size_t At(float musicTime) {
    return SceneAt(kShowSchedule, musicTime);
}

TEST(Schedule, ScenesChangeAtTheFloatsNearestTheDecimalsInclusively) {
    // Each bound as the double value of the float nearest the decimal: the time at which the
    // later scene begins, while the float just below it still shows the earlier one.
    const struct {
        double bound;
        Scene before, from;
    } cases[] = {
        {11.5, Logo, Ball},
        {34.400001525878906, Ball, Bars},
        {45.70000076293945, Bars, Group},
        {71.19999694824219, Group, Greetings},
        {116.19999694824219, Greetings, Photo},
        {141.60000610351562, Photo, Finale},
    };
    for (const auto& c : cases) {
        const float bound = float(c.bound);
        ASSERT_EQ(double(bound), c.bound);
        EXPECT_EQ(At(Below(bound)), c.before) << c.bound;
        EXPECT_EQ(At(bound), c.from) << c.bound;
    }
    EXPECT_EQ(kShowSchedule.count, 7u);
    EXPECT_EQ(At(0.0f), Logo);
    EXPECT_EQ(At(-1.0f), Logo);
    EXPECT_EQ(At(1000.0f), Finale);
    // The scenes that time themselves from their start get the same bounds.
    EXPECT_EQ(double(StartOf<BarsScene>()), 34.400001525878906);
    EXPECT_EQ(double(StartOf<FinaleScene>()), 141.60000610351562);
    EXPECT_EQ(EndOf(kShowSchedule, Finale), 191.0f);
    EXPECT_EQ(EndOf(kShowSchedule, Logo), 11.5f);
}

TEST(Schedule, TheEndIsReachedAt191AndNotBefore) {
    EXPECT_FALSE(ShowIsOver(Below(191.0f)));
    EXPECT_TRUE(ShowIsOver(191.0f));
    EXPECT_EQ(At(191.0f), Finale);
}

TEST(Schedule, NotANumberLiesBelowEveryBoundAndInfinityAboveAll) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_EQ(At(nan), Logo);
    EXPECT_FALSE(ShowIsOver(nan));
    EXPECT_EQ(At(infinity), Finale);
    EXPECT_TRUE(ShowIsOver(infinity));
}

} // namespace
