// What the host knows of a window: how it should look and the native window it made for it. The
// window stand-in's handles point to records that extend this one.
#pragma once

#include <string>

namespace host {

struct Window {
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

} // namespace host
