// What the device sends OpenGL when a caller gives it nothing new: counted through the same
// layer as the benchmarks' (gl_calls.h), call by call and byte by byte.
#include "bench/bench_device.h"
#include "bench/gl_calls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Corner {
    float x, y, z, nx, ny, nz;
    D3DCOLOR diffuse;
    float u, v;
};

class DeviceSendsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ready);
        bool counting = false;
        CountedGlCalls(&counting);
        ASSERT_TRUE(counting);
        D3DMATRIX identity{};
        identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
        for (auto state : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION})
            d3d.SetTransform(state, &identity);
        d3d.SetRenderState(D3DRS_LIGHTING, FALSE);
        d3d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d3d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d3d.SetTexture(0, nullptr);
        d3d.SetStreamSource(0, sharedVertexBuffer, 36);
        d3d.SetVertexShader(kSharedVertexFormat);
        d3d.SetIndices(sharedIndexBuffer, 0);
    }

    template <class T> static void Write(D3DBuffer* buffer, const std::vector<T>& values) {
        BYTE* bits = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &bits, 0), D3D_OK);
        std::memcpy(bits, values.data(), values.size() * sizeof(T));
        buffer->Unlock();
    }

    // One frame: the vertices written, then each list of indices written and drawn in turn;
    // what it sent, and its picture.
    GlTally Frame(const std::vector<Corner>& corners,
                  const std::vector<std::vector<uint16_t>>& lists) {
        const GlTally before = CountedGlCalls();
        Write(sharedVertexBuffer, corners);
        for (const auto& list : lists) {
            Write(sharedIndexBuffer, list);
            EXPECT_EQ(d3d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, UINT(corners.size()), 0,
                                               UINT(list.size() / 3)),
                      D3D_OK);
        }
        const GlTally sent = CountedGlCalls() - before;
        device.renderer.EndFrame();
        return sent;
    }

    // A white square 0.6 wide from `left`, across the middle.
    static std::vector<Corner> Square(float left) {
        std::vector<Corner> corners;
        for (auto [x, y] : {std::pair{0.0f, 0.0f}, {0.6f, 0.0f}, {0.0f, 0.6f}, {0.6f, 0.6f}})
            corners.push_back({left + x, y - 0.3f, 0.5f, 0, 0, 0, 0xFFFFFFFF, 0, 0});
        return corners;
    }

    bool Lit(int x, int y) const { return (picture[size_t(y) * 640 + size_t(x)] & 0xFFFFFF) != 0; }

    std::vector<uint32_t> picture;
    BenchDevice device{[this](const host::Frame& frame) {
        if (frame.pixels)
            picture.assign(frame.pixels, frame.pixels + size_t(frame.width) * frame.height);
    }};
    IDirect3DDevice8& d3d = *sharedDevice;
};

TEST_F(DeviceSendsTest, APresentOffScreenLeavesTheStateItFoundAndAClearSendsNoColourAgain) {
    Frame(Square(-0.8f), {{0, 1, 2, 2, 1, 3}});
    const GlTally clear = CountedGlCalls();
    d3d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    EXPECT_EQ((CountedGlCalls() - clear).calls, 2u) << "the colour, then the clear";
    d3d.EndScene();
    const GlTally present = CountedGlCalls();
    d3d.Present(nullptr, nullptr, nullptr, nullptr);
    // Reading the frame back: its framebuffer bound for reading (bound already), the pack
    // alignment, the read; nothing bound again afterwards.
    EXPECT_EQ((CountedGlCalls() - present).calls, 3u);
    d3d.BeginScene();
    const GlTally again = CountedGlCalls();
    d3d.Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    EXPECT_EQ((CountedGlCalls() - again).calls, 1u) << "the clear alone";
}

TEST_F(DeviceSendsTest, BytesGivenAgainAreFoundWhereTheyWereSentAndAChangeIsSentAndDrawn) {
    // Two squares, one left of the middle (vertices 0 to 3) and one right of it (4 to 7).
    std::vector<Corner> corners = Square(-0.8f);
    for (const Corner& corner : Square(0.2f))
        corners.push_back(corner);
    // A long list drawing the left square again and again (6,000 bytes), and a short one
    // drawing it once, written over the long one: what a scene's shared buffers are given.
    std::vector<uint16_t> many;
    for (int i = 0; i < 500; ++i)
        many.insert(many.end(), {0, 1, 2, 2, 1, 3});
    const std::vector<uint16_t> once = {1, 3, 2, 2, 0, 1};
    const std::vector<std::vector<uint16_t>> lists = {many, once};

    // The vertices the draws reach, and both lists.
    EXPECT_EQ(Frame(corners, lists).uploadBytes, 4u * 36 + 6000 + 12);
    // Seen again: the long list is kept apart from now on.
    EXPECT_EQ(Frame(corners, lists).uploadBytes, 6000u);
    EXPECT_EQ(Frame(corners, lists).uploadBytes, 0u);
    ASSERT_EQ(picture.size(), 640u * 480);
    EXPECT_TRUE(Lit(200, 240));
    EXPECT_FALSE(Lit(440, 240));

    // The long list's last square moved to the right: it is sent, with the vertices it now
    // reaches, and the short list it overwrote; and drawn.
    std::vector<uint16_t> moved = many;
    for (size_t i = moved.size() - 6; i < moved.size(); ++i)
        moved[i] = uint16_t(moved[i] + 4);
    EXPECT_EQ(Frame(corners, {moved, once}).uploadBytes, 8u * 36 + 6000 + 12);
    EXPECT_TRUE(Lit(200, 240));
    EXPECT_TRUE(Lit(440, 240));
    // And back: all of it is found where it was kept.
    EXPECT_EQ(Frame(corners, lists).uploadBytes, 0u);
    EXPECT_TRUE(Lit(200, 240));
    EXPECT_FALSE(Lit(440, 240));
}

} // namespace
