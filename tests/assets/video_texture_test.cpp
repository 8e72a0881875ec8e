// Clips made by the tests, played through VideoTexture into texture memory.
#include "assets/video_texture.h"
#include "platform/host/host.h"
#include "platform/host/run_state.h"
#include "tests/support/test_folder.h"
#include "tests/support/video_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace {

// A 512 x 256 canvas with a guard row above and below, as a locked texture would be.
class Canvas {
public:
    Canvas() : pixels(512 * 258, kGuard) {}
    uint32_t* Bits(int column = 0) { return pixels.data() + 512 + column; }
    const uint32_t* Row(int y) const { return pixels.data() + 512 * (y + 1); }
    bool GuardsIntact() const {
        for (int x = 0; x < 512; ++x)
            if (pixels[size_t(x)] != kGuard || pixels[size_t(512 * 257 + x)] != kGuard)
                return false;
        return true;
    }
    static constexpr uint32_t kGuard = 0x12345678;
    std::vector<uint32_t> pixels;
};

struct Clip {
    const char* name;
    AviCodec codec;
    int width;
};

void PrintTo(const Clip& clip, std::ostream* out) {
    *out << clip.name;
}

class VideoClipTest : public testing::TestWithParam<Clip> {
protected:
    void SetUp() override {
        folder.Write("Data/placeholder", std::string());
        ASSERT_TRUE(WriteClip(folder.Root() + "/Data/clip.avi", GetParam().codec, GetParam().width,
                              64, kFrames));
        ASSERT_EQ(video.Open("data/CLIP.avi", 512, 256), 1);
    }

    int Shown(uint32_t frame) {
        if (video.CopyFrame(frame, canvas.Bits(), 2048, 0) != 1) return -2;
        return FrameShown(canvas.Bits(), GetParam().width, 64, 2048);
    }

    static constexpr int kFrames = 40;
    TestFolder folder;
    VideoTexture video;
    Canvas canvas;
};

TEST_P(VideoClipTest, DeliversFrameKForwardBackwardAndAtRandom) {
    EXPECT_EQ(video.FrameCount(), uint32_t(kFrames));
    EXPECT_EQ(video.Width(), uint32_t(GetParam().width));
    for (int k = 0; k < kFrames; ++k)
        EXPECT_EQ(Shown(uint32_t(k)), k) << "forward";
    for (int k = kFrames - 1; k >= 0; --k)
        EXPECT_EQ(Shown(uint32_t(k)), k) << "backward";
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i) {
        const int k = int(random() % kFrames);
        EXPECT_EQ(Shown(uint32_t(k)), k) << "random";
    }
    EXPECT_EQ(Shown(uint32_t(kFrames - 1)), kFrames - 1);
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST_P(VideoClipTest, AFramePastTheEndWritesNothing) {
    ASSERT_EQ(Shown(3), 3);
    EXPECT_EQ(video.CopyFrame(kFrames, canvas.Bits(), 2048, 0), 0);
    EXPECT_EQ(video.CopyFrame(0xFFFFFFFFu, canvas.Bits(), 2048, 0), 0);
    EXPECT_EQ(FrameShown(canvas.Bits(), GetParam().width, 64, 2048), 3);
}

INSTANTIATE_TEST_SUITE_P(Codecs, VideoClipTest,
                         testing::Values(Clip{"Mjpeg", AviCodec::Mjpeg, 320},
                                         Clip{"RawBgr24", AviCodec::RawBgr24, 320},
                                         Clip{"RawOddWidth", AviCodec::RawBgr24, 99},
                                         Clip{"Mpeg4InterFrames", AviCodec::Mpeg4, 320},
                                         Clip{"H264InterFrames", AviCodec::H264, 320}),
                         [](const testing::TestParamInfo<Clip>& info) { return info.param.name; });

class VideoTextureTest : public testing::Test {
protected:
    TestFolder folder;
    Canvas canvas;
};

