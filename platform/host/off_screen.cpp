// No screen, no sound: EGL on Mesa's surfaceless platform, a virtual clock, frames read back.
#include "platform/host/audio_output.h"
#include "platform/host/backends.h"
#include "platform/host/run_state.h"
#include "platform/host/test_hooks.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace host {

struct GlContext {
    EGLContext context;
};

namespace {

// One EGL display for the process, made on first use.
EGLDisplay Display() {
    static EGLDisplay display = [] {
        // eglGetPlatformDisplay (EGL 1.5) aborts inside libepoxy here; the EXT form works.
        EGLDisplay made =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        EGLint major = 0, minor = 0;
        if (made == EGL_NO_DISPLAY || !eglInitialize(made, &major, &minor)) {
            std::fprintf(stderr, "EGL: no surfaceless display\n");
            return EGL_NO_DISPLAY;
        }
        return made;
    }();
    return display;
}

// An 8-bit-per-channel configuration, chosen explicitly: the first one offered is 10-bit.
bool ChooseConfig(EGLDisplay display, EGLConfig& chosen) {
    // The surfaceless platform offers pbuffer configurations only; the device draws into its
    // own framebuffer object anyway.
    const EGLint wanted[] = {EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_ALPHA_SIZE,
                             8,
                             EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, configs, 64, &count)) return false;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red, green, blue, alpha;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (red == 8 && green == 8 && blue == 8 && alpha == 8) {
            chosen = configs[i];
            return true;
        }
    }
    return false;
}

double VirtualClock() {
    return VirtualTime();
}

class OffScreen final : public Backend {
public:
    void SetFrameCallback(FrameCallback callback) { onPresent = std::move(callback); }

    bool OpenWindow(Window*) override { return true; }
    void CloseWindow(Window*) override {}
    void ShowWindow(Window*) override {}
    void SetCursorVisible(bool) override {}
    // No input off screen: the program that runs the show decides when it ends.
    int PollInput(InputEvent*, int) override { return 0; }
    void WaitInput() override {}

    uint32_t TickCount() override {
        return uint32_t(int64_t(std::floor(Run().virtualSeconds * 1000.0)));
    }

    void ShowMessageBox(const char*, const char*, bool) override {}

    GlContext* CreateGlContext(Window*) override {
        EGLDisplay display = Display();
        EGLConfig config;
        if (display == EGL_NO_DISPLAY || !eglBindAPI(EGL_OPENGL_API) ||
            !ChooseConfig(display, config)) {
            std::fprintf(stderr, "EGL: no OpenGL configuration\n");
            return nullptr;
        }
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                     3,
                                     EGL_CONTEXT_MINOR_VERSION,
                                     3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
        EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
        if (context == EGL_NO_CONTEXT) {
            std::fprintf(stderr, "EGL: cannot create an OpenGL 3.3 core context\n");
            return nullptr;
        }
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
            eglDestroyContext(display, context);
            return nullptr;
        }
        return new GlContext{context};
    }

    void DestroyGlContext(GlContext* context) override {
        EGLDisplay display = Display();
        if (eglGetCurrentContext() == context->context)
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context->context);
        delete context;
    }

    void MakeCurrent(GlContext* context) override {
        eglMakeCurrent(Display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context->context);
    }

    bool Present(GlContext*, unsigned framebuffer, int width, int height) override {
        if (framebuffer == 0) {
            // A fast-forwarded frame: nothing was drawn, so there is nothing to finish or read.
            if (onPresent) onPresent(Frame{nullptr, width, height});
            return false;
        }
        if (!onPresent) {
            // Nothing reads the frame, but it must still be finished: queued frames would
            // otherwise pile up and stall the first read-back for minutes.
            glFinish();
            return false;
        }
        const size_t count = size_t(width) * size_t(height);
        readBack.resize(count);
        frame.resize(count);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, readBack.data());
        // The device draws with the top-left origin, so rows come top first; the back buffer
        // has no alpha to show.
        for (size_t i = 0; i < count; ++i)
            frame[i] = readBack[i] | 0xFF000000u;
        onPresent(Frame{frame.data(), width, height});
        // Reading binds only the read framebuffer, to the one the device has bound already.
        return false;
    }

    AudioOutput& Audio() override {
        return hooks::WantsSdlAudio() ? SdlAudioOutput() : VirtualAudioOutput(&VirtualClock);
    }

private:
    FrameCallback onPresent;
    std::vector<uint32_t> readBack;
    std::vector<uint32_t> frame;
};

} // namespace

namespace {

OffScreen& Instance() {
    static OffScreen backend;
    return backend;
}

} // namespace

Backend& OffScreenBackend() {
    return Instance();
}

void SetOffScreenFrameCallback(FrameCallback onPresent) {
    Instance().SetFrameCallback(std::move(onPresent));
}

} // namespace host
