// The Direct3D stand-in's own rules: reference counts, calls refused, clears.
#include "platform/d3d8/d3d8.h"
#include "tests/support/raw_device_test.h"

namespace {

// These tests make their devices themselves.
class D3D8Test : public RawDeviceTest {
protected:
    void SetUp() override {
        createDevice = false;
        RawDeviceTest::SetUp();
    }
};

TEST_F(D3D8Test, OnlyTheDirectX8SdkVersionIsServed) {
    EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION + 1), nullptr);
}

TEST_F(D3D8Test, ResourcesKeepTheirDeviceAndTheDeviceItsDirect3D) {
    D3DPRESENT_PARAMETERS p = FullScreen();
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p,
                                &device),
              D3D_OK);
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(360, D3DUSAGE_DYNAMIC, 0x152, D3DPOOL_DEFAULT, &buffer),
              D3D_OK);
    host::test::StartTrace();
    d3d->Release();
    d3d = nullptr;
    EXPECT_EQ(device->Release(), 1u); // the buffer still holds it
    EXPECT_FALSE(Traced("IDirect3DDevice8 destroyed"));
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_TRUE(Traced("IDirect3DDevice8 destroyed"));
    EXPECT_TRUE(Traced("IDirect3D8 destroyed"));
}

TEST_F(D3D8Test, RefusedCalls) {
    D3DPRESENT_PARAMETERS p = FullScreen();
    IDirect3DDevice8* device = nullptr;
    // Pure devices need hardware vertex processing; full screen needs an offered mode.
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE, &p,
                                &device),
              D3DERR_INVALIDCALL);
    p.BackBufferWidth = 641;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device, nullptr);

    p = FullScreen();
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                &device),
              D3D_OK);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRENDERSTATETYPE(300), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    IDirect3DIndexBuffer8* indices = nullptr;
    EXPECT_EQ(device->CreateIndexBuffer(6, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &indices),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(indices, nullptr);
    host::test::ForceDeviceLost();
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    device->Release();
}

TEST_F(D3D8Test, AdapterQueriesFollowTheProfile) {
    EXPECT_EQ(d3d->GetAdapterCount(), 1u);
    const UINT count = d3d->GetAdapterModeCount(0);
    EXPECT_EQ(count, UINT(DefaultAdapterProfile().modes.size()));
    D3DDISPLAYMODE mode;
    EXPECT_EQ(d3d->EnumAdapterModes(0, count, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_D16),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->CheckDeviceType(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE),
              D3DERR_INVALIDCALL);
}

} // namespace
