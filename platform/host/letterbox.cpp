#include "platform/host/letterbox.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif

#include <cstdint>

PictureRect FitPicture(int outerWidth, int outerHeight, int width, int height) {
    int shownWidth = outerWidth;
    int shownHeight = int(int64_t(outerWidth) * height / width);
    if (shownHeight > outerHeight) {
        shownHeight = outerHeight;
        shownWidth = int(int64_t(outerHeight) * width / height);
    }
    const int left = (outerWidth - shownWidth) / 2;
    const int below = (outerHeight - shownHeight) / 2;
    return {left, outerHeight - shownHeight - below, shownWidth, shownHeight};
}

void BlitLetterboxed(unsigned framebuffer, int width, int height, int outerWidth, int outerHeight,
                     unsigned target) {
    const PictureRect shown = FitPicture(outerWidth, outerHeight, width, height);
    const int left = shown.left, shownWidth = shown.width, shownHeight = shown.height;
    // OpenGL counts rows from the bottom.
    const int bottom = outerHeight - shown.top - shownHeight;
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
