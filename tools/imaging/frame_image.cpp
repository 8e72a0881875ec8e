#include "tools/imaging/frame_image.h"

Image ImageOfFrame(const host::Frame& frame) {
    Image image(frame.width, frame.height);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t p = frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)];
            image.At(x, y) = {float(p >> 16 & 0xFF) / 255, float(p >> 8 & 0xFF) / 255,
                              float(p & 0xFF) / 255};
        }
    return image;
}
