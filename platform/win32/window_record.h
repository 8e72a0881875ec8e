// What a window handle points to: the host's window with what the window stand-in adds. Shared
// with the Direct3D stand-in, which draws into the window and reports the device lost through it.
#pragma once

#include "platform/host/window.h"
#include "platform/win32/win32.h"

#include <string>

struct HWND__ : host::Window {
    WNDPROC procedure = nullptr;
    std::string className;
};
