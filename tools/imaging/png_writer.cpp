#include "tools/imaging/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The file and the first thing that went wrong with it.
struct Destination {
    std::FILE* file;
    std::string problem;
};

void Write(png_structp png, png_bytep data, png_size_t length) {
    auto* destination = static_cast<Destination*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, destination->file) != length) {
        destination->problem = std::strerror(errno ? errno : EIO);
        png_error(png, "write");
    }
}

void Flush(png_structp png) {
    auto* destination = static_cast<Destination*>(png_get_io_ptr(png));
    if (std::fflush(destination->file) != 0) {
        destination->problem = std::strerror(errno ? errno : EIO);
        png_error(png, "flush");
    }
}

// libpng's own messages are kept, not printed; its errors end the write by jumping back.
void Error(png_structp png, png_const_charp message) {
    auto* destination = static_cast<Destination*>(png_get_error_ptr(png));
    if (destination->problem.empty()) destination->problem = message;
    png_longjmp(png, 1);
}

void Warning(png_structp, png_const_charp) {}

// The picture through libpng into the destination; false once libpng has given up.
bool Encode(png_structp png, png_infop info, const Image& image, const std::vector<uint8_t>& rgb,
            Destination& destination) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &destination, &Write, &Flush);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.Height(); ++y)
        png_write_row(png, rgb.data() + size_t(y) * size_t(image.Width()) * 3);
    png_write_end(png, info);
    return true;
}

} // namespace

bool WritePng(const std::string& path, const Image& image, std::string* why) {
    errno = 0;
    Destination destination{std::fopen(path.c_str(), "wb"), {}};
    if (!destination.file) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &destination, &Error, &Warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = png && info && Encode(png, info, image, image.Rgb(), destination);
    if (!written && destination.problem.empty()) destination.problem = "out of memory";
    png_destroy_write_struct(&png, &info);
    errno = 0;
    if (std::fclose(destination.file) != 0 && written) {
        written = false;
        destination.problem = std::strerror(errno ? errno : EIO);
    }
    if (!written && why) *why = destination.problem;
    return written;
}
