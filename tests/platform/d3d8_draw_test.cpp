// The stand-in's rasterisation against Direct3D's rules, drawn through the device directly.
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/fixed_function.h"
#include "platform/host/backend.h"
#include "tests/support/raw_device_test.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TestVertex {
    float x, y, z, nx, ny, nz;
    D3DCOLOR diffuse;
    float u, v;
};

class D3D8DrawTest : public RawDeviceTest {
protected:
    void SetUp() override {
        RawDeviceTest::SetUp();
        host::UseOffScreen([this](const host::Frame& frame) {
            lastFrame.assign(frame.pixels, frame.pixels + frame.width * frame.height);
        });
        ASSERT_EQ(
            device->CreateVertexBuffer(36 * 4, D3DUSAGE_DYNAMIC, 0x152, D3DPOOL_DEFAULT, &vertices),
            D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(12, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                            &indices),
                  D3D_OK);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }
    void TearDown() override {
        indices->Release();
        vertices->Release();
        RawDeviceTest::TearDown();
    }

    // A rectangle given in clip coordinates (the transforms stay identity).
    void Rectangle(float left, float top, float right, float bottom, D3DCOLOR colour,
                   float z = 0.5f) {
        const TestVertex corners[4] = {{left, bottom, z, 0, 0, 0, colour, 0, 1},
                                       {right, bottom, z, 0, 0, 0, colour, 1, 1},
                                       {left, top, z, 0, 0, 0, colour, 0, 0},
                                       {right, top, z, 0, 0, 0, colour, 1, 0}};
        BYTE* bits = nullptr;
        vertices->Lock(0, 0, &bits, 0);
        std::memcpy(bits, corners, sizeof corners);
        vertices->Unlock();
        const uint16_t order[6] = {2, 1, 0, 3, 1, 2};
        indices->Lock(0, 0, &bits, 0);
        std::memcpy(bits, order, sizeof order);
        indices->Unlock();
        device->SetStreamSource(0, vertices, 36);
        device->SetVertexShader(0x152);
        device->SetIndices(indices, 0);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    }

    // Triangles given in clip coordinates, each of three vertices of one colour.
    void Triangles(const std::vector<TestVertex>& corners) {
        IDirect3DVertexBuffer8* many = nullptr;
        IDirect3DIndexBuffer8* order = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(UINT(36 * corners.size()), D3DUSAGE_DYNAMIC, 0x152,
                                             D3DPOOL_DEFAULT, &many),
                  D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(UINT(2 * corners.size()), D3DUSAGE_DYNAMIC,
                                            D3DFMT_INDEX16, D3DPOOL_DEFAULT, &order),
                  D3D_OK);
        BYTE* bits = nullptr;
        many->Lock(0, 0, &bits, 0);
        std::memcpy(bits, corners.data(), 36 * corners.size());
        many->Unlock();
        order->Lock(0, 0, &bits, 0);
        for (size_t i = 0; i < corners.size(); ++i)
            reinterpret_cast<uint16_t*>(bits)[i] = uint16_t(i);
        order->Unlock();
        device->SetStreamSource(0, many, 36);
        device->SetVertexShader(0x152);
        device->SetIndices(order, 0);
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(corners.size()), 0,
                                               UINT(corners.size() / 3)),
                  D3D_OK);
        order->Release();
        many->Release();
    }

    uint32_t At(int x, int y) const { return lastFrame[size_t(y * 640 + x)] & 0xFFFFFF; }

    void Present() {
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->BeginScene();
    }

    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    std::vector<uint32_t> lastFrame;
};

