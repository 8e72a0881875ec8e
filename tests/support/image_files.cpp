#include "tests/support/image_files.h"
#include "tools/datagen/jpeg_writer.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void Put16(Bytes& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushPng(png_structp) {}

} // namespace

Rgba Gradient(int x, int y) {
    return Rgba{uint8_t(x * 7 + y), uint8_t(y * 5 + 3), uint8_t((x + y) * 3), uint8_t(255 - x)};
}

Bytes MakeJpeg(int width, int height, int components, const Pattern& pattern, int quality) {
    std::vector<uint8_t> samples;
    samples.reserve(size_t(width) * size_t(height) * size_t(components));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba p = pattern(x, y);
            const uint8_t channels[4] = {p.r, p.g, p.b, p.a};
            samples.insert(samples.end(), channels, channels + components);
        }
    return EncodeJpeg(width, height, components, samples.data(), quality);
}

Bytes MakePng(int width, int height, int colourType, const Pattern& pattern) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        png_byte alphas[256];
        for (int i = 0; i < 256; ++i) {
            palette[i] = png_color{png_byte(i), png_byte(255 - i), png_byte(i / 2)};
            alphas[i] = png_byte(i);
        }
        png_set_PLTE(png, info, palette, 256);
        png_set_tRNS(png, info, alphas, 256, nullptr);
    }
    png_write_info(png, info);
    const int channels = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_PALETTE
                             ? 1
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                                                   : 4;
    std::vector<png_byte> row(size_t(width) * size_t(channels));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba p = pattern(x, y);
            png_byte* out = &row[size_t(x * channels)];
            switch (colourType) {
            case PNG_COLOR_TYPE_GRAY:
            case PNG_COLOR_TYPE_PALETTE:
                out[0] = p.r;
                break;
            case PNG_COLOR_TYPE_GRAY_ALPHA:
                out[0] = p.r, out[1] = p.a;
                break;
            case PNG_COLOR_TYPE_RGB:
                out[0] = p.r, out[1] = p.g, out[2] = p.b;
                break;
            default:
                out[0] = p.r, out[1] = p.g, out[2] = p.b, out[3] = p.a;
                break;
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeTga(int width, int height, int imageType, int bits, const Pattern& pattern,
              bool topDown) {
    const int base = imageType & 7;
    Bytes out = {0, uint8_t(base == 1 ? 1 : 0), uint8_t(imageType)};
    Put16(out, 0);
    Put16(out, base == 1 ? 256 : 0);
    out.push_back(base == 1 ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(width));
    Put16(out, uint32_t(height));
    out.push_back(uint8_t(bits));
    out.push_back(uint8_t((topDown ? 0x20 : 0) | (bits == 32 ? 8 : bits == 16 ? 1 : 0)));
    if (base == 1)
        for (int i = 0; i < 256; ++i)
            out.insert(out.end(), {uint8_t(i / 2), uint8_t(255 - i), uint8_t(i)});

    const int bytes = (bits + 7) / 8;
    std::vector<Bytes> pixels;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const Rgba p = pattern(x, y);
            Bytes pixel;
            if (base == 1 || base == 3)
                pixel = {p.r};
            else if (bits == 15 || bits == 16)
                Put16(pixel, uint32_t((bits == 16 && p.a >= 128 ? 0x8000 : 0) | (p.r >> 3) << 10 |
                                      (p.g >> 3) << 5 | p.b >> 3));
            else if (bits == 24)
                pixel = {p.b, p.g, p.r};
            else
                pixel = {p.b, p.g, p.r, p.a};
            pixels.push_back(pixel);
        }
    }
    if (!(imageType & 8)) {
        for (const Bytes& p : pixels)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    }
    // Run-length coding: runs of equal pixels as run packets, the rest as raw packets.
    size_t i = 0;
    while (i < pixels.size()) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run > 1) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
        } else {
            size_t raw = 1;
            while (i + raw < pixels.size() && raw < 128 &&
                   !(i + raw + 1 < pixels.size() && pixels[i + raw] == pixels[i + raw + 1]))
                ++raw;
            out.push_back(uint8_t(raw - 1));
            for (size_t k = 0; k < raw; ++k)
                out.insert(out.end(), pixels[i + k].begin(), pixels[i + k].end());
            run = raw;
        }
        i += run;
    }
    (void)bytes;
    return out;
}

