// What each scene asks of OpenGL per frame against the plain program drawing the same frames:
// the show may make no more calls and send up no more bytes. Both go through the same counting
// layer, so the counts are exact; a state sent again where nothing changed shows at once. The
// scene's recorded Direct3D 8 calls, made again through the device, draw the same frames with
// the same OpenGL calls. And the device's own re-sends, one by one.
#include "bench/bench_device.h"
#include "bench/gl_calls.h"
#include "bench/scene_run.h"
#include "bench/side_context.h"
#include "gfx/shared_device.h"
#include "scenes/music_time.h"
#include "scenes/schedule.h"

#include <gtest/gtest.h>

#include <epoxy/gl.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

class GlCallsTest;

// A span of the show: its scene, from when, and the check of that scene's frames.
struct Span {
    const char* scene;
    double from;
    void (*expect)(GlCallsTest& test, double from);
};

class GlCallsTest : public ::testing::TestWithParam<Span> {
public:
    template <class Scene> static void ExpectOf(GlCallsTest& test, double from) {
        test.Expect<Scene>(from);
    }

protected:
    void SetUp() override {
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(SHOW_BUILD_DIR), 0);
        ASSERT_TRUE(device.ready);
        bool counting = false;
        CountedGlCalls(&counting);
        ASSERT_TRUE(counting);
    }
    void TearDown() override { ASSERT_EQ(chdir(previous), 0); }

    // `Scene` from `from` on, as its benchmark draws it: the calls and bytes of a frame, on
    // average over the frames, of the show and of the plain program.
    template <class Scene> void Expect(double from) {
        host::SetVirtualTime(0.0);
        auto scene = std::make_unique<Scene>();
        ASSERT_EQ(scene->Init(), 0);
        const SceneFrame frame = FrameOf(*scene);
        Renderer& renderer = device.renderer;
        const std::vector<double> times = FrameTimes(from, 8);
        PlayUpTo(renderer, frame, StartOf<Scene>(), times.front());
        RecordedFrames recorded = RecordFrames(renderer, frame, times);
        BareRenderer bare(recorded.replay);
        ASSERT_TRUE(bare.Ready()) << recorded.replay.unsupported;
        std::string why;
        ASSERT_TRUE(AllSame(CheckBare(bare, recorded), why)) << why;
        renderer.EndFrame();
        ASSERT_TRUE(AllSame(CheckShow(renderer, frame, times, recorded), why)) << why;

        ASSERT_TRUE(AllSame(CheckReplay(*sharedDevice, recorded), why)) << why;

        // A round of each, as the benchmark times them, each waited for once (the wait is not
        // counted).
        const auto namesBeforeShow = CountedGlCallsByName();
        const GlTally beforeShow = CountedGlCalls();
        for (double time : times) {
            frame(time);
            renderer.EndFrame();
            FinishGlWork();
        }
        const GlTally show = CountedGlCalls() - beforeShow;
        const auto namesAfterShow = CountedGlCallsByName();
        RestoreStart(recorded.calls);
        const GlTally beforeCalls = CountedGlCalls();
        for (const auto& calls : recorded.calls.frames) {
            ReplayCalls(*sharedDevice, calls);
            FinishGlWork();
        }
        const GlTally replayed = CountedGlCalls() - beforeCalls;
        const auto namesBeforeBare = CountedGlCallsByName();
        const GlTally beforeBare = CountedGlCalls();
        for (size_t i = 0; i < times.size(); ++i) {
            bare.DrawFrame(i, true);
            bare.Finish();
        }
        const GlTally plain = CountedGlCalls() - beforeBare;
        const auto namesAfterBare = CountedGlCallsByName();
        // Which calls each side made, for the message.
        std::string calls;
        for (const auto& [name, count] : namesAfterBare) {
            const auto at = [&](const std::map<std::string, uint64_t>& in) {
                const auto found = in.find(name);
                return found == in.end() ? uint64_t(0) : found->second;
            };
            const uint64_t ofShow = at(namesAfterShow) - at(namesBeforeShow);
            const uint64_t ofBare = count - at(namesBeforeBare);
            if (ofShow != ofBare)
                calls += "\n  " + name + ": " + std::to_string(ofShow) + " against " +
                         std::to_string(ofBare);
        }
        const double n = double(times.size());
        RecordProperty("gl_calls", std::to_string(double(show.calls) / n));
        RecordProperty("gl_calls_bare", std::to_string(double(plain.calls) / n));
        EXPECT_LE(show.calls, plain.calls) << double(show.calls) / n << " calls a frame against "
                                           << double(plain.calls) / n << calls;
        EXPECT_LE(show.uploadBytes, plain.uploadBytes)
            << double(show.uploadBytes) / n << " bytes a frame against "
            << double(plain.uploadBytes) / n;
        // Started again from the record's first buffers, the calls may send the first frame's
        // geometry once more than the show, which went on from the frame before.
        EXPECT_NEAR(double(replayed.calls), double(show.calls), 4.0);
        EXPECT_NEAR(double(replayed.uploadBytes), double(show.uploadBytes),
                    0.1 * double(show.uploadBytes) / n);
        scene.reset();
    }

    char previous[4096];
    BenchDevice device;
};

TEST_P(GlCallsTest, NoMoreCallsOrBytesThanThePlainProgramAndTheSameFromTheRecordedCalls) {
    GetParam().expect(*this, GetParam().from);
}

INSTANTIATE_TEST_SUITE_P(
    SceneSpans, GlCallsTest,
    testing::Values(Span{"Logo", 8.0, &GlCallsTest::ExpectOf<LogoScene>},
                    Span{"Ball", 20.0, &GlCallsTest::ExpectOf<BallScene>},
                    Span{"Bars", 40.0, &GlCallsTest::ExpectOf<BarsScene>},
                    Span{"Group", 58.0, &GlCallsTest::ExpectOf<GroupScene>},
                    Span{"Greetings", 90.0, &GlCallsTest::ExpectOf<GreetingsScene>},
                    Span{"Photo", 135.0, &GlCallsTest::ExpectOf<PhotoScene>},
                    Span{"Finale", 158.0, &GlCallsTest::ExpectOf<FinaleScene>}),
    [](const testing::TestParamInfo<Span>& info) { return std::string(info.param.scene); });

} // namespace