TEST_F(D3D8DrawTest, AWindowSizedTextureLandsTexelForPixel) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(640, 480, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            static_cast<uint32_t*>(locked.pBits)[y * 640 + x] =
                uint32_t(x * 2654435761u ^ y * 40503u) & 0xFFFFFF;
    texture->UnlockRect(0);
    device->SetTexture(0, texture);
    for (DWORD filter : {DWORD(D3DTEXF_POINT), DWORD(D3DTEXF_LINEAR)}) {
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, filter);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        // Pixel centres sit on integer coordinates: the rectangle's edges at -0.5 and 639.5.
        Rectangle(-1.0f - 1.0f / 640, 1.0f + 1.0f / 480, 1.0f - 1.0f / 640, -1.0f + 1.0f / 480,
                  0xFFFFFFFF);
        device->BeginScene();
        Present();
        int wrong = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                wrong += lastFrame[size_t(y * 640 + x)] !=
                         ((uint32_t(x * 2654435761u ^ y * 40503u) & 0xFFFFFF) | 0xFF000000u);
        EXPECT_EQ(wrong, 0) << "filter " << filter;
    }
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3D8DrawTest, AFullWindowRectangleCoversEveryEdgeRow) {
    // Clip -1 .. 1 puts the edges on the centres of column 0 and row 0 (the left and top edges,
    // which Direct3D fills) and just past the last column and row.
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFF20C040);
    Present();
    int unpainted = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            unpainted += At(x, y) != 0x20C040u;
    EXPECT_EQ(unpainted, 0);
    EXPECT_EQ(At(0, 0), 0x20C040u);
    EXPECT_EQ(At(639, 479), 0x20C040u);
}

TEST_F(D3D8DrawTest, EdgesThroughPixelCentresGoToTheTopAndLeftTriangles) {
    // A 4 x 4 grid of cells, two triangles each, added up: the cell edges lie on the centres of
    // columns 160, 320, 480 and rows 120, 240, 360, and each cell's diagonal passes through
    // more. By Direct3D's top-left rule a pixel on a vertical edge belongs to the cell on its
    // right, one on a horizontal edge to the cell below, and every pixel to exactly one
    // triangle: the red level is 8 x (cell + 1), never a sum and never 0.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    std::vector<TestVertex> corners;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const D3DCOLOR colour = 0xFF000000u | uint32_t(8 * (4 * row + column + 1)) << 16;
            const float left = -1.0f + 0.5f * float(column), right = left + 0.5f;
            const float top = 1.0f - 0.5f * float(row), bottom = top - 0.5f;
            const TestVertex a{left, top, 0.5f, 0, 0, 0, colour, 0, 0};
            const TestVertex b{right, top, 0.5f, 0, 0, 0, colour, 0, 0};
            const TestVertex c{left, bottom, 0.5f, 0, 0, 0, colour, 0, 0};
            const TestVertex d{right, bottom, 0.5f, 0, 0, 0, colour, 0, 0};
            for (const TestVertex& v : {a, b, d, a, d, c})
                corners.push_back(v);
        }
    Triangles(corners);
    Present();
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint32_t cell = uint32_t(4 * (y / 120) + x / 160);
            wrong += At(x, y) != (8 * (cell + 1)) << 16;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(At(160, 0), 16u << 16);
    EXPECT_EQ(At(159, 0), 8u << 16);
    EXPECT_EQ(At(0, 120), 40u << 16);
    EXPECT_EQ(At(0, 119), 8u << 16);
}

