#include "platform/d3d8/texel_formats.h"

#include <cstring>

namespace {

// A channel of `bits` bits at `shift`, widened to 8 bits by repeating its bits from the top.
uint32_t Widen(uint32_t value, int shift, int bits) {
    const uint32_t channel = (value >> shift) & ((1u << bits) - 1u);
    uint32_t repeated = 0;
    int filled = 0;
    while (filled < 8) {
        repeated = repeated << bits | channel;
        filled += bits;
    }
    return repeated >> (filled - 8);
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t Load(const uint8_t* p, UINT bytes) {
    uint32_t value = 0;
    for (UINT i = 0; i < bytes; ++i)
        value |= uint32_t(p[i]) << (8 * i);
    return value;
}

} // namespace

TexelLayout TexelLayoutOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return {4, false};
    case D3DFMT_R8G8B8:
        return {3, false};
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8L8:
        return {2, false};
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A4L4:
        return {1, false};
    case D3DFMT_DXT1:
        return {8, true};
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return {16, true};
    default:
        return {0, false};
    }
}

bool IsTextureFormatSupported(D3DFORMAT format) {
    return TexelLayoutOf(format).bytes != 0;
}

UINT LevelPitch(D3DFORMAT format, UINT width) {
    const TexelLayout layout = TexelLayoutOf(format);
    return layout.blockCompressed ? ((width + 3) / 4) * layout.bytes : width * layout.bytes;
}

UINT LevelRows(D3DFORMAT format, UINT height) {
    return TexelLayoutOf(format).blockCompressed ? (height + 3) / 4 : height;
}

void ExpandRowToArgb(D3DFORMAT format, const uint8_t* row, UINT width, uint32_t* out) {
    const UINT bytes = TexelLayoutOf(format).bytes;
    for (UINT x = 0; x < width; ++x) {
        const uint32_t v = Load(row + size_t(x) * bytes, bytes);
        uint32_t argb = 0;
        switch (format) {
        case D3DFMT_A8R8G8B8:
            argb = v;
            break;
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R8G8B8:
            argb = v | 0xFF000000u;
            break;
        case D3DFMT_R5G6B5:
            argb = Argb(255, Widen(v, 11, 5), Widen(v, 5, 6), Widen(v, 0, 5));
            break;
        case D3DFMT_X1R5G5B5:
            argb = Argb(255, Widen(v, 10, 5), Widen(v, 5, 5), Widen(v, 0, 5));
            break;
        case D3DFMT_A1R5G5B5:
            argb = Argb(Widen(v, 15, 1), Widen(v, 10, 5), Widen(v, 5, 5), Widen(v, 0, 5));
            break;
        case D3DFMT_A4R4G4B4:
            argb = Argb(Widen(v, 12, 4), Widen(v, 8, 4), Widen(v, 4, 4), Widen(v, 0, 4));
            break;
        case D3DFMT_X4R4G4B4:
            argb = Argb(255, Widen(v, 8, 4), Widen(v, 4, 4), Widen(v, 0, 4));
            break;
        case D3DFMT_R3G3B2:
            argb = Argb(255, Widen(v, 5, 3), Widen(v, 2, 3), Widen(v, 0, 2));
            break;
        case D3DFMT_A8R3G3B2:
            argb = Argb(v >> 8, Widen(v, 5, 3), Widen(v, 2, 3), Widen(v, 0, 2));
            break;
        case D3DFMT_A8:
            argb = Argb(v, 0, 0, 0);
            break;
        case D3DFMT_L8:
            argb = Argb(255, v, v, v);
            break;
        case D3DFMT_A8L8:
            argb = Argb(v >> 8, v & 0xFF, v & 0xFF, v & 0xFF);
            break;
        case D3DFMT_A4L4: {
            const uint32_t l = Widen(v, 0, 4);
            argb = Argb(Widen(v, 4, 4), l, l, l);
            break;
        }
        default:
            break;
        }
        out[x] = argb;
    }
}
