#include "gfx/picture/pixel_codec.h"
#include "gfx/picture/format_table.h"

#include <cmath>
#include <cstring>

namespace {

struct Channel {
    int shift;
    int bits;
};

// Where each channel sits in a pixel's little-endian value.
struct Layout {
    int bytes;
    Channel a, r, g, b;
    Channel luminance;
    Channel index;
};

constexpr Channel kNone{0, 0};

bool LayoutOf(D3DFORMAT format, Layout& layout) {
    switch (format) {
    case D3DFMT_R8G8B8:
        layout = {3, kNone, {16, 8}, {8, 8}, {0, 8}, kNone, kNone};
        return true;
    case D3DFMT_A8R8G8B8:
        layout = {4, {24, 8}, {16, 8}, {8, 8}, {0, 8}, kNone, kNone};
        return true;
    case D3DFMT_X8R8G8B8:
        layout = {4, kNone, {16, 8}, {8, 8}, {0, 8}, kNone, kNone};
        return true;
    case D3DFMT_R5G6B5:
        layout = {2, kNone, {11, 5}, {5, 6}, {0, 5}, kNone, kNone};
        return true;
    case D3DFMT_X1R5G5B5:
        layout = {2, kNone, {10, 5}, {5, 5}, {0, 5}, kNone, kNone};
        return true;
    case D3DFMT_A1R5G5B5:
        layout = {2, {15, 1}, {10, 5}, {5, 5}, {0, 5}, kNone, kNone};
        return true;
    case D3DFMT_A4R4G4B4:
        layout = {2, {12, 4}, {8, 4}, {4, 4}, {0, 4}, kNone, kNone};
        return true;
    case D3DFMT_X4R4G4B4:
        layout = {2, kNone, {8, 4}, {4, 4}, {0, 4}, kNone, kNone};
        return true;
    case D3DFMT_R3G3B2:
        layout = {1, kNone, {5, 3}, {2, 3}, {0, 2}, kNone, kNone};
        return true;
    case D3DFMT_A8R3G3B2:
        layout = {2, {8, 8}, {5, 3}, {2, 3}, {0, 2}, kNone, kNone};
        return true;
    case D3DFMT_A8:
        layout = {1, {0, 8}, kNone, kNone, kNone, kNone, kNone};
        return true;
    case D3DFMT_L8:
        layout = {1, kNone, kNone, kNone, kNone, {0, 8}, kNone};
        return true;
    case D3DFMT_A8L8:
        layout = {2, {8, 8}, kNone, kNone, kNone, {0, 8}, kNone};
        return true;
    case D3DFMT_A4L4:
        layout = {1, {4, 4}, kNone, kNone, kNone, {0, 4}, kNone};
        return true;
    case D3DFMT_P8:
        layout = {1, kNone, kNone, kNone, kNone, kNone, {0, 8}};
        return true;
    case D3DFMT_A8P8:
        layout = {2, {8, 8}, kNone, kNone, kNone, kNone, {0, 8}};
        return true;
    default:
        return false;
    }
}

// The ordered-dither matrix; the offset of pixel (x, y) is (M[y % 4][x % 4] + 0.5) / 16.
constexpr int kDither[4][4] = {{15, 7, 13, 5}, {3, 11, 1, 9}, {12, 4, 14, 6}, {0, 8, 2, 10}};

float Normalised(uint32_t value, Channel channel) {
    const uint32_t top = (1u << channel.bits) - 1u;
    return float((value >> channel.shift) & top) / float(top);
}

uint32_t Packed(float v, Channel channel, float offset) {
    if (channel.bits == 0) return 0;
    const float top = float((1u << channel.bits) - 1u);
    // Held to 0 .. 1 first: a weighted sum a hair above 1 would pack as 2^n and carry into the
    // next channel. Then truncation toward zero.
    const float held = v > 1.0f ? 1.0f : v < 0.0f ? 0.0f : v;
    return uint32_t(int32_t(held * top + offset)) << channel.shift;
}

uint32_t LoadValue(const uint8_t* p, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint32_t(p[i]) << (8 * i);
    return value;
}

WorkingPixel FromRgb565(uint32_t c) {
    return {float((c >> 11) & 31) / 31.0f, float((c >> 5) & 63) / 63.0f, float(c & 31) / 31.0f,
            1.0f};
}

WorkingPixel Mix(const WorkingPixel& p, const WorkingPixel& q, float pWeight, float qWeight,
                 float total) {
    return {(p.r * pWeight + q.r * qWeight) / total, (p.g * pWeight + q.g * qWeight) / total,
            (p.b * pWeight + q.b * qWeight) / total, 1.0f};
}

// One pixel (px, py within its block) of a DXT colour block.
WorkingPixel DxtColour(const uint8_t* block, int px, int py, bool threeColourMode) {
    const uint32_t c0 = LoadValue(block, 2), c1 = LoadValue(block + 2, 2);
    const WorkingPixel p0 = FromRgb565(c0), p1 = FromRgb565(c1);
    const int index = (block[4 + py] >> (2 * px)) & 3;
    const bool fourColours = !threeColourMode || c0 > c1;
    switch (index) {
    case 0:
        return p0;
    case 1:
        return p1;
    case 2:
        return fourColours ? Mix(p0, p1, 2, 1, 3) : Mix(p0, p1, 1, 1, 2);
    default:
        return fourColours ? Mix(p0, p1, 1, 2, 3) : WorkingPixel{0, 0, 0, 0};
    }
}

float Dxt5Alpha(const uint8_t* block, int px, int py) {
    const int a0 = block[0], a1 = block[1];
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(block[2 + i]) << (8 * i);
    const int index = int((bits >> (3 * (py * 4 + px))) & 7);
    float value;
    if (index == 0)
        value = float(a0);
    else if (index == 1)
        value = float(a1);
    else if (a0 > a1)
        value = float((8 - index) * a0 + (index - 1) * a1) / 7.0f;
    else if (index == 6)
        value = 0.0f;
    else if (index == 7)
        value = 255.0f;
    else
        value = float((6 - index) * a0 + (index - 1) * a1) / 5.0f;
    return value / 255.0f;
}

WorkingPixel DxtPixel(const PixelSource& source, int x, int y) {
    const bool dxt1 = source.format == D3DFMT_DXT1;
    const int blockBytes = dxt1 ? 8 : 16;
    const uint8_t* block =
        source.bits + size_t(y / 4) * size_t(source.pitch) + size_t(x / 4) * blockBytes;
    const int px = x % 4, py = y % 4;
    if (dxt1) return DxtColour(block, px, py, true);
    WorkingPixel pixel = DxtColour(block + 8, px, py, false);
    if (source.format == D3DFMT_DXT2 || source.format == D3DFMT_DXT3)
        pixel.a = float((block[py * 2 + px / 2] >> (4 * (px % 2))) & 15) / 15.0f;
    else
        pixel.a = Dxt5Alpha(block, px, py);
    return pixel;
}

uint8_t Byte(float v) {
    return uint8_t(std::lround(v * 255.0f));
}

} // namespace