TEST_F(D3D8DrawTest, ClearTakesItsRectanglesAsWindowsDoes) {
    const auto clearAll = [&](D3DCOLOR colour) {
        return device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
    };
    const auto count = [&](uint32_t colour) {
        int n = 0;
        for (uint32_t p : lastFrame)
            n += (p & 0xFFFFFF) == colour;
        return n;
    };
    // A count of 0 with rectangles clears nothing, and succeeds.
    ASSERT_EQ(clearAll(0xFF102030), D3D_OK);
    const D3DRECT some{10, 10, 20, 20};
    EXPECT_EQ(device->Clear(0, &some, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0), D3D_OK);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->BeginScene();
    EXPECT_EQ(count(0x102030), 640 * 480);
    // A count without rectangles clears the whole target.
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0xFF405060, 1.0f, 0), D3D_OK);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->BeginScene();
    EXPECT_EQ(count(0x405060), 640 * 480);
    // A rectangle partly outside clears only its inside: columns 600 .. 639 of rows 0 .. 9.
    const D3DRECT overhanging{600, -30, 700, 10};
    EXPECT_EQ(device->Clear(1, &overhanging, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->BeginScene();
    EXPECT_EQ(count(0x0000FF), 40 * 10);
    EXPECT_EQ(At(600, 0), 0x0000FFu);
    EXPECT_EQ(At(639, 9), 0x0000FFu);
    EXPECT_EQ(At(639, 10), 0x405060u);
    EXPECT_EQ(At(599, 0), 0x405060u);
}

TEST_F(D3D8DrawTest, AtALargerDrawingSizeClearsAndDrawsLandWhereTheyWouldScaledUp) {
    // The frame presented, `width` pixels a row, read at (x, y).
    const auto at = [&](int width, int x, int y) {
        return lastFrame[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF;
    };
    const auto count = [&](uint32_t colour) {
        return std::count_if(lastFrame.begin(), lastFrame.end(),
                             [&](uint32_t p) { return (p & 0xFFFFFF) == colour; });
    };
    const auto present = [&] {
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        device->BeginScene();
    };
    // Twice as large, from the frame after the one that asks.
    host::SetDrawingSize(1280, 960);
    present();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    const D3DRECT overhanging{600, -30, 700, 10};
    device->Clear(1, &overhanging, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    Rectangle(-1.0f, -0.5f, 0.0f, -1.0f, 0xFF00FF00); // the lower quarter's left half
    present();
    ASSERT_EQ(lastFrame.size(), 1280u * 960u);
    // Columns 600 .. 639 and rows 0 .. 9 of the back buffer: 1200 .. 1279 and 0 .. 19.
    EXPECT_EQ(count(0x0000FF), 80 * 20);
    EXPECT_EQ(at(1280, 1200, 0), 0x0000FFu);
    EXPECT_EQ(at(1280, 1279, 19), 0x0000FFu);
    EXPECT_EQ(at(1280, 1199, 0), 0u);
    EXPECT_EQ(at(1280, 1200, 20), 0u);
    // Geometry keeps Direct3D's pixel centres on whole numbers of the back buffer: an edge at
    // x = 0 runs through the middle of its pixel 0, whose area (-0.5 to 0.5) is the target's
    // columns 0 and 1, so it covers column 1 but not 0. The rectangle, 0 to 320 across and 360
    // to 480 down, covers columns 1 .. 640 and rows 721 .. 959 (its bottom edge is off screen).
    EXPECT_EQ(count(0x00FF00), 640 * 239);
    EXPECT_EQ(at(1280, 1, 721), 0x00FF00u);
    EXPECT_EQ(at(1280, 640, 959), 0x00FF00u);
    EXPECT_EQ(at(1280, 0, 721), 0u);
    EXPECT_EQ(at(1280, 641, 721), 0u);
    EXPECT_EQ(at(1280, 640, 720), 0u);

    // 4.5 times: a back buffer pixel is 4.5 of the target's, so rectangles that meet still
    // meet, each edge at the nearest pixel edge (the halves rounded up): 0, 5 and 9.
    host::SetDrawingSize(2880, 2160);
    present();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DRECT first{0, 0, 1, 1}, second{1, 0, 2, 1};
    device->Clear(1, &first, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    device->Clear(1, &second, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    present();
    ASSERT_EQ(lastFrame.size(), 2880u * 2160u);
    EXPECT_EQ(count(0xFF0000), 5 * 5);
    EXPECT_EQ(count(0x00FF00), 4 * 5);
    EXPECT_EQ(at(2880, 4, 4), 0xFF0000u);
    EXPECT_EQ(at(2880, 5, 0), 0x00FF00u);
    EXPECT_EQ(at(2880, 8, 4), 0x00FF00u);
    EXPECT_EQ(at(2880, 9, 0), 0u);
    EXPECT_EQ(at(2880, 0, 5), 0u);

    // Back to the back buffer's own size.
    host::SetDrawingSize(0, 0);
    present();
    present();
    EXPECT_EQ(lastFrame.size(), 640u * 480u);
}

TEST_F(D3D8DrawTest, ADrawingSizeBeyondTheDriverIsRefused) {
    device->Release();
    device = nullptr;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    host::SetDrawingSize(int(largest) + 4, int(largest) * 3 / 4);
    D3DPRESENT_PARAMETERS p = FullScreen();
    EXPECT_TRUE(FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device)));
    EXPECT_EQ(device, nullptr);
    // Asked for while playing, it is not taken: the frames go on at their size.
    host::SetDrawingSize(0, 0);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3D_OK);
    host::SetDrawingSize(int(largest) + 4, int(largest) * 3 / 4);
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
    device->EndScene();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(lastFrame.size(), 640u * 480u);
    EXPECT_EQ(At(320, 240), 0x102030u);
}

TEST_F(D3D8DrawTest, AStageWithoutATexturePassesTheVertexColourOn) {
    device->SetTexture(0, nullptr);
    // Selecting the texture's colour and alpha gives the vertex's: a half-transparent red
    // blended by its alpha over white.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0x80FF0000);
    Present();
    const uint32_t blended = At(320, 240);
    EXPECT_NEAR(int(blended >> 16 & 0xFF), 255, 1);
    EXPECT_NEAR(int(blended >> 8 & 0xFF), 127, 1);
    EXPECT_NEAR(int(blended & 0xFF), 127, 1);
    // Modulating the texture with the diffuse colour gives the diffuse colour.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFF3070B0);
    Present();
    EXPECT_EQ(At(320, 240), 0x3070B0u);
}

TEST_F(D3D8DrawTest, DepthRangeIsZeroToOneAndTheTestIsLessOrEqual) {
    // Without a texture the stage reads white: the vertex colour shows.
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    Rectangle(-0.5f, 0.5f, 0.5f, -0.5f, 0xFF00FF00);
    // Same depth again passes LESSEQUAL.
    Rectangle(-0.25f, 0.25f, 0.25f, -0.25f, 0xFFFF0000);
    Present();
    EXPECT_EQ(lastFrame[240 * 640 + 320], 0xFFFF0000u);
    EXPECT_EQ(lastFrame[240 * 640 + 200], 0xFF00FF00u);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    Rectangle(-0.5f, 0.5f, 0.5f, -0.5f, 0xFF00FF00);
    Rectangle(-0.25f, 0.25f, 0.25f, -0.25f, 0xFFFF0000);
    Present();
    EXPECT_EQ(lastFrame[240 * 640 + 320], 0xFF00FF00u);
}

TEST_F(D3D8DrawTest, DepthIsTestedWhereverATestCouldFail) {
    // The device leaves out depth tests that cannot fail (nothing written since a clear to the
    // far plane, no depth written by the draw): none of these may come out otherwise.
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    // At the far plane itself: less-or-equal passes, less does not.
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFF0000FF, 1.0f);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    Rectangle(-1.0f, 1.0f, 0.0f, -1.0f, 0xFFFF0000, 1.0f);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    Present();
    EXPECT_EQ(At(480, 240), 0x0000FFu);
    EXPECT_EQ(At(160, 240), 0x0000FFu);
    // Depth written at 0.5 on the left hides what comes behind it there, drawn after without
    // writing depth.
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    Rectangle(-1.0f, 1.0f, 0.0f, -1.0f, 0xFF00FF00, 0.5f);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFF0000, 0.7f);
    Present();
    EXPECT_EQ(At(160, 240), 0x00FF00u);
    EXPECT_EQ(At(480, 240), 0xFF0000u);
    // Cleared nearer than the far plane, the whole target hides what lies behind.
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.6f, 0);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFF0000, 0.7f);
    Present();
    EXPECT_EQ(At(320, 240), 0x000000u);
    // Part of it cleared nearer: hidden there only.
    const D3DRECT left{0, 0, 320, 480};
    device->Clear(1, &left, D3DCLEAR_ZBUFFER, 0, 0.6f, 0);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFF0000, 0.7f);
    Present();
    EXPECT_EQ(At(160, 240), 0x000000u);
    EXPECT_EQ(At(480, 240), 0xFF0000u);
}

