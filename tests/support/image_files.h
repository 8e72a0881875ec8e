// Small picture files for the tests, in every format the loader reads. Pixels come from a
// pattern function so each test can say what it expects where.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

using Bytes = std::vector<uint8_t>;

// 8-bit channels of pixel (x, y).
struct Rgba {
    uint8_t r, g, b, a;
};
using Pattern = std::function<Rgba(int x, int y)>;

// A smooth, distinct colour for every pixel.
Rgba Gradient(int x, int y);

// JPEG through libjpeg: 1 (grey, from red), 3 (colour) or 4 (CMYK) components.
Bytes MakeJpeg(int width, int height, int components, const Pattern& pattern, int quality = 95);

// PNG through libpng of the given libpng colour type (grey, grey+alpha, RGB, RGBA, palette).
// Palette images use the pattern's red as the index into a palette of (i, 255 - i, i / 2, i).
Bytes MakePng(int width, int height, int colourType, const Pattern& pattern);

// TGA of image type 1, 2, 3, 9, 10 or 11 with the given bits per pixel, stored bottom-up
// unless `topDown`. Colour-mapped images index a 256-entry map of (i, 255 - i, i / 2).
Bytes MakeTga(int width, int height, int imageType, int bits, const Pattern& pattern,
              bool topDown = false);

// A bitmap of 8, 16 (5-5-5), 24 or 32 bits per pixel, bottom-up. With `fileHeader` it is a BMP
// file, without it a bare DIB. 8-bit images index a grey palette with the pattern's red.
Bytes MakeBitmap(int width, int height, int bits, const Pattern& pattern, bool fileHeader = true);

// "P6" (binary) or "P3" (text) with maximum value 255.
Bytes MakePpm(int width, int height, bool binary, const Pattern& pattern);

// DDS holding A8R8G8B8 pixels with `levels` mip levels (each level filled from the pattern),
// optionally as a cube map of six faces.
Bytes MakeDdsArgb(int width, int height, int levels, const Pattern& pattern, bool cube = false);
// DDS holding one DXT1 level whose every block has colour0 = `c0`, colour1 = `c1` (R5G6B5) and
// all indices `index`.
Bytes MakeDdsDxt1(int width, int height, uint16_t c0, uint16_t c1, int index);
