// A fixture for the Direct3D stand-in's own tests: a device made straight from IDirect3D8, full
// screen at 640 x 480 with a 16-bit depth buffer, without the Renderer.
#pragma once

#include "platform/d3d8/d3d8.h"
#include "tests/support/window_test.h"

class RawDeviceTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        if (!createDevice) return;
        D3DPRESENT_PARAMETERS p = FullScreen();
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &p, &device),
                  D3D_OK);
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
        WindowTest::TearDown();
    }

    D3DPRESENT_PARAMETERS FullScreen() const {
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = 640;
        p.BackBufferHeight = 480;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.SwapEffect = D3DSWAPEFFECT_COPY;
        p.hDeviceWindow = window;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D16;
        return p;
    }

    // Tests that make their own device clear this before SetUp.
    bool createDevice = true;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};
