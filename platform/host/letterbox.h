// The device's picture shown in the window or canvas, or written into a frame, with its 4:3
// shape kept.
#pragma once

// Where a `width` x `height` picture lies in an `outerWidth` x `outerHeight` frame: scaled to
// the largest size that fits with its shape kept (rounded down), centred, rows counted from the
// top (an odd margin leaves the extra row above the picture, the extra column right of it).
struct PictureRect {
    int left, top, width, height;
};
PictureRect FitPicture(int outerWidth, int outerHeight, int width, int height);

// Blits the `width` x `height` picture of `framebuffer` into `target` (the default framebuffer
// unless another is named), of `outerWidth` x `outerHeight`: scaled to fit, centred, black bars
// around it, and turned (the device's rows are top first, the screen's bottom first). Leaves
// `framebuffer` bound.
void BlitLetterboxed(unsigned framebuffer, int width, int height, int outerWidth, int outerHeight,
                     unsigned target = 0);
