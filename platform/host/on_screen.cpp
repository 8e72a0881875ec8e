// The show on a desktop: SDL2 window, OpenGL context, events, audio device, monotonic clock.
//
// A display that goes away (the X server ends), or a window destroyed from outside, is a lost
// device. Before each frame is shown and
// each time input is gathered the X connection is checked for its end; from then on nothing
// touches the display again, the window reports the screen taken, and the show tears down and
// says so as it does for a lost device. Should Xlib meet the end first, its I/O error handler
// may not return (Xlib would exit the process, running static destructors under the live audio
// thread): inside the SDL calls that may talk to the display it jumps back to a recovery point,
// and anywhere else it stops the audio and ends the process with the device-lost message.
#include "platform/host/audio_output.h"
#include "platform/host/backends.h"
#include "platform/host/letterbox.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <epoxy/gl.h>
#include <link.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace host {

struct GlContext {
    SDL_Window* window;
    SDL_GLContext context;
};

namespace {

SDL_Window* NativeOf(const Window* window) {
    return static_cast<SDL_Window*>(window->native);
}

// Windows virtual-key codes, as the window stand-in hands them on.
enum : uintptr_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_F1 = 0x70
};

uintptr_t VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return uintptr_t('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return uintptr_t('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + uintptr_t(key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    default:
        return 0;
    }
}

struct DisplayWatch {
    // Where a lost display jumps back to, while a call that may meet it is under way.
    jmp_buf recovery;
    bool recoveryArmed = false;
    bool displayLost = false;
    // The X connection's socket, -1 when the display is not X.
    int xConnection = -1;
};

DisplayWatch watch;

#if defined(__SANITIZE_ADDRESS__)
// LeakSanitizer checks at exit, after the display was closed and the OpenGL driver (Mesa's
// *_dri.so) unloaded with it: what the driver still held is then reported as leaked, from a
// library whose frames can no longer be named, so no suppression can tell it from a leak of ours.
// Under the sanitizers only, the driver stays loaded to the end, where what it holds is still
// reachable from its own data, as it is while it is loaded.
void KeepOpenGlDriversLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}
#endif

int OnDisplayLost(Display*) {
    watch.displayLost = true;
    if (watch.recoveryArmed) longjmp(watch.recovery, 1);
    // Met outside a guarded call: end here, but not with the audio thread still reading.
    SdlAudioOutput().Close();
    static const char kLost[] =
        "The Direct3D device was lost, please don't steal my focus :) (the display went away)\n";
    ssize_t written = write(STDERR_FILENO, kLost, sizeof kLost - 1);
    (void)written;
    _exit(0);
}

// Xlib's error handler in force before ours: errors about anything but a window or drawable
// that is gone still go to it.
XErrorHandler previousErrorHandler = nullptr;

