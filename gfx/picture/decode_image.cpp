#include "gfx/picture/decoded_image.h"

#include <new>

uint32_t DecodedImage::ChainLength() const {
    uint32_t count = 1;
    for (const DecodedImage* image = next.get(); image; image = image->next.get())
        ++count;
    return count;
}

namespace {

thread_local bool refusedForSize = false;

} // namespace

bool AcceptableSize(uint64_t width, uint64_t height) {
    const bool acceptable = width > 0 && height > 0 && width <= kMaxImageSide &&
                            height <= kMaxImageSide && width * height <= kMaxImagePixels;
    if (!acceptable && width > 0 && height > 0) refusedForSize = true;
    return acceptable;
}

bool DecodeRefusedForSize() {
    return refusedForSize;
}

HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage& image) {
    refusedForSize = false;
    using Loader = bool (*)(const uint8_t*, size_t, DecodedImage&);
    static const Loader kLoaders[] = {DecodeBmp, DecodePpm, DecodeDds, DecodeJpeg,
                                      DecodePng, DecodeTga, DecodeDib};
    for (Loader loader : kLoaders) {
        bool decoded = false;
        try {
            decoded = loader(data, size, image);
        } catch (const std::bad_alloc&) {
            decoded = false; // out of memory: this loader fails, the next may still take it
        }
        if (decoded) return D3D_OK;
        image = DecodedImage{};
    }
    return D3DXERR_INVALIDDATA;
}
