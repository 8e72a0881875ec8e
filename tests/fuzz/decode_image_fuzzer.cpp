// The picture decoding cascade on arbitrary bytes: any input either decodes into an image
// whose pixels fill its rows, or fails, without touching memory it does not own.
#include "gfx/picture/decoded_image.h"
#include "gfx/picture/pixel_codec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    if (DecodeImage(data, size, image) != D3D_OK) return 0;
    for (const DecodedImage* part = &image; part; part = part->next.get()) {
        const size_t rows = RowCount(part->format, part->Height());
        const size_t rowBytes = RowBytes(part->format, part->Width());
        if (part->Width() == 0 || part->Height() == 0 || rowBytes > part->pitch ||
            part->pixels.size() < size_t(part->pitch) * rows)
            std::abort();
        // Touch the last byte the image claims to hold.
        volatile uint8_t last = part->pixels[size_t(part->pitch) * (rows - 1) + rowBytes - 1];
        (void)last;
    }
    return 0;
}
