// The off-screen device the benchmarks draw with: a window, the Renderer and the shared
// buffers, as the show sets them up.
#pragma once

#include "gfx/renderer.h"
#include "gfx/shared_device.h"
#include "platform/host/host.h"
#include "platform/testing/test_controls.h"

struct BenchDevice {
    explicit BenchDevice(host::FrameCallback onPresent = nullptr) {
        host::test::Reset();
        // The tests' check of OpenGL's state after each frame is not the show's work.
        host::test::CheckHeldGlState(false);
        host::UseOffScreen(std::move(onPresent));
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "bench";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "bench", "bench", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
        ready = window && renderer.CreateDevice(640, 480, window, false, 0) == 0 &&
                CreateSharedBuffers(&renderer) == 0;
    }
    ~BenchDevice() {
        ReleaseSharedBuffers();
        renderer.Release();
        DestroyWindow(window);
        UnregisterClassA("bench", nullptr);
    }
    BenchDevice(const BenchDevice&) = delete;
    BenchDevice& operator=(const BenchDevice&) = delete;

    HWND window = nullptr;
    Renderer renderer;
    bool ready = false;
};
