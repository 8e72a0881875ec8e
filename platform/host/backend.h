// Everything that differs between the show on screen and the off-screen host used by the capture
// tool and the tests. The stand-ins reach the outside world only through this table; reading it
// tells what each mode must provide, and nothing else needs to know which mode is in force.
//
//                      on screen                         off screen
//   windows            SDL2 window, desktop full screen  a record only, nothing shown
//   input              SDL2 events                       none: the caller ends the run
//   tick count         monotonic clock                   virtual clock stepped by the host
//   message boxes      SDL2 dialog + standard error      standard error only
//                      (and a line when it cannot show)
//   OpenGL context     SDL2 GL context on the window     EGL, Mesa surfaceless (llvmpipe)
//   present            scale into the window, swap       read back, hand to the frame callback
//   audio output       SDL2 audio device                 virtual clock, nothing played
//   debug texts        standard error                    standard error
// The page (web.cpp) provides both modes in a browser, with the page's canvas, keys, Web Audio
// and console.
#pragma once

#include "platform/host/audio_output.h"
#include "platform/host/window.h"

#include <cstdint>

namespace host {

// Raw input gathered by the host, before the window stand-in turns it into messages.
struct InputEvent {
    enum class Kind { Key, CloseButton, ScreenTaken };
    Kind kind;
    // A Windows virtual-key code (VK_ESCAPE is 0x1B), for Key.
    uintptr_t virtualKey;
    bool alt;
};

// An OpenGL context made current for one device; its meaning is the backend's own.
struct GlContext;

class Backend {
public:
    virtual ~Backend() = default;

    virtual bool OpenWindow(Window* window) = 0;
    virtual void CloseWindow(Window* window) = 0;
    virtual void ShowWindow(Window* window) = 0;
    virtual void SetCursorVisible(bool visible) = 0;

    // Fills up to `capacity` events and returns how many; never blocks.
    virtual int PollInput(InputEvent* events, int capacity) = 0;
    // Blocks until input may be available (off screen: returns at once).
    virtual void WaitInput() = 0;

    virtual uint32_t TickCount() = 0;

    // Shows a modal dialog where a screen exists, and returns once it is dismissed; the stand-in
    // already wrote the text to standard error. Where the dialog cannot be shown, says so there
    // in one line and returns at once.
    virtual void ShowMessageBox(const char* caption, const char* text, bool error) = 0;

    // A current OpenGL 3.3 core context for drawing into `window`, or null.
    virtual GlContext* CreateGlContext(Window* window) = 0;
    virtual void DestroyGlContext(GlContext* context) = 0;
    virtual void MakeCurrent(GlContext* context) = 0;
    // Shows the finished 640 x 480 frame held by `framebuffer` (a GL framebuffer object), or,
    // for framebuffer 0, a frame that was fast-forwarded and has no picture. `framebuffer` is
    // bound again when it returns. True when showing it changed other state (the scissor test,
    // colour mask, clear colour), false when it only read the frame back or finished it.
    virtual bool Present(GlContext* context, unsigned framebuffer, int width, int height) = 0;

    virtual AudioOutput& Audio() = 0;

    // A debug text (OutputDebugStringA), for whoever watches the program's diagnostics.
    virtual void DebugOutput(const char* text);
};

// The backend in force; on screen unless an executable chose otherwise before WinMain.
Backend& Active();

} // namespace host
