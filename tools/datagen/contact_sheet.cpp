#include "tools/datagen/contact_sheet.h"

#include <png.h>

#include <cstdio>

bool WriteContactSheet(const std::string& path, const std::vector<const Image*>& images,
                       int columns) {
    constexpr int kCellWidth = 160, kCellHeight = 120, kGap = 4;
    const int rows = (int(images.size()) + columns - 1) / columns;
    Image sheet(columns * (kCellWidth + kGap) + kGap, rows * (kCellHeight + kGap) + kGap,
                {0.2f, 0.2f, 0.2f});
    for (size_t i = 0; i < images.size(); ++i) {
        const Image& image = *images[i];
        const int left = kGap + int(i % size_t(columns)) * (kCellWidth + kGap);
        const int top = kGap + int(i / size_t(columns)) * (kCellHeight + kGap);
        for (int y = 0; y < kCellHeight; ++y)
            for (int x = 0; x < kCellWidth; ++x)
                sheet.At(left + x, top + y) =
                    image.At(x * image.Width() / kCellWidth, y * image.Height() / kCellHeight);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(sheet.Width()), png_uint_32(sheet.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::vector<uint8_t> rgb = sheet.Rgb();
    for (int y = 0; y < sheet.Height(); ++y)
        png_write_row(png, rgb.data() + size_t(y) * size_t(sheet.Width()) * 3);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
