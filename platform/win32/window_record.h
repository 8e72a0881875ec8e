// What a window handle points to. Shared with the Direct3D stand-in (which draws into the window
// and reports the device lost through it) and the host (which gives the window its native side).
#pragma once

#include "platform/win32/win32.h"

#include <string>

struct HWND__ {
    WNDPROC procedure = nullptr;
    std::string className;
    std::string title;
    int width = 0;
    int height = 0;
    bool fullScreen = false;
    // The host's native window: an SDL_Window on screen, nothing off screen.
    void* native = nullptr;
    // A full-screen window that was minimised or hidden: another program took the screen, and
    // the device drawing into it is lost for good.
    bool screenTaken = false;
};
