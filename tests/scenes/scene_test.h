// A fixture for the scene tests: the device with the shared buffers, a data folder that each
// test fills with pictures, clips and meshes of its own, and readers for what a scene left in
// the shared buffers and on screen.
#pragma once

#include "fx/shared_buffers.h"
#include "platform/files/load_failure.h"
#include "scenes/music_time.h"
#include "tests/support/draw_test.h"
#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"
#include "tests/support/video_files.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class SceneTest : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        musicTime = 0.0f;
    }

    // A small JPEG of one colour (0xRRGGBB); JPEG keeps a flat colour within a level or two.
    void Picture(const std::string& path, uint32_t rgb) const {
        folder.Write(path, MakeJpeg(32, 32, 3, [rgb](int, int) {
                         return Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
                     }));
    }

    // An uncompressed clip, 256 rows high, whose frame k shows k in four grey bands.
    void Clip(const std::string& path, int width, int frames) const {
        std::filesystem::create_directories(
            std::filesystem::path(folder.Root() + "/" + path).parent_path());
        ASSERT_TRUE(WriteClip(folder.Root() + "/" + path, ClipCodec::RawBgr24, width, 256, frames));
    }

    // What the last frame's draws left in the shared buffers.
    static Vertex SharedVertex(int i) {
        LockSharedVertices();
        const Vertex v = SharedVertices[i];
        UnlockSharedVertices();
        return v;
    }
    static uint16_t SharedIndex(int i) {
        LockSharedIndices();
        const uint16_t index = SharedIndices[i];
        UnlockSharedIndices();
        return index;
    }

    // The clip frame on screen in column x of the last presented frame, read from its four
    // bands (the canvas's 256 rows stretch over the 480 of the screen), or -1.
    int ClipFrameOnScreen(int x) const {
        int frame = 0;
        for (int band = 0; band < 4; ++band) {
            const int grey = At(x, 60 + 120 * band).g;
            int best = -1, distance = 999;
            for (int bits = 0; bits < 4; ++bits) {
                const int d = std::abs(grey - BandLevel(bits << (2 * band), band));
                if (d < distance) best = bits, distance = d;
            }
            if (distance > 6) return -1;
            frame |= best << (2 * band);
        }
        return frame;
    }

    // For each of `files`: the whole data set written by `writeData`, then that one file
    // removed, and again written over with bytes that are no picture, clip or mesh. Each time
    // Init must fail, having released every texture it made before it returns, and destroying
    // the scene afterwards must release nothing more.
    template <class Scene>
    void ExpectInitFailsCleanlyAtEachFile(const std::function<void()>& writeData,
                                          const std::vector<std::string>& files) {
        for (const std::string& file : files)
            for (bool broken : {false, true}) {
                SCOPED_TRACE(file + (broken ? " broken" : " missing"));
                writeData();
                if (broken)
                    folder.Write(file, std::string("not what it claims to be"));
                else
                    std::remove((folder.Root() + "/" + file).c_str());
                host::test::StartTrace();
                TakeLoadFailure();
                {
                    Scene scene;
                    EXPECT_EQ(scene.Init(), -1);
                    // The file is named, with what is wrong with it.
                    const std::string why = TakeLoadFailure();
                    EXPECT_EQ(why.rfind(file + ": ", 0), 0u) << why;
                    if (!broken) {
                        EXPECT_EQ(why, file + ": missing");
                    }
                    EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"),
                              TraceCount("CreateTexture"));
                }
                EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"), TraceCount("CreateTexture"));
            }
    }

    // A whole Init releases every texture it made exactly once when the scene is destroyed,
    // and a scene that was never initialised releases nothing.
    template <class Scene> void ExpectReleasesWhatInitMade(const std::function<void()>& writeData) {
        host::test::StartTrace();
        { Scene untouched; }
        EXPECT_TRUE(host::test::Trace().empty());
        writeData();
        host::test::StartTrace();
        {
            Scene scene;
            ASSERT_EQ(scene.Init(), 0);
            EXPECT_GT(TraceCount("CreateTexture"), 0);
        }
        EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"), TraceCount("CreateTexture"));
    }

    TestFolder folder;
};