TEST_F(D3D8DrawTest, DestinationAlphaReadsOneWhateverWasDrawn) {
    // The back buffer has no alpha: a draw of alpha 0 leaves nothing that later blends read.
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0x00406080);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTALPHA);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVDESTALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Rectangle(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFF);
    Present();
    EXPECT_EQ(At(320, 240), 0x406080u);
}

// A shared buffer rewritten between draws, with fewer and then more rectangles, and a draw of a
// part further in: each frame must be what the same draw from buffers made for it gives.
TEST_F(D3D8DrawTest, BuffersRewrittenWithSmallerAndLargerRangesDrawWhatFreshBuffersWould) {
    struct Quad {
        float left, top;
        D3DCOLOR colour;
    };
    IDirect3DVertexBuffer8* shared = nullptr;
    IDirect3DIndexBuffer8* sharedOrder = nullptr;
    ASSERT_EQ(
        device->CreateVertexBuffer(36 * 64, D3DUSAGE_DYNAMIC, 0x152, D3DPOOL_DEFAULT, &shared),
        D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(2 * 96, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                        &sharedOrder),
              D3D_OK);
    // Writes `quads` (from vertex 0, as the toolkit writes) and draws triangles
    // [first, first + count) of them; the frame.
    const auto drawn = [&](IDirect3DVertexBuffer8* into, IDirect3DIndexBuffer8* order,
                           const std::vector<Quad>& quads, UINT first, UINT count) {
        std::vector<TestVertex> corners;
        std::vector<uint16_t> indices;
        for (const Quad& q : quads) {
            const uint16_t base = uint16_t(corners.size());
            const float r = q.left + 0.3f, b = q.top - 0.3f;
            corners.push_back({q.left, b, 0.5f, 0, 0, 0, q.colour, 0, 1});
            corners.push_back({r, b, 0.5f, 0, 0, 0, q.colour, 1, 1});
            corners.push_back({q.left, q.top, 0.5f, 0, 0, 0, q.colour, 0, 0});
            corners.push_back({r, q.top, 0.5f, 0, 0, 0, q.colour, 1, 0});
            for (int i : {2, 1, 0, 3, 1, 2})
                indices.push_back(uint16_t(base + i));
        }
        BYTE* bits = nullptr;
        into->Lock(0, 0, &bits, 0);
        std::memcpy(bits, corners.data(), corners.size() * sizeof(TestVertex));
        into->Unlock();
        order->Lock(0, 0, &bits, 0);
        std::memcpy(bits, indices.data(), indices.size() * 2);
        order->Unlock();
        device->SetStreamSource(0, into, 36);
        device->SetVertexShader(0x152);
        device->SetIndices(order, 0);
        device->BeginScene();
        EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(corners.size()),
                                               first * 3, count),
                  D3D_OK);
        Present();
        return lastFrame;
    };
    const std::vector<Quad> three = {
        {-0.9f, 0.9f, 0xFFFF0000}, {-0.2f, 0.5f, 0xFF00FF00}, {0.4f, 0.0f, 0xFF0000FF}};
    const std::vector<Quad> one = {{0.1f, -0.3f, 0xFFFFFF00}};
    std::vector<Quad> nine;
    for (int i = 0; i < 9; ++i)
        nine.push_back({-0.95f + 0.2f * float(i), -0.5f + 0.1f * float(i), 0xFF808080u + i});
    struct Step {
        const std::vector<Quad>* quads;
        UINT first, count;
    };
    for (const Step& step : {Step{&three, 0, 6}, Step{&one, 0, 2}, Step{&nine, 0, 18},
                             Step{&nine, 8, 6}, Step{&three, 2, 4}, Step{&nine, 0, 18}}) {
        const std::vector<uint32_t> reused =
            drawn(shared, sharedOrder, *step.quads, step.first, step.count);
        IDirect3DVertexBuffer8* fresh = nullptr;
        IDirect3DIndexBuffer8* freshOrder = nullptr;
        ASSERT_EQ(
            device->CreateVertexBuffer(36 * 64, D3DUSAGE_DYNAMIC, 0x152, D3DPOOL_DEFAULT, &fresh),
            D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(2 * 96, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16,
                                            D3DPOOL_DEFAULT, &freshOrder),
                  D3D_OK);
        const std::vector<uint32_t> made =
            drawn(fresh, freshOrder, *step.quads, step.first, step.count);
        EXPECT_TRUE(reused == made) << step.quads->size() << " quads from " << step.first;
        EXPECT_NE(std::count(made.begin(), made.end(), 0xFF000000u), 640 * 480);
        freshOrder->Release();
        fresh->Release();
    }
    sharedOrder->Release();
    shared->Release();
}

