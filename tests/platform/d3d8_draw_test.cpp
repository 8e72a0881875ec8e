// The stand-in's rasterisation against Direct3D's rules, drawn through the device directly.
#include "platform/d3d8/d3d8.h"
#include "tests/support/raw_device_test.h"

#include <cstring>

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
    void Rectangle(float left, float top, float right, float bottom, D3DCOLOR colour) {
        const TestVertex corners[4] = {{left, bottom, 0.5f, 0, 0, 0, colour, 0, 1},
                                       {right, bottom, 0.5f, 0, 0, 0, colour, 1, 1},
                                       {left, top, 0.5f, 0, 0, 0, colour, 0, 0},
                                       {right, top, 0.5f, 0, 0, 0, colour, 1, 0}};
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