TEST_F(VideoTextureTest, An320WideClipAtColumn96LandsCentred) {
    ASSERT_TRUE(WriteClip(folder.Root() + "/clip.avi", AviCodec::RawBgr24, 320, 64, 2));
    VideoTexture video;
    ASSERT_EQ(video.Open("clip.avi", 416, 256), 1);
    ASSERT_EQ(video.CopyFrame(1, canvas.Bits(96), 2048, 0), 1);
    for (int y : {0, 63}) {
        EXPECT_EQ(canvas.Row(y)[95], Canvas::kGuard);
        EXPECT_NE(canvas.Row(y)[96], Canvas::kGuard);
        EXPECT_NE(canvas.Row(y)[415], Canvas::kGuard);
        EXPECT_EQ(canvas.Row(y)[416], Canvas::kGuard);
    }
    EXPECT_EQ(canvas.Row(64)[200], Canvas::kGuard);
}

TEST_F(VideoTextureTest, EveryPixelKeepsItsOwnColourOpaque) {
    // Red, green and blue all differ and change along each row, so a pixel taken from the wrong
    // place, a channel out of order or a lost alpha shows. The widths run through every way a
    // row can end: shorter than one group of pixels, a group exactly, and a few left over.
    const auto colour = [](int x, int y) {
        return uint32_t(x * 7 + y) << 16 | uint32_t(x * 3 + 5 * y + 1) << 8 | uint32_t(200 - x);
    };
    for (int width : {1, 3, 4, 5, 6, 7, 8, 9, 10, 37, 99}) {
        ASSERT_TRUE(WritePatternClip(folder.Root() + "/pattern.avi", width, 5, colour));
        VideoTexture video;
        ASSERT_EQ(video.Open("pattern.avi", 512, 256), 1);
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), Canvas::kGuard);
        ASSERT_EQ(video.CopyFrame(0, canvas.Bits(3), 2048, 0), 1);
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(canvas.Row(y)[2], Canvas::kGuard) << width;
            for (int x = 0; x < width; ++x) {
                const uint32_t c = colour(x, y);
                const uint32_t expected =
                    0xFF000000u | (c >> 16 & 0xFF) << 16 | (c >> 8 & 0xFF) << 8 | (c & 0xFF);
                ASSERT_EQ(canvas.Row(y)[3 + x], expected) << width << " wide at " << x << ", " << y;
            }
            EXPECT_EQ(canvas.Row(y)[3 + width], Canvas::kGuard) << width;
        }
    }
}

TEST_F(VideoTextureTest, AJpegClipsLeftEdgeIsItsOwnPicture) {
    // Each frame's bands run across the whole width, so every row is one grey from its first
    // pixel to its last, whatever the JPEG coding did to the level. Bottom-up conversions once
    // took the first four pixels of each row from elsewhere.
    for (int width : {64, 320, 492}) {
        ASSERT_TRUE(WriteClip(folder.Root() + "/bands.avi", AviCodec::Mjpeg, width, 64, 2));
        VideoTexture video;
        ASSERT_EQ(video.Open("bands.avi", 512, 256), 1);
        ASSERT_EQ(video.CopyFrame(1, canvas.Bits(), 2048, 0), 1);
        int uneven = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 8; ++x) {
                const uint32_t edge = canvas.Row(y)[x], inside = canvas.Row(y)[width / 2];
                for (int shift : {0, 8, 16})
                    uneven += std::abs(int(edge >> shift & 0xFF) - int(inside >> shift & 0xFF)) > 6;
            }
        EXPECT_EQ(uneven, 0) << width << " wide";
    }
}

TEST_F(VideoTextureTest, KeyFactorOneTurnsLightToTransparent) {
    struct Case {
        uint8_t grey;
        uint32_t keyed;
    };
    // White vanishes, black stays opaque, (200, 200, 200) gets alpha 165 and colour 128.
    for (const Case c : {Case{255, 0x00000000u}, Case{0, 0xFF000000u}, Case{200, 0xA5808080u}}) {
        ASSERT_TRUE(WriteGreyClip(folder.Root() + "/grey.avi", 8, 8, c.grey));
        VideoTexture video;
        ASSERT_EQ(video.Open("grey.avi", 512, 256), 1);
        ASSERT_EQ(video.CopyFrame(0, canvas.Bits(), 2048, 1), 1);
        EXPECT_EQ(canvas.Row(3)[3], c.keyed) << int(c.grey);
        ASSERT_EQ(video.CopyFrame(0, canvas.Bits(), 2048, 0), 1);
        EXPECT_EQ(canvas.Row(3)[3], 0xFF000000u | c.grey * 0x010101u) << int(c.grey);
    }
}

