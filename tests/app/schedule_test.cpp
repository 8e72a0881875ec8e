#include "app/schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

float Below(float bound) {
    return std::nextafter(bound, 0.0f);
}

TEST(Schedule, BoundsAreTheFloatsNearestTheDecimals) {
    EXPECT_EQ(double(kBarsSceneStart), 34.400001525878906);
    EXPECT_EQ(double(kGroupSceneStart), 45.70000076293945);
    EXPECT_EQ(double(kGreetingsSceneStart), 71.19999694824219);
    EXPECT_EQ(double(kPhotoSceneStart), 116.19999694824219);
    EXPECT_EQ(double(kFinaleSceneStart), 141.60000610351562);
    EXPECT_EQ(double(kBallSceneStart), 11.5);
    EXPECT_EQ(double(kShowEnd), 191.0);
}

TEST(Schedule, EachLowerBoundIsInclusiveAndTheFloatBelowItIsNot) {
    const struct {
        float bound;
        ScheduledScene before, from;
    } cases[] = {
        {11.5f, ScheduledScene::Logo, ScheduledScene::Ball},
        {34.4f, ScheduledScene::Ball, ScheduledScene::Bars},
        {45.7f, ScheduledScene::Bars, ScheduledScene::Group},
        {71.2f, ScheduledScene::Group, ScheduledScene::Greetings},
        {116.2f, ScheduledScene::Greetings, ScheduledScene::Photo},
        {141.6f, ScheduledScene::Photo, ScheduledScene::Finale},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SceneAt(Below(c.bound)), c.before) << c.bound;
        EXPECT_EQ(SceneAt(c.bound), c.from) << c.bound;
    }
    EXPECT_EQ(SceneAt(0.0f), ScheduledScene::Logo);
    EXPECT_EQ(SceneAt(-1.0f), ScheduledScene::Logo);
    EXPECT_EQ(SceneAt(1000.0f), ScheduledScene::Finale);
}

TEST(Schedule, TheEndIsReachedAt191AndNotBefore) {
    EXPECT_FALSE(ShowIsOver(Below(191.0f)));
    EXPECT_TRUE(ShowIsOver(191.0f));
    EXPECT_EQ(SceneAt(191.0f), ScheduledScene::Finale);
}

TEST(Schedule, NotANumberLiesBelowEveryBoundAndInfinityAboveAll) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    EXPECT_EQ(SceneAt(nan), ScheduledScene::Logo);
    EXPECT_FALSE(ShowIsOver(nan));
    EXPECT_EQ(SceneAt(infinity), ScheduledScene::Finale);
    EXPECT_TRUE(ShowIsOver(infinity));
}

} // namespace
