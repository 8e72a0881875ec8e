#include "platform/host/letterbox.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

#include <cstdint>

void BlitLetterboxed(unsigned framebuffer, int width, int height, int outerWidth, int outerHeight,
                     unsigned target) {
    int shownWidth = outerWidth;
    int shownHeight = int(int64_t(outerWidth) * height / width);
    if (shownHeight > outerHeight) {
        shownHeight = outerHeight;
        shownWidth = int(int64_t(outerHeight) * width / height);
    }
    const int left = (outerWidth - shownWidth) / 2;
    const int bottom = (outerHeight - shownHeight) / 2;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Black bars only where the picture leaves some: a full clear costs as much as the copy on
    // a software rasteriser.
    if (shownWidth != outerWidth || shownHeight != outerHeight) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const bool exact = shownWidth == width && shownHeight == height;
    glBlitFramebuffer(0, 0, width, height, left, bottom + shownHeight, left + shownWidth, bottom,
                      GL_COLOR_BUFFER_BIT, exact ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}
