// A fixture for the scene tests: the device with the shared buffers, a data folder that each
// test fills with pictures, clips and meshes of its own, and readers for what a scene left in
// the shared buffers and on screen.
#pragma once

#include "fx/shared_buffers.h"
#include "platform/d3d8/draw_record.h"
#include "platform/files/load_failure.h"
#include "scenes/music_time.h"
#include "tests/support/draw_test.h"
#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"
#include "tests/support/video_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// What one draw of a frame was given, kept after the frame.
struct Draw {
    DWORD renderStates[D3DRS_TABLE_SIZE];
    DWORD stageStates[D3DTSS_TABLE_SIZE];
    D3DMATRIX world, view, projection;
    D3DMATERIAL8 material;
    D3DLIGHT8 light; // light 0
    int lightsOn;
    const void* texture;
    UINT vertices, indices;

    DWORD State(D3DRENDERSTATETYPE state) const { return renderStates[state]; }
    bool Adds() const {
        return State(D3DRS_ALPHABLENDENABLE) && State(D3DRS_SRCBLEND) == D3DBLEND_ONE &&
               State(D3DRS_DESTBLEND) == D3DBLEND_ONE;
    }
    bool Opaque() const { return !State(D3DRS_ALPHABLENDENABLE); }
    bool EnvironmentMapped() const {
        return (stageStates[D3DTSS_TEXCOORDINDEX] & 0xFFFF0000u) == D3DTSS_TCI_CAMERASPACENORMAL;
    }
};

// The matrices worked out from their definitions, in double precision, for checking what a
// scene handed the device: a left-handed look-at with y up, the perspective of a square view
// from 1 to 100, and turns about x, then y, then z, for row vectors.
struct Matrix {
    double m[4][4] = {};
};
inline Matrix LookingFrom(double ex, double ey, double ez, double tx, double ty, double tz) {
    double z[3] = {tx - ex, ty - ey, tz - ez};
    const double zl = std::sqrt(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
    for (double& c : z)
        c /= zl;
    double x[3] = {z[2], 0.0, -z[0]}; // (0, 1, 0) x z
    const double xl = std::sqrt(x[0] * x[0] + x[2] * x[2]);
    for (double& c : x)
        c /= xl;
    const double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2],
                         z[0] * x[1] - z[1] * x[0]};
    Matrix v;
    for (int r = 0; r < 3; ++r)
        v.m[r][0] = x[r], v.m[r][1] = y[r], v.m[r][2] = z[r];
    v.m[3][0] = -(x[0] * ex + x[1] * ey + x[2] * ez);
    v.m[3][1] = -(y[0] * ex + y[1] * ey + y[2] * ez);
    v.m[3][2] = -(z[0] * ex + z[1] * ey + z[2] * ez);
    v.m[3][3] = 1;
    return v;
}
inline Matrix Perspective(double fieldOfView) {
    Matrix p;
    p.m[0][0] = p.m[1][1] = 1.0 / std::tan(fieldOfView / 2);
    p.m[2][2] = 100.0 / 99.0;
    p.m[2][3] = 1;
    p.m[3][2] = -100.0 / 99.0;
    return p;
}
inline Matrix Turned(double x, double y, double z) {
    const double cx = std::cos(x), sx = std::sin(x), cy = std::cos(y), sy = std::sin(y),
                 cz = std::cos(z), sz = std::sin(z);
    const double rx[3][3] = {{1, 0, 0}, {0, cx, sx}, {0, -sx, cx}};
    const double ry[3][3] = {{cy, 0, -sy}, {0, 1, 0}, {sy, 0, cy}};
    const double rz[3][3] = {{cz, sz, 0}, {-sz, cz, 0}, {0, 0, 1}};
    double xy[3][3] = {};
    Matrix w;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                xy[r][c] += rx[r][k] * ry[k][c];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                w.m[r][c] += xy[r][k] * rz[k][c];
    w.m[3][3] = 1;
    return w;
}
inline ::testing::AssertionResult SameMatrix(const D3DMATRIX& actual, const Matrix& expected,
                                             double tolerance = 2e-6) {
    const float* a = &actual._11;
    for (int i = 0; i < 16; ++i)
        if (std::fabs(a[i] - expected.m[i / 4][i % 4]) > tolerance)
            return ::testing::AssertionFailure() << "element " << i / 4 + 1 << i % 4 + 1 << " is "
                                                 << a[i] << ", not " << expected.m[i / 4][i % 4];
    return ::testing::AssertionSuccess();
}

class SceneTest : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        musicTime = 0.0f;
    }

    // Renders one frame of `scene` at music time `music` and show clock `milliseconds`, and
    // returns its draws; the device must be back at its baseline afterwards.
    template <class Scene>
    std::vector<Draw> Frame(Scene& scene, float music, int32_t milliseconds) {
        std::vector<Draw> draws;
        RecordDraws([&draws](const DrawRecord& record) {
            Draw draw;
            const DrawState& s = record.state;
            std::copy_n(s.renderStates, D3DRS_TABLE_SIZE, draw.renderStates);
            std::copy_n(s.stageStates, D3DTSS_TABLE_SIZE, draw.stageStates);
            draw.world = *s.world;
            draw.view = *s.view;
            draw.projection = *s.projection;
            draw.material = *s.material;
            draw.light = s.lights[0];
            draw.lightsOn = int(std::count(s.lightEnabled, s.lightEnabled + kMaxLights, true));
            draw.texture = record.texture;
            draw.vertices = record.vertexEnd;
            draw.indices = record.indexCount;
            draws.push_back(draw);
        });
        musicTime = music;
        EXPECT_EQ(scene.Render(milliseconds), 0);
        RecordDraws(nullptr);
        ExpectBaseline();
        return draws;
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
        ASSERT_TRUE(WriteClip(folder.Root() + "/" + path, AviCodec::RawBgr24, width, 256, frames));
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
    // bands (the canvas's 256 rows stretch over the 480 of the screen), or -1. `clipGrey`
    // undoes what the scene did to the clip's grey on the way to the screen.
    int ClipFrameOnScreen(int x, const std::function<int(int)>& clipGrey = nullptr) const {
        int frame = 0;
        for (int band = 0; band < 4; ++band) {
            const int shown = At(x, 60 + 120 * band).g;
            const int grey = clipGrey ? clipGrey(shown) : shown;
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

    // Whether a clip showing a frame whose top band is dark begins at canvas column 96 on a
    // white canvas. The canvas's 512 columns stretch over the screen's 640 (less the
    // thousandth the quad spares), so screen column 119 samples canvas columns 94 and 95
    // alone, and column 121 columns 96 and 97 alone.
    ::testing::AssertionResult ClipBeginsAtCanvasColumn96() const {
        const Pixel before = At(119, 60), first = At(121, 60);
        if (!Near(before, {255, 255, 255}, 2))
            return ::testing::AssertionFailure() << "column 119 is not white: " << int(before.g);
        if (first.g > 128)
            return ::testing::AssertionFailure() << "column 121 is light: " << int(first.g);
        return ::testing::AssertionSuccess();
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
