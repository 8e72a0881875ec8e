#include "gfx/picture/format_table.h"

#include <iterator>

namespace {

using K = FormatKind;

const FormatDescriptor kTable[] = {
    {D3DFMT_R8G8B8, K::Colour, 24, 0, 0, 8, 8, 8, false},
    {D3DFMT_A8R8G8B8, K::Colour, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_X8R8G8B8, K::Colour, 32, 0, 0, 8, 8, 8, true},
    {D3DFMT_R5G6B5, K::Colour, 16, 0, 0, 5, 6, 5, true},
    {D3DFMT_X1R5G5B5, K::Colour, 16, 0, 0, 5, 5, 5, true},
    {D3DFMT_A8P8, K::Palette, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_P8, K::Palette, 8, 0, 8, 8, 8, 8, true},
    {D3DFMT_A1R5G5B5, K::Colour, 16, 0, 1, 5, 5, 5, true},
    {D3DFMT_A4R4G4B4, K::Colour, 16, 0, 4, 4, 4, 4, true},
    {D3DFMT_R3G3B2, K::Colour, 8, 0, 0, 3, 3, 2, true},
    {D3DFMT_A8, K::Colour, 8, 0, 8, 0, 0, 0, true},
    {D3DFMT_A8R3G3B2, K::Colour, 16, 0, 8, 3, 3, 2, true},
    {D3DFMT_X4R4G4B4, K::Colour, 16, 0, 0, 4, 4, 4, true},
    {D3DFMT_L8, K::Luminance, 8, 0, 0, 8, 8, 8, true},
    {D3DFMT_A8L8, K::Luminance, 16, 0, 8, 8, 8, 8, true},
    {D3DFMT_A4L4, K::Luminance, 8, 0, 4, 4, 4, 4, true},
    {D3DFMT_V8U8, K::Bump, 16, 0, 0, 0, 8, 8, true},
    {D3DFMT_L6V5U5, K::Bump, 16, 6, 0, 0, 5, 5, true},
    {D3DFMT_X8L8V8U8, K::Bump, 32, 8, 0, 0, 8, 8, true},
    {D3DFMT_Q8W8V8U8, K::Bump, 32, 0, 8, 8, 8, 8, true},
    {D3DFMT_V16U16, K::Bump, 32, 0, 0, 0, 16, 16, true},
    {D3DFMT_W11V11U10, K::Bump, 32, 0, 0, 11, 11, 10, true},
    {D3DFMT_UYVY, K::Colour, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_YUY2, K::Colour, 16, 0, 0, 8, 8, 8, false},
    {D3DFMT_DXT1, K::Colour, 16, 0, 1, 5, 6, 5, false},
    {D3DFMT_DXT2, K::Colour, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT3, K::Colour, 16, 0, 4, 5, 6, 5, false},
    {D3DFMT_DXT4, K::Colour, 16, 0, 3, 5, 6, 5, false},
    {D3DFMT_DXT5, K::Colour, 16, 0, 3, 5, 6, 5, false},
};

} // namespace

const FormatDescriptor* FormatTableBegin() {
    return std::begin(kTable);
}
const FormatDescriptor* FormatTableEnd() {
    return std::end(kTable);
}

FormatDescriptor DescribeFormat(D3DFORMAT format) {
    for (const FormatDescriptor& row : kTable)
        if (row.format == format) return row;
    return FormatDescriptor{format, K::Colour, 32, 0, 8, 8, 8, 8, false};
}

bool IsDxtFormat(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 ||
           format == D3DFMT_DXT4 || format == D3DFMT_DXT5;
}
