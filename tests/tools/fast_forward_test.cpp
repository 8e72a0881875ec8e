// The capture tool's fast-forward against a full play, in this process on the generated data:
// a still reached by running the earlier frames undrawn must be, pixel for pixel, the still a
// play that drew every frame gives, where the scenes' history matters (the tube's clip runs,
// the greetings' own clock, the closing clips' switch) and at more than one frame rate; and
// while it skips, nothing may be drawn or decoded.
#include "platform/testing/test_controls.h"
#include "tools/capture/play.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

class FastForwardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(SHOW_BUILD_DIR), 0);
        host::test::Reset();
        host::ShowDebugOutput(false);
    }
    void TearDown() override {
        host::ShowDebugOutput(true);
        host::test::Reset();
        ASSERT_EQ(chdir(previous), 0);
    }

    // The stills at `times`, with every earlier frame at `fps` drawn or fast-forwarded.
    static std::map<double, std::vector<uint32_t>> Stills(const std::vector<double>& times, int fps,
                                                          bool fastForward) {
        CaptureOptions options;
        options.fps = fps;
        options.stills = times;
        std::map<double, std::vector<uint32_t>> stills;
        const PlayOutcome outcome =
            PlayShots(PlanShots(options), fastForward, [&](const Shot& shot, const host::Frame& f) {
                stills[shot.time].assign(f.pixels, f.pixels + size_t(f.width) * size_t(f.height));
                return true;
            });
        EXPECT_TRUE(outcome.finished);
        EXPECT_TRUE(outcome.exact);
        return stills;
    }

    static void ExpectSame(const std::vector<double>& times, int fps) {
        const auto played = Stills(times, fps, false);
        const auto skipped = Stills(times, fps, true);
        for (double time : times) {
            const std::vector<uint32_t>& a = played.at(time);
            const std::vector<uint32_t>& b = skipped.at(time);
            ASSERT_EQ(a.size(), b.size());
            const size_t apart =
                size_t(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
            size_t differing = 0;
            for (size_t i = 0; i < a.size(); ++i)
                differing += a[i] != b[i];
            EXPECT_EQ(differing, 0u)
                << time << " s at " << fps << " frames a second, first at pixel " << apart;
        }
    }

    char previous[4096];
};

// The tube's clip reaching its last frame at 50.7 s (a frame that shows what was copied before
// it), just after, and running backward at 53 s; the second greeting's first frame, on the
// greetings' own clock; the closing clips' switch frame and the second clip.
TEST_F(FastForwardTest, StillsEqualAFullPlayWhereTheScenesRememberTheirPastAt7FramesASecond) {
    ExpectSame({50.7, 53.0, 93.7, 153.0, 158.0}, 7);
}

TEST_F(FastForwardTest, StillsEqualAFullPlayWhereTheScenesRememberTheirPastAt60FramesASecond) {
    ExpectSame({50.7, 50.75, 53.0}, 60);
}

TEST_F(FastForwardTest, NothingIsDrawnOrDecodedWhileSkipping) {
    CaptureOptions options;
    options.stills = {60.0};
    const std::vector<Shot> plan = PlanShots(options);
    std::map<std::string, int> skipping, shown;
    const auto count = [](std::map<std::string, int>& into) {
        for (const char* entry : {"glDrawElements", "clip frame decoded", "Present"})
            into[entry] = int(std::count(host::test::Trace().begin(), host::test::Trace().end(),
                                         std::string(entry)));
    };
    int kept = 0;
    PlayShots(
        plan, true,
        [&](const Shot&, const host::Frame& frame) {
            ++kept;
            EXPECT_NE(frame.pixels, nullptr);
            return true;
        },
        [&](size_t presented) {
            // After the first frame, which start-up needs drawn, the trace starts; when all but
            // the kept frame have been presented, it holds the skipped span.
            if (presented == 1) host::test::StartTrace();
            if (presented == plan.size() - 1) count(skipping);
            if (presented == plan.size()) count(shown);
            return true;
        });
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(skipping["Present"], int(plan.size()) - 2);
    EXPECT_EQ(skipping["glDrawElements"], 0);
    EXPECT_EQ(skipping["clip frame decoded"], 0);
    // The kept frame draws its clip, its tube twice, and decodes what it shows.
    EXPECT_GE(shown["glDrawElements"] - skipping["glDrawElements"], 3);
    EXPECT_GE(shown["clip frame decoded"], 1);
}

} // namespace
