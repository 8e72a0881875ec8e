#include "tools/capture/framed_picture.h"

#include "platform/host/letterbox.h"

#include <algorithm>

host::Frame FramedPicture(const host::Frame& picture, int width, int height,
                          std::vector<uint32_t>& storage) {
    if (picture.width == width && picture.height == height) return picture;
    const PictureRect place = FitPicture(width, height, picture.width, picture.height);
    storage.assign(size_t(width) * size_t(height), 0xFF000000u);
    // The picture is the size that fits, so it lies inside; cut to the frame all the same.
    const int rows = std::min(picture.height, height - place.top);
    const int columns = std::min(picture.width, width - place.left);
    for (int y = 0; y < rows; ++y)
        std::copy_n(picture.pixels + size_t(y) * size_t(picture.width), size_t(columns),
                    storage.data() + size_t(place.top + y) * size_t(width) + size_t(place.left));
    return host::Frame{storage.data(), width, height};
}
