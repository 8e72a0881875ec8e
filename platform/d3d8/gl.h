// The OpenGL the device draws with: OpenGL 3.3 core through libepoxy, or in the browser OpenGL
// ES 3.0 (WebGL 2). ES lacks a few things the device uses on the desktop, each handled where it
// is used under SHOW_GLES: clip control (the vertex shader moves depth to -w..w itself),
// four-byte BGRA uploads and vertex colours (taken as RGBA, the shaders swap red and blue), the
// border address mode and colour (clamped to the edge instead), fill modes, and the provoking
// vertex (flat shading takes a triangle's last vertex there).
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#define SHOW_GLES 1
#else
#include <epoxy/gl.h>
#define SHOW_GLES 0
#endif

// glClearDepth takes a double on the desktop; ES has only the float form.
inline void SetClearDepth(float depth) {
#if SHOW_GLES
    glClearDepthf(depth);
#else
    glClearDepth(double(depth));
#endif
}
