// Reading pixels of any loader format into the working form (four floats, 0 to 1) and writing
// them back out, rounded or ordered-dithered.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstddef>
#include <cstdint>

struct WorkingPixel {
    float r, g, b, a;
};

struct PixelSource {
    D3DFORMAT format;
    // Row 0 (block row 0 for the compressed formats).
    const uint8_t* bits;
    int pitch;
    // 256 entries, for the palette formats.
    const PALETTEENTRY* palette;
    // Pixels equal to this (as 8-bit ARGB) read as transparent black; 0 for none.
    D3DCOLOR colorKey;
};

bool CanReadFormat(D3DFORMAT format);
bool CanWriteFormat(D3DFORMAT format);

// Bytes of one row of `width` pixels (of 4 x 4 blocks for the compressed formats), and how many
// such rows `height` pixels take; 0 for formats the codec does not know.
size_t RowBytes(D3DFORMAT format, uint32_t width);
size_t RowCount(D3DFORMAT format, uint32_t height);

// Reads pixels x .. x + count - 1 of row y.
void ReadPixels(const PixelSource& source, int x, int y, int count, WorkingPixel* out);

// Writes `count` pixels to `row`. Each channel becomes the integer part of v x (2^n - 1) + d,
// d being 0.5, or with `dither` the 4 x 4 ordered-dither offset of destination pixel (i, y).
void WritePixels(D3DFORMAT format, const WorkingPixel* in, int count, int y, bool dither,
                 uint8_t* row);