Bytes MakeBitmap(int width, int height, int bits, const Pattern& pattern, bool fileHeader) {
    const size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    const uint32_t paletteBytes = bits == 8 ? 1024 : 0;
    Bytes info;
    Put32(info, 40);
    Put32(info, uint32_t(width));
    Put32(info, uint32_t(height));
    Put16(info, 1);
    Put16(info, uint32_t(bits));
    Put32(info, 0);
    Put32(info, uint32_t(stride * size_t(height)));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, 0);
    Put32(info, 0);
    if (bits == 8)
        for (int i = 0; i < 256; ++i)
            info.insert(info.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    for (int row = height - 1; row >= 0; --row) {
        Bytes line;
        for (int x = 0; x < width; ++x) {
            const Rgba p = pattern(x, row);
            if (bits == 8)
                line.push_back(p.r);
            else if (bits == 16)
                Put16(line, uint32_t((p.r >> 3) << 10 | (p.g >> 3) << 5 | p.b >> 3));
            else if (bits == 24)
                line.insert(line.end(), {p.b, p.g, p.r});
            else
                line.insert(line.end(), {p.b, p.g, p.r, 0});
        }
        line.resize(stride, 0);
        info.insert(info.end(), line.begin(), line.end());
    }
    if (!fileHeader) return info;
    Bytes out = {'B', 'M'};
    Put32(out, uint32_t(14 + info.size()));
    Put32(out, 0);
    Put32(out, 14 + 40 + paletteBytes);
    out.insert(out.end(), info.begin(), info.end());
    return out;
}

Bytes MakePpm(int width, int height, bool binary, const Pattern& pattern) {
    std::string text = std::string(binary ? "P6" : "P3") + "\n# test picture\n" +
                       std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes out(text.begin(), text.end());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba p = pattern(x, y);
            if (binary) {
                out.insert(out.end(), {p.r, p.g, p.b});
            } else {
                const std::string sample = std::to_string(p.r) + " " + std::to_string(p.g) + " " +
                                           std::to_string(p.b) + "\n";
                out.insert(out.end(), sample.begin(), sample.end());
            }
        }
    return out;
}

namespace {

Bytes DdsHeader(int width, int height, int levels, uint32_t pixelFlags, uint32_t fourCc,
                uint32_t bits, const uint32_t masks[4], bool cube) {
    Bytes out = {'D', 'D', 'S', ' '};
    Put32(out, 124);
    Put32(out, 0x1007 | (levels > 1 ? 0x20000 : 0));
    Put32(out, uint32_t(height));
    Put32(out, uint32_t(width));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, uint32_t(levels));
    for (int i = 0; i < 11; ++i)
        Put32(out, 0);
    Put32(out, 32);
    Put32(out, pixelFlags);
    Put32(out, fourCc);
    Put32(out, bits);
    for (int i = 0; i < 4; ++i)
        Put32(out, masks[i]);
    Put32(out, 0x1000 | (levels > 1 ? 0x400008 : 0) | (cube ? 8 : 0));
    Put32(out, cube ? 0xFE00 : 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    return out;
}

} // namespace

Bytes MakeDdsArgb(int width, int height, int levels, const Pattern& pattern, bool cube) {
    const uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    Bytes out = DdsHeader(width, height, levels, 0x41, 0, 32, masks, cube);
    for (int face = 0; face < (cube ? 6 : 1); ++face)
        for (int level = 0; level < levels; ++level) {
            const int w = width >> level ? width >> level : 1;
            const int h = height >> level ? height >> level : 1;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgba p = pattern(x + face, y + level);
                    out.insert(out.end(), {p.b, p.g, p.r, p.a});
                }
        }
    return out;
}

Bytes MakeDdsDxt1(int width, int height, uint16_t c0, uint16_t c1, int index) {
    const uint32_t masks[4] = {0, 0, 0, 0};
    Bytes out = DdsHeader(width, height, 1, 0x4, 0x31545844, 0, masks, false);
    const uint8_t indices = uint8_t(index * 0x55);
    for (int block = 0; block < ((width + 3) / 4) * ((height + 3) / 4); ++block) {
        Put16(out, c0);
        Put16(out, c1);
        out.insert(out.end(), {indices, indices, indices, indices});
    }
    return out;
}
