// What each scene asks of OpenGL per frame against the plain program drawing the same frames:
// the show may make at most a quarter more calls and send up at most a tenth more bytes. Both
// go through the same counting layer, so the counts are exact; a state sent again where nothing
// changed shows at once.
#include "bench/bench_device.h"
#include "bench/gl_calls.h"
#include "bench/scene_run.h"
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

        // A round of each, as the benchmark times them.
        const GlTally beforeShow = CountedGlCalls();
        for (double time : times) {
            frame(time);
            renderer.EndFrame();
            glFinish();
        }
        const GlTally show = CountedGlCalls() - beforeShow;
        const GlTally beforeBare = CountedGlCalls();
        for (size_t i = 0; i < times.size(); ++i)
            bare.DrawFrame(i, true);
        const GlTally plain = CountedGlCalls() - beforeBare;
        const double n = double(times.size());
        RecordProperty("gl_calls", std::to_string(double(show.calls) / n));
        RecordProperty("gl_calls_bare", std::to_string(double(plain.calls) / n));
        EXPECT_LE(double(show.calls), 1.25 * double(plain.calls))
            << double(show.calls) / n << " calls a frame against " << double(plain.calls) / n;
        EXPECT_LE(double(show.uploadBytes), 1.1 * double(plain.uploadBytes))
            << double(show.uploadBytes) / n << " bytes a frame against "
            << double(plain.uploadBytes) / n;
        scene.reset();
    }

    char previous[4096];
    BenchDevice device;
};

TEST_P(GlCallsTest, AtMostAQuarterMoreCallsAndATenthMoreBytesThanThePlainProgram) {
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
