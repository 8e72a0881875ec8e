// The benchmarks' check that the plain OpenGL program draws the show's picture: it holds for a
// frame recorded from the toolkit, and fails as soon as one side draws something else.
#include "bench/replay.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "tests/support/draw_test.h"

#include <cstring>
#include <functional>

namespace {

class ReplayTest : public DrawTest {
protected:
    // A lit, highlighted square over an added background: two draws, two textures.
    void DrawFrame() {
        DrawScreenQuad(*background, true, 0xFF808080, 1.0f, 1.0f);
        LockSharedVertices();
        LockSharedIndices();
        const Vertex corners[4] = {{-1, -1, 0, 0, 0, 0, 0xFFFFFFFF, 0, 1},
                                   {1, -1, 0, 0, 0, 0, 0xFFFFFFFF, 1, 1},
                                   {-1, 1, 0, 0, 0, 0, 0xFFFFFFFF, 0, 0},
                                   {1, 1, 0, 0, 0, 0, 0xFFFFFFFF, 1, 0}};
        std::memcpy(SharedVertices, corners, sizeof corners);
        const uint16_t order[6] = {2, 1, 0, 3, 1, 2};
        std::memcpy(SharedIndices, order, sizeof order);
        UnlockSharedVertices();
        UnlockSharedIndices();
        ComputeNormals(4, 2);
        ResetDrawSettings();
        drawSettings.lighting = true;
        drawSettings.lightCount = 1;
        drawSettings.material.SetDefaults();
        drawSettings.material.SetSpecular(1, 1, 1, 1);
        drawSettings.material.SetPower(8);
        drawSettings.lights[0].SetDefaults();
        drawSettings.lights[0].SetSpecular(0.5f, 0.5f, 0.5f, 0.5f);
        Camera camera;
        camera.eye = {0.0f, 0.0f, -4.0f};
        DrawGeometry(camera, Rotation{0.2f, 0.3f, 0.0f}, *picture, 4, 2);
    }

    // The show's frame, recorded, and its picture.
    Replay Record(std::vector<uint32_t>& shown) {
        Replay replay;
        RecordFrame(replay, [this] { DrawFrame(); });
        shown = Present();
        for (uint32_t& p : shown)
            p &= 0xFFFFFF;
        return replay;
    }

    std::vector<uint32_t> DrawBare(Replay& replay) {
        BareRenderer bare(replay);
        EXPECT_TRUE(bare.Ready());
        bare.DrawFrame(0);
        std::vector<uint32_t> pixels = bare.ReadBack();
        Present(); // back to the device's own target
        return pixels;
    }

    void SetUp() override {
        DrawTest::SetUp();
        background = &MakeTexture(16, 16, [](int x, int y) {
            return 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 16);
        });
        picture = &MakeTexture(
            8, 8, [](int x, int y) { return (x + y) % 2 ? 0xFFE0C040u : 0xFF4060A0u; });
    }

    const Texture* background = nullptr;
    const Texture* picture = nullptr;
};

TEST_F(ReplayTest, ThePlainProgramDrawsTheShowsPicture) {
    std::vector<uint32_t> shown;
    Replay replay = Record(shown);
    ASSERT_TRUE(replay.unsupported.empty()) << replay.unsupported;
    ASSERT_EQ(replay.frames[0].draws.size(), 2u);
    EXPECT_TRUE(replay.frames[0].draws[1].lit && replay.frames[0].draws[1].highlight);
    // Each texture goes up once, with the frame that first drew it.
    EXPECT_EQ(replay.frames[0].uploads.size(), 2u);
    const FrameDifference difference = CompareFrames(shown, DrawBare(replay));
    EXPECT_TRUE(difference.Same())
        << difference.coverage << " covered apart, " << difference.colour << " of another colour";
    EXPECT_LE(difference.largest, 3);
}

TEST_F(ReplayTest, TheCheckFailsWhenOneSideDrawsSomethingElse) {
    std::vector<uint32_t> shown;
    const Replay replay = Record(shown);
    const auto changed = [&](const std::function<void(ReplayFrame&)>& change) {
        Replay other = replay;
        change(other.frames[0]);
        return CompareFrames(shown, DrawBare(other)).Same();
    };
    // Another colour on one corner of the lit square.
    EXPECT_FALSE(changed([](ReplayFrame& f) { f.draws[1].vertices[24] ^= 0xFF; }));
    // The square a little to the side.
    EXPECT_FALSE(changed([](ReplayFrame& f) { f.draws[1].toClip[12] += 0.05f; }));
    // The background missing.
    EXPECT_FALSE(changed([](ReplayFrame& f) { f.draws.erase(f.draws.begin()); }));
    // Another highlight.
    EXPECT_FALSE(changed([](ReplayFrame& f) { f.draws[1].highlight = false; }));
    // The square added onto the background instead of covering it.
    EXPECT_FALSE(changed([](ReplayFrame& f) {
        f.draws[1].blend = true;
        f.draws[1].source = f.draws[1].destination = 0x1; // GL_ONE
    }));
    // And the show's side: its picture with one corner lit otherwise.
    std::vector<uint32_t> otherShown = shown;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            otherShown[size_t(y * 640 + x)] ^= 0x404040;
    Replay again = replay;
    EXPECT_FALSE(CompareFrames(otherShown, DrawBare(again)).Same());
}

TEST(CompareFrames, CountsCoverageAndColourApart) {
    std::vector<uint32_t> a(640 * 480, 0x102030), b = a;
    EXPECT_TRUE(CompareFrames(a, b).Same());
    for (int i = 0; i < 200; ++i)
        b[size_t(i)] = 0; // not covered in one of them
    for (int i = 1000; i < 1100; ++i)
        b[size_t(i)] = 0x102034; // four levels of blue apart
    b[5000] = 0x112131;          // within the tolerance
    const FrameDifference d = CompareFrames(a, b);
    EXPECT_EQ(d.coverage, 200);
    EXPECT_EQ(d.colour, 300);
    EXPECT_FALSE(d.Same());
    b.assign(a.size(), 0x102030);
    for (int i = 0; i < 153; ++i)
        b[size_t(i)] = 0x203040;
    EXPECT_TRUE(CompareFrames(a, b).Same());
    b[153] = 0x203040;
    EXPECT_FALSE(CompareFrames(a, b).Same());
}

} // namespace
