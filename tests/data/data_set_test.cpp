// The generated data set, read back through the show's own loaders: every file the scenes and
// the driver name is there, in the sizes and lengths they need, and the generator is
// deterministic.
#include "app/music_clock.h"
#include "assets/mesh.h"
#include "assets/video_texture.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "gfx/texture.h"
#include "platform/bass/decode_audio.h"
#include "platform/files/resolve_path.h"
#include "tests/support/device_test.h"
#include "tests/support/test_folder.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

const std::string kData = SHOW_DATA_DIR;

std::string DataFile(const std::string& name) {
    return kData + "/" + name;
}

using DataSetTest = DeviceTest;

TEST_F(DataSetTest, EveryPictureLoadsAsATextureOfItsSize) {
    const std::map<std::string, std::pair<UINT, UINT>> pictures = {
        {"logo.jpg", {640, 480}},      {"logo2.jpg", {640, 480}},
        {"gejat1.jpg", {256, 256}},    {"bot1.jpg", {256, 256}},
        {"1.jpg", {256, 256}},         {"paarsebalken.jpg", {256, 256}},
        {"retro.jpg", {256, 256}},     {"glintvat.jpg", {512, 256}},
        {"goodyokek.jpg", {512, 512}}, {"pleksvriendin.jpg", {640, 480}},
        {"hwzykpa.jpg", {640, 480}},   {"greet1.jpg", {512, 256}},
        {"greet2.jpg", {512, 256}},    {"greet3.jpg", {512, 256}},
        {"greet4.jpg", {512, 256}},    {"greet5.jpg", {512, 256}},
        {"greet6.jpg", {512, 256}},    {"greet7.jpg", {512, 256}},
        {"greet8.jpg", {512, 256}}};
    for (const auto& [name, size] : pictures) {
        Texture texture;
        ASSERT_EQ(texture.Load(DataFile(name).c_str()), 0) << name;
        D3DSURFACE_DESC description{};
        texture.Interface()->GetLevelDesc(0, &description);
        EXPECT_EQ(description.Width, size.first) << name;
        EXPECT_EQ(description.Height, size.second) << name;
        EXPECT_EQ(description.Format, D3DFMT_X8R8G8B8) << name;
        texture.Release();
    }
}

TEST(DataSet, EveryClipFitsTheRoomItsSceneGivesAndIsLongEnough) {
    const struct {
        const char* name;
        uint32_t maxWidth, maxHeight, minFrames;
    } clips[] = {{"trailer3.avi", 416, 256, 200},
                 {"kalf5.avi", 492, 256, 400},
                 {"group6.avi", 512, 256, 100},
                 {"vaan1.avi", 416, 256, 200},
                 {"pendulaEIND.avi", 416, 256, 200}};
    std::vector<uint32_t> canvas(512 * 256);
    for (const auto& clip : clips) {
        VideoTexture video;
        ASSERT_EQ(video.Open(DataFile(clip.name).c_str(), 512, 256), 1) << clip.name;
        EXPECT_LE(video.Width(), clip.maxWidth) << clip.name;
        EXPECT_LE(video.Height(), clip.maxHeight) << clip.name;
        EXPECT_GE(video.FrameCount(), clip.minFrames) << clip.name;
        for (uint32_t frame : {0u, video.FrameCount() / 2, video.FrameCount() - 1})
            EXPECT_EQ(video.CopyFrame(frame, canvas.data(), 2048, 0), 1) << clip.name;
    }
}

TEST(DataSet, TheBallIsAClosedOutwardFacingSphereOfRadiusThree) {
    Mesh ball;
    ASSERT_EQ(ball.Load(DataFile("ball.msh").c_str(), 0.025f), 0);
    EXPECT_GT(ball.vertexCount, 1000);
    EXPECT_LT(ball.vertexCount, 32768);
    EXPECT_LT(ball.triangleCount, 32768);
    for (int i = 0; i < ball.vertexCount; ++i) {
        const float* p = ball.positions + 3 * i;
        ASSERT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 3.0, 0.01);
    }
    // Closed: every edge is shared by exactly two triangles, once in each direction.
    std::map<std::pair<int, int>, int> edges;
    for (int t = 0; t < ball.triangleCount; ++t) {
        const uint16_t* c = ball.indices + 3 * t;
        for (int k = 0; k < 3; ++k)
            ++edges[{c[k], c[(k + 1) % 3]}];
        // The toolkit's normal, (P0 - P1) x (P1 - P2), points away from the centre.
        const float* a = ball.positions + 3 * c[0];
        const float* b = ball.positions + 3 * c[1];
        const float* d = ball.positions + 3 * c[2];
        const float u[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
        const float v[3] = {b[0] - d[0], b[1] - d[1], b[2] - d[2]};
        const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                            u[0] * v[1] - u[1] * v[0]};
        ASSERT_GT(n[0] * a[0] + n[1] * a[1] + n[2] * a[2], 0) << "triangle " << t;
    }
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1);
        ASSERT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    ball.Release();
}

