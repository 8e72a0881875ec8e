// The whole show off screen on the generated data, from music time 0 until it ends by itself,
// at ten frames a second of music so that it stays quick (and clean under the sanitizers).
#include "app/driver.h"
#include "platform/host/host.h"
#include "platform/testing/test_controls.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <map>
#include <string>

namespace {

constexpr int kFramesPerSecond = 10;

// The share of the screen that is not black.
double LitShare(const host::Frame& frame) {
    size_t lit = 0;
    const size_t count = size_t(frame.width) * size_t(frame.height);
    for (size_t i = 0; i < count; ++i)
        lit += (frame.pixels[i] & 0x00FFFFFF) > 0x00080808;
    return double(lit) / double(count);
}

TEST(WholeShow, EverySceneDrawsAndTheRunEndsByItselfAt191Seconds) {
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(SHOW_BUILD_DIR), 0);
    host::test::Reset();
    host::ShowDebugOutput(false);

    // A time well inside each scene, and what it showed.
    const std::map<int, const char*> probes = {
        {60, "logo"},       {200, "ball"},   {400, "bars"},          {600, "group"},
        {950, "greetings"}, {1300, "photo"}, {1500, "finale clips"}, {1800, "closing picture"}};
    std::map<int, double> lit;
    int presented = 0;
    host::UseOffScreen([&](const host::Frame& frame) {
        if (probes.count(presented)) lit[presented] = LitShare(frame);
        ++presented;
        host::SetVirtualTime(double(presented) / kFramesPerSecond);
    });
    host::SetVirtualTime(0.0);
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);

    // Frames 0 .. 190.9 s were presented; the one at 191 s was drawn and not presented, and
    // the run ended there without anyone asking it to close and without a message.
    EXPECT_EQ(presented, 191 * kFramesPerSecond);
    EXPECT_EQ(host::VirtualTime(), 191.0);
    EXPECT_TRUE(host::test::MessageBoxes().empty());
    for (const auto& probe : probes)
        EXPECT_GT(lit[probe.first], 0.2)
            << probe.second << " at " << double(probe.first) / kFramesPerSecond << " s";

    host::ShowDebugOutput(true);
    host::test::Reset();
    ASSERT_EQ(chdir(previous), 0);
}

} // namespace
