// The show in a browser page (the web build): WebGL 2 on the page's canvas, the page's keys, Web
// Audio, performance.now() for the tick count, and messages written into the page. Both of the
// host's modes exist here too:
//   on screen   the show itself: the browser's clock, the music heard through Web Audio, and
//               each presented frame scaled into the canvas (4:3 kept); the page runs one frame
//               of the show each time the browser asks it for one;
//   off screen  the page's stills: the virtual clock, nothing heard, a presented frame shown in
//               the canvas and read back for the frame callback.
// Nothing here waits: the page owns the loop, and the browser draws and runs the page's events
// between two of its calls.
// Left out: windows of the page's own (the canvas is the window), a close button (leaving the
// page ends everything), losing the screen (a hidden page only stops being drawn; the music
// clock carries the show on when it is shown again).
#include "platform/host/audio_output.h"
#include "platform/host/backends.h"
#include "platform/host/letterbox.h"
#include "platform/host/run_state.h"

#include <GLES3/gl3.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace host {

struct GlContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle;
};

namespace {

// The page shows the message (Module.showMessage) and logs it as an error where it is one.
EM_JS(void, ShowPageMessage, (const char* caption, const char* text, int error), {
    const title = UTF8ToString(caption), body = UTF8ToString(text);
    if (error) console.error(title + ": " + body);
    if (Module.showMessage) Module.showMessage(title, body, !!error);
});

// The page keeps its title card up until the show's first frame is in the canvas.
EM_JS(void, NoteFirstFramePresented, (), {
    if (Module.onFramePresented) Module.onFramePresented();
});

// Debug texts go to the console's verbose level, where a developer looks and a visitor does
// not, with the line end the texts carry left off.
EM_JS(void, LogDebugText, (const char* text), {
    const line = UTF8ToString(text);
    console.debug(line.endsWith(String.fromCharCode(10)) ? line.slice(0, -1) : line);
});

EM_JS(void, SetCanvasCursorHidden, (int hidden), {
    if (Module.canvas) Module.canvas.style.cursor = hidden ? "none" : "";
});

// Windows virtual-key codes are the DOM's key codes for the keys the show knows.
std::vector<InputEvent>& PendingInput() {
    static std::vector<InputEvent> pending;
    return pending;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (event->keyCode != 0)
        PendingInput().push_back(
            {InputEvent::Kind::Key, uintptr_t(event->keyCode), event->altKey != 0});
    return EM_FALSE;
}

class Web final : public Backend {
public:
    explicit Web(bool live) : live(live) {}

    void SetFrameCallback(FrameCallback callback) { onPresent = std::move(callback); }

    bool OpenWindow(Window*) override {
        static const bool listening = [] {
            emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE,
                                            &OnKeyDown);
            return true;
        }();
        (void)listening;
        return true;
    }
    void CloseWindow(Window*) override {}
    void ShowWindow(Window*) override {}
    void SetCursorVisible(bool visible) override { SetCanvasCursorHidden(visible ? 0 : 1); }

    int PollInput(InputEvent* events, int capacity) override {
        int count = 0;
        // Keys belong to the show being watched, not to the stills.
        std::vector<InputEvent>& pending = PendingInput();
        size_t taken = 0;
        while (live && count < capacity && taken < pending.size())
            events[count++] = pending[taken++];
        pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(taken));
        return count;
    }
    // Nothing waits for input in the page: the show never asks for a message before one came.
    void WaitInput() override {}

    uint32_t TickCount() override {
        const double milliseconds = live ? emscripten_get_now() : Run().virtualSeconds * 1000.0;
        return uint32_t(int64_t(std::floor(milliseconds)));
    }

    void ShowMessageBox(const char* caption, const char* text, bool error) override {
        ShowPageMessage(caption, text, error ? 1 : 0);
    }

    void DebugOutput(const char* text) override { LogDebugText(text); }

    GlContext* CreateGlContext(Window*) override {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.majorVersion = 2;
        attributes.minorVersion = 0;
        attributes.alpha = EM_FALSE;
        attributes.depth = EM_FALSE;
        attributes.stencil = EM_FALSE;
        attributes.antialias = EM_FALSE;
        // The canvas keeps the last frame shown: a still stays, and so does the show's end.
        attributes.preserveDrawingBuffer = EM_TRUE;
        const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle =
            emscripten_webgl_create_context("#canvas", &attributes);
        if (handle <= 0) {
            std::fprintf(stderr, "WebGL 2: the browser gives no context (%d)\n", int(handle));
            return nullptr;
        }
        emscripten_webgl_make_context_current(handle);
        firstFrameShown = false;
        return new GlContext{handle};
    }

    void DestroyGlContext(GlContext* context) override {
        emscripten_webgl_destroy_context(context->handle);
        delete context;
    }

    void MakeCurrent(GlContext* context) override {
        emscripten_webgl_make_context_current(context->handle);
    }

    bool Present(GlContext*, unsigned framebuffer, int width, int height) override {
        if (framebuffer == 0) {
            // A fast-forwarded frame: nothing was drawn.
            if (onPresent) onPresent(Frame{nullptr, width, height});
            return false;
        }
        int canvasWidth = 0, canvasHeight = 0;
        emscripten_get_canvas_element_size("#canvas", &canvasWidth, &canvasHeight);
        BlitLetterboxed(framebuffer, width, height, canvasWidth, canvasHeight);
        if (live && !firstFrameShown) {
            firstFrameShown = true;
            NoteFirstFramePresented();
        }
        if (onPresent) {
            ReadBack(framebuffer, width, height);
            onPresent(Frame{frame.data(), width, height});
        }
        return true;
    }

    AudioOutput& Audio() override {
        return live ? WebAudioOutput() : VirtualAudioOutput(&VirtualTime);
    }

private:
    // The frame as 0xAARRGGBB words, top row first (the device's rows are top first).
    void ReadBack(unsigned framebuffer, int width, int height) {
        const size_t count = size_t(width) * size_t(height);
        frame.resize(count);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        // R, G, B, A in memory: as words, 0xAABBGGRR.
        for (uint32_t& pixel : frame)
            pixel = 0xFF000000u | (pixel & 0xFF) << 16 | (pixel & 0xFF00) | (pixel >> 16 & 0xFF);
    }

    bool live;
    FrameCallback onPresent;
    bool firstFrameShown = false;
    std::vector<uint32_t> frame;
};

Web& LiveBackend() {
    static Web backend(true);
    return backend;
}

Web& StillsBackend() {
    static Web backend(false);
    return backend;
}

} // namespace

Backend& OnScreenBackend() {
    return LiveBackend();
}

Backend& OffScreenBackend() {
    return StillsBackend();
}

void SetOffScreenFrameCallback(FrameCallback onPresent) {
    StillsBackend().SetFrameCallback(std::move(onPresent));
}

} // namespace host
