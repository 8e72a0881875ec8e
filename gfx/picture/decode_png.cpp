// PNG through libpng: grey, grey with alpha, RGB, RGBA and palette images, transformed to 8-bit
// BGR(A) rows in the byte order of the D3DFORMAT values they become.
#include "gfx/picture/decoded_image.h"

#include <png.h>

#include <cstring>
#include <new>

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Errors are not printed: the jump back fails this loader, and the cascade goes on quietly.
void JumpBackSilently(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Everything that libpng may jump out of; the caller owns every object it touches.
bool Decode(png_structp png, png_infop info, DecodedImage& image, std::vector<png_bytep>& rows) {
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!AcceptableSize(width, height)) return false;
    const int colourType = png_get_color_type(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    png_set_packing(png);
    png_set_interlace_handling(png);
    switch (colourType) {
    case PNG_COLOR_TYPE_PALETTE: {
        image.format = D3DFMT_P8;
        image.palette.assign(256, PALETTEENTRY{0, 0, 0, 255});
        png_colorp colours = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &colours, &count)) {
            for (int i = 0; i < count && i < 256; ++i)
                image.palette[size_t(i)] = {colours[i].red, colours[i].green, colours[i].blue, 255};
        }
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        if (transparency && png_get_tRNS(png, info, &alphas, &alphaCount, nullptr)) {
            for (int i = 0; i < alphaCount && i < 256; ++i)
                image.palette[size_t(i)].peFlags = alphas[i];
        }
        break;
    }
    case PNG_COLOR_TYPE_GRAY:
        png_set_expand_gray_1_2_4_to_8(png);
        if (transparency) png_set_tRNS_to_alpha(png);
        image.format = transparency ? D3DFMT_A8L8 : D3DFMT_L8;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        image.format = D3DFMT_A8L8;
        break;
    case PNG_COLOR_TYPE_RGB:
        png_set_bgr(png);
        if (transparency) {
            png_set_tRNS_to_alpha(png);
            image.format = D3DFMT_A8R8G8B8;
        } else {
            png_set_filler(png, 0, PNG_FILLER_AFTER);
            image.format = D3DFMT_X8R8G8B8;
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        png_set_bgr(png);
        image.format = D3DFMT_A8R8G8B8;
        break;
    default:
        return false;
    }
    png_read_update_info(png, info);

    const uint32_t bytesPerPixel = image.format == D3DFMT_L8 || image.format == D3DFMT_P8 ? 1
                                   : image.format == D3DFMT_A8L8                          ? 2
                                                                                          : 4;
    image.pitch = width * bytesPerPixel;
    if (png_get_rowbytes(png, info) != image.pitch) return false;
    image.rect = RECT{0, 0, LONG(width), LONG(height)};
    image.pixels.resize(size_t(image.pitch) * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = image.pixels.data() + size_t(y) * image.pitch;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool DecodeGuarded(png_structp png, png_infop info, DecodedImage& image,
                   std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    return Decode(png, info, image, rows);
}

} // namespace

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBackSilently, IgnoreWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    MemoryReader reader{data, size, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);

    std::vector<png_bytep> rows;
    bool decoded = false;
    try {
        decoded = DecodeGuarded(png, info, image, rows);
    } catch (const std::bad_alloc&) {
        decoded = false;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decoded;
}
