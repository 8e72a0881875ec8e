// How the device stores each texture format, and how it reaches OpenGL: every format is
// expanded to 8-bit BGRA on upload, so X formats read as opaque, L8 as grey, A8L8 as grey with
// alpha and 16-bit formats with their bits replicated, as the hardware expands them. The
// compressed formats go up as they are.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstdint>

struct TexelLayout {
    // Bytes per texel, or per 4 x 4 block for the compressed formats; 0 for unknown formats.
    UINT bytes;
    bool blockCompressed;
};

TexelLayout TexelLayoutOf(D3DFORMAT format);

// Bytes from one row (of blocks, when compressed) to the next, and how many such rows a level
// of the given size has.
UINT LevelPitch(D3DFORMAT format, UINT width);
UINT LevelRows(D3DFORMAT format, UINT height);

// Formats the stand-in can store and upload.
bool IsTextureFormatSupported(D3DFORMAT format);

// Expands one row of `width` texels to 0xAARRGGBB words. Not for compressed formats.
void ExpandRowToArgb(D3DFORMAT format, const uint8_t* row, UINT width, uint32_t* out);