bool CanReadFormat(D3DFORMAT format) {
    Layout layout;
    return LayoutOf(format, layout) || IsDxtFormat(format);
}

bool CanWriteFormat(D3DFORMAT format) {
    Layout layout;
    return LayoutOf(format, layout) && layout.index.bits == 0;
}

size_t RowBytes(D3DFORMAT format, uint32_t width) {
    if (IsDxtFormat(format)) return size_t((width + 3) / 4) * (format == D3DFMT_DXT1 ? 8 : 16);
    Layout layout;
    return LayoutOf(format, layout) ? size_t(width) * size_t(layout.bytes) : 0;
}

size_t RowCount(D3DFORMAT format, uint32_t height) {
    return IsDxtFormat(format) ? (height + 3) / 4 : height;
}

void ReadPixels(const PixelSource& source, int x, int y, int count, WorkingPixel* out) {
    Layout layout{};
    const bool dxt = IsDxtFormat(source.format);
    if (!dxt && !LayoutOf(source.format, layout)) {
        std::memset(out, 0, sizeof(WorkingPixel) * size_t(count));
        return;
    }
    const uint8_t* row = source.bits + size_t(y) * size_t(source.pitch);
    for (int i = 0; i < count; ++i) {
        WorkingPixel& pixel = out[i];
        if (dxt) {
            pixel = DxtPixel(source, x + i, y);
        } else {
            const uint32_t v = LoadValue(row + size_t(x + i) * size_t(layout.bytes), layout.bytes);
            if (layout.index.bits) {
                const PALETTEENTRY& entry = source.palette[(v >> layout.index.shift) & 0xFF];
                pixel = {entry.peRed / 255.0f, entry.peGreen / 255.0f, entry.peBlue / 255.0f,
                         entry.peFlags / 255.0f};
            } else if (layout.luminance.bits) {
                const float l = Normalised(v, layout.luminance);
                pixel = {l, l, l, 1.0f};
            } else {
                pixel = {layout.r.bits ? Normalised(v, layout.r) : 0.0f,
                         layout.g.bits ? Normalised(v, layout.g) : 0.0f,
                         layout.b.bits ? Normalised(v, layout.b) : 0.0f, 1.0f};
            }
            if (layout.a.bits) pixel.a = Normalised(v, layout.a);
        }
        if (source.colorKey != 0) {
            const D3DCOLOR argb = D3DCOLOR(Byte(pixel.a)) << 24 | D3DCOLOR(Byte(pixel.r)) << 16 |
                                  D3DCOLOR(Byte(pixel.g)) << 8 | Byte(pixel.b);
            if (argb == source.colorKey) pixel = WorkingPixel{0, 0, 0, 0};
        }
    }
}

void WritePixels(D3DFORMAT format, const WorkingPixel* in, int count, int y, bool dither,
                 uint8_t* row) {
    Layout layout;
    if (!LayoutOf(format, layout)) return;
    for (int i = 0; i < count; ++i) {
        const WorkingPixel& p = in[i];
        const float offset = dither ? (float(kDither[y & 3][i & 3]) + 0.5f) / 16.0f : 0.5f;
        uint32_t value = Packed(p.a, layout.a, offset) | Packed(p.r, layout.r, offset) |
                         Packed(p.g, layout.g, offset) | Packed(p.b, layout.b, offset);
        if (layout.luminance.bits) {
            // Grey keeps its level exactly; colour takes the Rec. 709 luminance.
            float l = p.r;
            if (p.r != p.g || p.g != p.b) l = p.r * 0.2125f + p.g * 0.7154f + p.b * 0.0721f;
            value |= Packed(l > 1.0f ? 1.0f : l, layout.luminance, offset);
        }
        for (int k = 0; k < layout.bytes; ++k)
            row[size_t(i) * size_t(layout.bytes) + size_t(k)] = uint8_t(value >> (8 * k));
    }
}
