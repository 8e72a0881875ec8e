#include "bench/gl_calls.h"
#include "bench/side_context.h"
#include "platform/d3d8/gl.h"

#include <epoxy/egl.h>

SideContext::SideContext() {
    EGLDisplay display = eglGetCurrentDisplay();
    EGLint id = 0;
    if (!eglQueryContext(display, eglGetCurrentContext(), EGL_CONFIG_ID, &id)) return;
    const EGLint byId[] = {EGL_CONFIG_ID, id, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, byId, &config, 1, &count) || count != 1) return;
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) return;
    handle = intptr_t(context);
    made = true;
}

SideContext::~SideContext() {
    if (made) eglDestroyContext(eglGetCurrentDisplay(), EGLContext(handle));
}

SideContext::Inside::Inside(const SideContext& side)
    : side(side), previous(intptr_t(eglGetCurrentContext())) {
    if (side.made)
        eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE,
                       EGLContext(side.handle));
}

SideContext::Inside::~Inside() {
    if (side.made)
        eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE,
                       EGLContext(previous));
}

void FinishGlWork() {
    const GlTally before = CountedGlCalls();
    glFinish();
    LeaveOutOfCount(CountedGlCalls() - before);
}
