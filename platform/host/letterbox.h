// The device's picture shown in the window or canvas with its 4:3 shape kept.
#pragma once

// Blits the `width` x `height` picture of `framebuffer` into `target` (the default framebuffer
// unless another is named), of `outerWidth` x `outerHeight`: scaled to fit, centred, black bars
// around it, and turned (the device's rows are top first, the screen's bottom first). Leaves
// `framebuffer` bound.
void BlitLetterboxed(unsigned framebuffer, int width, int height, int outerWidth, int outerHeight,
                     unsigned target = 0);
