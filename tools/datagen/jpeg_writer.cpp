#include "tools/datagen/jpeg_writer.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const uint8_t* samples,
                                int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    if (components == 4) jpeg_set_colorspace(&info, JCS_CMYK);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const size_t rowBytes = size_t(width) * size_t(components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples + size_t(info.next_scanline) * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

bool WriteJpeg(const std::string& path, const Image& image, int quality) {
    const std::vector<uint8_t> rgb = image.Rgb();
    const std::vector<uint8_t> bytes =
        EncodeJpeg(image.Width(), image.Height(), 3, rgb.data(), quality);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || bytes.empty()) {
        std::fprintf(stderr, "%s: cannot write\n", path.c_str());
        if (file) std::fclose(file);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
