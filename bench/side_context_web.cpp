#include "bench/gl_calls.h"
#include "bench/side_context.h"
#include "platform/d3d8/gl.h"

#include <emscripten/html5.h>

SideContext::SideContext() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#bare", &attributes);
    if (context <= 0) return;
    handle = intptr_t(context);
    made = true;
}

SideContext::~SideContext() {
    if (made) emscripten_webgl_destroy_context(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE(handle));
}

SideContext::Inside::Inside(const SideContext& side)
    : side(side), previous(intptr_t(emscripten_webgl_get_current_context())) {
    if (side.made)
        emscripten_webgl_make_context_current(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE(side.handle));
}

SideContext::Inside::~Inside() {
    if (side.made) emscripten_webgl_make_context_current(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE(previous));
}

void FinishGlWork() {
    const GlTally before = CountedGlCalls();
    glFinish();
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    LeaveOutOfCount(CountedGlCalls() - before);
}
