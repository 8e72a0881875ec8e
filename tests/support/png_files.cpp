#include "tests/support/png_files.h"

#include <png.h>

#include <cstdio>

bool ReadPng(const std::string& path, RgbPicture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_strip_16(png);
        png_set_strip_alpha(png);
        png_set_palette_to_rgb(png);
        png_read_update_info(png, info);
        picture.width = int(png_get_image_width(png, info));
        picture.height = int(png_get_image_height(png, info));
        if (png_get_rowbytes(png, info) == size_t(picture.width) * 3) {
            picture.rgb.resize(size_t(picture.width) * size_t(picture.height) * 3);
            std::vector<png_bytep> rows(size_t(picture.height));
            for (int y = 0; y < picture.height; ++y)
                rows[size_t(y)] = picture.rgb.data() + size_t(y) * size_t(picture.width) * 3;
            png_read_image(png, rows.data());
            ok = true;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}