TEST_F(VideoTextureTest, ALargerClipIsCutToTheRoomGiven) {
    ASSERT_TRUE(WriteClip(folder.Root() + "/big.avi", AviCodec::RawBgr24, 600, 300, 1));
    VideoTexture video;
    ASSERT_EQ(video.Open("big.avi", 416, 256), 1);
    ASSERT_EQ(video.CopyFrame(0, canvas.Bits(96), 2048, 0), 1);
    EXPECT_NE(canvas.Row(255)[96 + 415], Canvas::kGuard);
    EXPECT_EQ(canvas.Row(255)[96 + 416], Canvas::kGuard);
    EXPECT_TRUE(canvas.GuardsIntact());
}

TEST_F(VideoTextureTest, FramesThatShrinkComeAtTheFirstFramesSize) {
    // Four 320 x 256 frames, then four of 16 x 16: each small one is scaled up, so every frame
    // fills the same area and nothing is read past a frame's bitmap.
    ASSERT_TRUE(WriteResizingClip(folder.Root() + "/shrinking.avi", 320, 256, 4, 16, 16, 4));
    VideoTexture video;
    ASSERT_EQ(video.Open("shrinking.avi", 416, 256), 1);
    EXPECT_EQ(video.Width(), 320u);
    EXPECT_EQ(video.Height(), 256u);
    for (uint32_t frame : {0u, 5u, 2u, 7u, 4u, 3u}) {
        std::fill(canvas.pixels.begin(), canvas.pixels.end(), Canvas::kGuard);
        ASSERT_EQ(video.CopyFrame(frame, canvas.Bits(96), 2048, 0), 1) << frame;
        // The frame's flat grey, corner to corner of the first frame's area.
        const int grey = int(10 + 10 * frame);
        for (int y : {0, 128, 255})
            for (int x : {96, 250, 415})
                EXPECT_NEAR(int(canvas.Row(y)[x] & 0xFF), grey, 3) << frame << " at " << x;
        EXPECT_EQ(canvas.Row(100)[416], Canvas::kGuard);
        EXPECT_TRUE(canvas.GuardsIntact());
    }
}

TEST_F(VideoTextureTest, OpenCloseAndTheLibraryCount) {
    ASSERT_TRUE(WriteClip(folder.Root() + "/a.avi", AviCodec::Mjpeg, 64, 32, 5));
    ASSERT_TRUE(WriteClip(folder.Root() + "/b.avi", AviCodec::Mjpeg, 32, 32, 9));
    const int before = AviFileInitCount();
    {
        VideoTexture video;
        EXPECT_EQ(AviFileInitCount(), before + 1);
        EXPECT_EQ(video.Close(), 0);
        ASSERT_EQ(video.Open("a.avi", 512, 256), 1);
        // A second Open fails and keeps the clip that is open.
        EXPECT_EQ(video.Open("b.avi", 512, 256), 0);
        EXPECT_EQ(video.FrameCount(), 5u);
        EXPECT_EQ(video.Width(), 64u);
        EXPECT_EQ(video.Close(), 1);
        EXPECT_EQ(video.FrameCount(), 0u);
        EXPECT_EQ(video.Close(), 0);
        EXPECT_EQ(video.CopyFrame(0, canvas.Bits(), 2048, 0), 0);
    }
    EXPECT_EQ(AviFileInitCount(), before);
}

