// A fixture for tests that need a window off screen, as the show makes it.
#pragma once

#include "tests/support/off_screen_test.h"

#include <algorithm>
#include <string>

// A full-screen window of a registered class, as the show makes.
class WindowTest : public OffScreenTest {
protected:
    void SetUp() override {
        OffScreenTest::SetUp();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "test window";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "test window", "test", WS_POPUP, 0, 0, 640, 480, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window);
        UnregisterClassA("test window", nullptr);
        OffScreenTest::TearDown();
    }

    static int TraceCount(const std::string& entry) {
        const auto& trace = host::test::Trace();
        return int(std::count(trace.begin(), trace.end(), entry));
    }
    static bool Traced(const std::string& entry) { return TraceCount(entry) > 0; }

    HWND window = nullptr;
};