TEST_F(D3D8DrawTest, DrawsReachingOutsideTheBuffersAreRefused) {
    Rectangle(-0.5f, 0.5f, 0.5f, -0.5f, 0xFF00FF00);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 3), D3DERR_INVALIDCALL);
    device->SetIndices(indices, 1); // index 3 + 1 is past the four vertices
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShader(0x142), D3DERR_INVALIDCALL);
    // A released buffer is no longer bound.
    vertices->Release();
    ASSERT_EQ(device->CreateVertexBuffer(36 * 4, 0, 0x152, D3DPOOL_DEFAULT, &vertices), D3D_OK);
    device->SetIndices(indices, 0);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
}

} // namespace

TEST_F(D3D8DrawTest, WithoutTheLocalViewerTheHighlightLooksAlongTheCameraAxis) {
    // One white light 60 degrees off the view axis, on a full-window rectangle facing the camera:
    // N.L = 0.5 and, the viewer infinitely far back along the axis, H = normalize(L + (0, 0,
    // -1)) = (-0.5, 0, -0.866), so N.H = 0.866 at every vertex and the highlight is 0.866^4 =
    // 0.5625 of white, 143 levels, over a black diffuse. A local viewer would see it differ
    // from corner to corner.
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0.8660254f, 0, 0.5f};
    D3DMATERIAL8 material{};
    material.Specular = {1, 1, 1, 1};
    material.Power = 4;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    std::vector<TestVertex> corners;
    const float x0 = -1.0f, x1 = 1.0f, y0 = -1.0f, y1 = 1.0f;
    const TestVertex corner[4] = {{x0, y1, 0.5f, 0, 0, -1, 0xFF000000, 0, 0},
                                  {x1, y1, 0.5f, 0, 0, -1, 0xFF000000, 0, 0},
                                  {x0, y0, 0.5f, 0, 0, -1, 0xFF000000, 0, 0},
                                  {x1, y0, 0.5f, 0, 0, -1, 0xFF000000, 0, 0}};
    Triangles({corner[0], corner[1], corner[2], corner[2], corner[1], corner[3]});
    Present();
    for (const auto& at : {std::pair<int, int>{5, 5}, {320, 240}, {634, 474}, {600, 30}}) {
        const uint32_t pixel = At(at.first, at.second);
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int(pixel >> shift & 0xFF), 143, 1) << at.first << ", " << at.second;
    }
}