TEST_F(VideoTextureTest, BadFilesFailToOpenWithoutHarm) {
    VideoTexture video;
    EXPECT_EQ(video.Open("missing.avi", 512, 256), 0);
    folder.Write("text.avi", std::string(4000, 'q'));
    EXPECT_EQ(video.Open("text.avi", 512, 256), 0);

    ASSERT_TRUE(WriteClip(folder.Root() + "/clip.avi", AviCodec::Mjpeg, 64, 32, 10));
    std::ifstream in(folder.Root() + "/clip.avi", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    // Cut after the headers: no frame can be decoded.
    folder.Write("cut.avi", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 600));
    EXPECT_EQ(video.Open("cut.avi", 512, 256), 0);
    // An unknown codec.
    std::vector<uint8_t> unknown = bytes;
    for (size_t i = 0; i + 4 <= unknown.size(); ++i)
        if (std::equal(unknown.begin() + long(i), unknown.begin() + long(i) + 4, "MJPG"))
            std::copy_n("ZQ9X", 4, unknown.begin() + long(i));
    folder.Write("unknown.avi", unknown);
    EXPECT_EQ(video.Open("unknown.avi", 512, 256), 0);
    // Damage in the middle: whatever opens, no frame request may hurt.
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 300 && i < damaged.size(); ++i)
        damaged[i] ^= 0xA5;
    folder.Write("damaged.avi", damaged);
    if (video.Open("damaged.avi", 512, 256) == 1)
        for (uint32_t k = 0; k < 12; ++k)
            video.CopyFrame(k, canvas.Bits(), 2048, 0);
    EXPECT_TRUE(canvas.GuardsIntact());
}

} // namespace

// While the host fast-forwards, frames asked for are noted for the surface being written and not
// given; the first frame asked for that surface afterwards shows what a full play would: the
// frame asked for, or where it has none, the last noted one.
TEST_F(VideoTextureTest, FastForwardedFramesShowWhenTheSurfaceIsNextWritten) {
    host::UseOffScreen(nullptr);
    ASSERT_TRUE(WriteClip(folder.Root() + "/wide.avi", AviCodec::Mjpeg, 64, 64, 20));
    ASSERT_TRUE(WriteClip(folder.Root() + "/same.avi", AviCodec::Mjpeg, 64, 64, 20));
    ASSERT_TRUE(WriteClip(folder.Root() + "/narrow.avi", AviCodec::Mjpeg, 32, 64, 20));
    VideoTexture wide, same, narrow;
    ASSERT_EQ(wide.Open("wide.avi", 512, 256), 1);
    ASSERT_EQ(same.Open("same.avi", 512, 256), 1);
    ASSERT_EQ(narrow.Open("narrow.avi", 512, 256), 1);
    Canvas other;
    const auto copy = [](VideoTexture& clip, uint32_t frame, Canvas& into) {
        host::Run().lockedSurface = &into;
        const int32_t copied = clip.CopyFrame(frame, into.Bits(), 2048, 0);
        host::Run().lockedSurface = nullptr;
        return copied;
    };
    const auto shown = [](Canvas& on) { return FrameShown(on.Bits(), 64, 64, 2048); };

    // Noted, not given: the canvas keeps its guard fill.
    host::SetFastForward(true);
    EXPECT_EQ(copy(wide, 5, canvas), 0);
    EXPECT_EQ(copy(wide, 6, canvas), 0);
    EXPECT_EQ(copy(wide, 25, canvas), 0); // past the end: nothing to note
    EXPECT_EQ(copy(same, 3, other), 0);
    EXPECT_EQ(canvas.Row(0)[0], Canvas::kGuard);
    host::SetFastForward(false);
    // A frame past the end shows the last noted frame for that canvas, once.
    EXPECT_EQ(copy(wide, 20, canvas), 1);
    EXPECT_EQ(shown(canvas), 6);
    EXPECT_EQ(copy(wide, 20, canvas), 0);
    // The other canvas's note is its own: a frame that exists shows as asked.
    EXPECT_EQ(copy(same, 9, other), 1);
    EXPECT_EQ(shown(other), 9);
    EXPECT_TRUE(host::FastForwardExact());

    // Another clip of the same size noted for the canvas stands in when the next has no frame.
    host::SetFastForward(true);
    copy(wide, 2, canvas);
    copy(same, 11, canvas);
    host::SetFastForward(false);
    EXPECT_EQ(copy(wide, 30, canvas), 1);
    EXPECT_EQ(shown(canvas), 11);
    EXPECT_TRUE(host::FastForwardExact());

    // A clip of another size would have left part of its picture: not exact.
    host::SetFastForward(true);
    copy(narrow, 4, canvas);
    copy(wide, 8, canvas);
    host::SetFastForward(false);
    EXPECT_EQ(copy(wide, 9, canvas), 1);
    EXPECT_EQ(shown(canvas), 9);
    EXPECT_FALSE(host::FastForwardExact());
    EXPECT_TRUE(canvas.GuardsIntact() && other.GuardsIntact());
}