class MusicTest : public OffScreenTest {
protected:
    static const DecodedAudio& Music() {
        static DecodedAudio music = [] {
            std::vector<uint8_t> bytes;
            ReadWholeFile(DataFile("avseq01.mp3"), bytes);
            DecodedAudio decoded;
            DecodeAudio(bytes.data(), bytes.size(), decoded);
            return decoded;
        }();
        return music;
    }
    // Loudness of [from, to) seconds in dB of full scale.
    static double Loudness(double from, double to) {
        const DecodedAudio& music = Music();
        const auto* samples = reinterpret_cast<const int16_t*>(music.samples.data());
        const size_t first = size_t(from * 44100),
                     last = std::min(size_t(to * 44100), music.FrameCount());
        double energy = 0;
        for (size_t i = first; i < last; ++i)
            for (int c = 0; c < 2; ++c) {
                const double v = samples[2 * i + size_t(c)] / 32768.0;
                energy += v * v;
            }
        return 10 * std::log10(energy / double(2 * (last - first)) + 1e-15);
    }
};

TEST_F(MusicTest, PlaysAsTheShowsClockAtTheRightLength) {
    Sound sound;
    ASSERT_EQ(sound.Init(44100, nullptr), 0);
    Stream stream;
    ASSERT_EQ(stream.Open(DataFile("avseq01.mp3").c_str(), false, 0, 0), 0);
    DWORD frequency = 0;
    sound.ChannelGetAttributes(stream.Handle(), &frequency, nullptr, nullptr);
    EXPECT_EQ(BytesPerSecond(frequency, sound.ChannelGetFlags(stream.Handle())), 176400.0f);
    EXPECT_GE(Music().FrameCount(), size_t(195 * 44100));
}

TEST_F(MusicTest, LoudInEverySectionUnclippedAndFadingToSilence) {
    const double sections[] = {0.5,  11.5, 23.2,  33,    34.4,  45.7,  57,
                               71.2, 88.2, 116.2, 127.6, 141.6, 164.2, 185};
    for (size_t i = 0; i + 1 < std::size(sections); ++i)
        EXPECT_GT(Loudness(sections[i], sections[i + 1]), -32.0) << "from " << sections[i];
    for (int second = 1; second < 185; ++second)
        EXPECT_GT(Loudness(second, second + 1), -40.0) << "second " << second;
    const auto* samples = reinterpret_cast<const int16_t*>(Music().samples.data());
    int peak = 0;
    for (size_t i = 0; i < Music().samples.size() / 2; ++i)
        peak = std::max(peak, std::abs(int(samples[i])));
    EXPECT_LT(peak, 32700);
    EXPECT_LT(Loudness(189, 191), Loudness(170, 175) - 30);
    EXPECT_LT(Loudness(191.2, 195), -80.0);
}

TEST(DataSet, TwoRunsOfTheGeneratorGiveTheSameBytes) {
#ifdef SHOW_DATA_SECOND_RUN
    // The build's own second run, made whenever the generator changed.
    const std::string again = SHOW_DATA_SECOND_RUN;
#else
    TestFolder folder;
    const std::string again = folder.Root() + "/again";
    ASSERT_EQ(std::system((std::string(SHOW_DATAGEN) + " " + again).c_str()), 0);
#endif
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kData)) {
        std::vector<uint8_t> first, second;
        ASSERT_EQ(ReadWholeFile(entry.path().string(), first), 0);
        ASSERT_EQ(ReadWholeFile(again + "/" + entry.path().filename().string(), second), 0)
            << entry.path();
        EXPECT_TRUE(first == second) << entry.path();
        ++compared;
    }
    EXPECT_EQ(compared, 26); // 19 pictures, 5 clips, the ball and the music
}

} // namespace