// A window destroyed from outside (a window manager's kill, xdotool windowclose) makes every
// later call on it fail with BadWindow or BadDrawable, which Xlib's default handler answers by
// printing the request and ending the process. It is the display lost to the show: from then on
// nothing touches it, and the show tears down and says so as for a lost device.
int OnXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        watch.displayLost = true;
        return 0;
    }
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// Whether the X server has closed the connection, found without asking Xlib.
bool DisplayGone() {
    if (watch.displayLost) return true;
    if (watch.xConnection < 0) return false;
    pollfd watched{watch.xConnection, POLLIN, 0};
    if (poll(&watched, 1, 0) <= 0) return false;
    char byte;
    if ((watched.revents & (POLLERR | POLLHUP)) ||
        ((watched.revents & POLLIN) &&
         recv(watch.xConnection, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0))
        watch.displayLost = true;
    return watch.displayLost;
}

// Runs `call` unless the display is gone; false if it is, or goes while the call runs.
template <typename Call> bool WithDisplay(Call&& call) {
    if (DisplayGone()) return false;
    if (setjmp(watch.recovery) != 0) {
        watch.recoveryArmed = false;
        return false;
    }
    watch.recoveryArmed = true;
    call();
    watch.recoveryArmed = false;
    return true;
}

class OnScreen final : public Backend {
public:
    bool OpenWindow(Window* window) override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "display: %s\n", SDL_GetError());
            return false;
        }
        if (const char* driver = SDL_GetCurrentVideoDriver();
            driver && std::strcmp(driver, "x11") == 0) {
            XSetIOErrorHandler(&OnDisplayLost);
            XErrorHandler before = XSetErrorHandler(&OnXError);
            if (before != &OnXError) previousErrorHandler = before;
        }
        // Without a display SDL falls back to drivers that show nothing; the show would then
        // play unseen. That is no window at all.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver &&
            (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            std::fprintf(stderr, "display: none (SDL offers only its '%s' video driver)\n", driver);
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        // Full screen on the desktop's own mode: the device's 640 x 480 picture is scaled up.
        // The window is made the desktop's size from the start, borderless at the corner, so
        // it covers the screen even where no window manager carries out the full-screen request
        // (SDL would then report the desktop's size for a window that stayed small).
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
        int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
        int width = window->width, height = window->height;
        SDL_DisplayMode desktop;
        if (window->fullScreen) {
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
            if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
                x = y = 0;
                width = desktop.w;
                height = desktop.h;
            }
        }
        SDL_Window* native = SDL_CreateWindow(window->title.c_str(), x, y, width, height, flags);
        if (!native) {
            std::fprintf(stderr, "display: %s\n", SDL_GetError());
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        window->native = native;
        SDL_SysWMinfo system;
        SDL_VERSION(&system.version);
        if (SDL_GetWindowWMInfo(native, &system) && system.subsystem == SDL_SYSWM_X11)
            watch.xConnection = ConnectionNumber(system.info.x11.display);
        return true;
    }

    // Once the display is gone the window is left as it is: closing it would talk to it.
    void CloseWindow(Window* window) override {
        WithDisplay([&] {
            SDL_DestroyWindow(NativeOf(window));
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        });
        window->native = nullptr;
        watch.xConnection = -1;
    }

    void ShowWindow(Window* window) override {
        WithDisplay([&] {
            SDL_ShowWindow(NativeOf(window));
            SDL_RaiseWindow(NativeOf(window));
        });
    }

    void SetCursorVisible(bool visible) override {
        if (SDL_WasInit(SDL_INIT_VIDEO))
            WithDisplay([&] { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); });
    }

    int PollInput(InputEvent* events, int capacity) override {
        if (!SDL_WasInit(SDL_INIT_VIDEO) || capacity <= 0) return 0;
        int count = 0;
        SDL_Event event;
        for (;;) {
            bool got = false;
            if (count == capacity || !WithDisplay([&] { got = SDL_PollEvent(&event) != 0; }) ||
                !got)
                break;
            switch (event.type) {
            case SDL_QUIT:
                events[count++] = {InputEvent::Kind::CloseButton, 0, false};
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                    events[count++] = {InputEvent::Kind::CloseButton, 0, false};
                else if (event.window.event == SDL_WINDOWEVENT_MINIMIZED ||
                         event.window.event == SDL_WINDOWEVENT_HIDDEN)
                    events[count++] = {InputEvent::Kind::ScreenTaken, 0, false};
                break;
            case SDL_KEYDOWN:
                if (uintptr_t key = VirtualKeyOf(event.key.keysym.sym))
                    events[count++] = {InputEvent::Kind::Key, key,
                                       (event.key.keysym.mod & KMOD_ALT) != 0};
                break;
            default:
                break;
            }
        }
        // A lost display takes the screen for good: said once, as for a lost device.
        if (watch.displayLost && !lossReported && count < capacity) {
            lossReported = true;
            events[count++] = {InputEvent::Kind::ScreenTaken, 0, false};
        }
        return count;
    }

    void WaitInput() override {
        if (SDL_WasInit(SDL_INIT_VIDEO) && !DisplayGone())
            WithDisplay([] { SDL_WaitEventTimeout(nullptr, 10); });
        else
            SDL_Delay(10);
    }

    uint32_t TickCount() override {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
    }

    void ShowMessageBox(const char* caption, const char* text, bool error) override {
        const Uint32 flags = error ? SDL_MESSAGEBOX_ERROR : 0;
        // The text is on standard error already; without a display, or without the core X font
        // SDL's X11 dialog draws with, only the reason the box is missing is added.
        int shown = -1;
        if (!WithDisplay([&] { shown = SDL_ShowSimpleMessageBox(flags, caption, text, nullptr); }))
            SDL_SetError("the display is gone");
        if (shown < 0) std::fprintf(stderr, "message box: not shown (%s)\n", SDL_GetError());
    }

    GlContext* CreateGlContext(Window* window) override {
        if (!window || !window->native) return nullptr;
        SDL_GLContext context = SDL_GL_CreateContext(NativeOf(window));
        if (!context) {
            std::fprintf(stderr, "OpenGL: %s\n", SDL_GetError());
            return nullptr;
        }
        // Presents without waiting for the retrace; refused under some X servers, harmlessly.
        SDL_GL_SetSwapInterval(0);
#if defined(__SANITIZE_ADDRESS__)
        KeepOpenGlDriversLoaded();
#endif
        return new GlContext{NativeOf(window), context};
    }

    void DestroyGlContext(GlContext* context) override {
        WithDisplay([&] { SDL_GL_DeleteContext(context->context); });
        delete context;
    }

    void MakeCurrent(GlContext* context) override {
        WithDisplay([&] { SDL_GL_MakeCurrent(context->window, context->context); });
    }

    // Scales the picture into the window with its 4:3 shape kept, black bars around it.
    bool Present(GlContext* context, unsigned framebuffer, int width, int height) override {
        if (DisplayGone()) return false;
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(context->window, &drawableWidth, &drawableHeight);

        // Drawing into the window and swapping both talk to the display.
        WithDisplay([&] {
            BlitLetterboxed(framebuffer, width, height, drawableWidth, drawableHeight);
            SDL_GL_SwapWindow(context->window);
        });
        return true;
    }

    AudioOutput& Audio() override {
        return SdlAudioOutput();
    }

private:
    bool lossReported = false;
};

} // namespace

Backend& OnScreenBackend() {
    static OnScreen backend;
    return backend;
}

} // namespace host
