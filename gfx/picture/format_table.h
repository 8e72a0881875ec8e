// The pixel formats the picture loader can choose, with what each holds: the table that
// D3DXCheckTextureRequirements searches and scores.
#pragma once

#include "platform/d3d8/d3d8_types.h"

enum class FormatKind { Colour, Palette, Luminance, Bump };

struct FormatDescriptor {
    D3DFORMAT format;
    FormatKind kind;
    int bitsPerPixel;
    // Bit counts: luminance of the bump formats, alpha, red, green, blue. Luminance formats count
    // their luminance as red, green and blue; palette formats their entries' channels; bump
    // formats put V and U in green and blue, W in red and Q in alpha.
    int luminance, alpha, red, green, blue;
    bool substitute;
};

// The rows in search order.
const FormatDescriptor* FormatTableBegin();
const FormatDescriptor* FormatTableEnd();

// The row of `format`, or the fallback row (colour, 32 bits, 8 bits of A, R, G, B, no
// substitute) for a format not in the table.
FormatDescriptor DescribeFormat(D3DFORMAT format);

bool IsDxtFormat(D3DFORMAT format);
