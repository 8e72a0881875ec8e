// DirectDraw surfaces: uncompressed RGB, luminance and alpha layouts and DXT1 to DXT5, with
// their stored mip levels; cube maps only with all six faces. Every level and face becomes one
// image of the chain, in file order.
#include "gfx/picture/decoded_image.h"
#include "gfx/picture/little_endian.h"
#include "gfx/picture/pixel_codec.h"

#include <cstring>

namespace {

constexpr size_t kMagicSize = 4;
constexpr size_t kHeaderSize = 124;

constexpr uint32_t kMipMapCountFlag = 0x20000;
constexpr uint32_t kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCc = 0x4, kRgb = 0x40,
                   kLuminance = 0x20000;
constexpr uint32_t kCubeMap = 0x200, kAllFaces = 0xFC00, kVolume = 0x200000;

struct PixelFormat {
    uint32_t flags, fourCc, bits, red, green, blue, alpha;
};

D3DFORMAT FormatOf(const PixelFormat& p) {
    if (p.flags & kFourCc) {
        for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5})
            if (p.fourCc == uint32_t(format)) return format;
        return D3DFMT_UNKNOWN;
    }
    const bool alpha = (p.flags & kAlphaPixels) != 0;
    const uint32_t a = alpha ? p.alpha : 0;
    if (p.flags & kRgb) {
        const struct {
            uint32_t bits, r, g, b, a;
            D3DFORMAT format;
        } known[] = {
            {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
            {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
            {24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
            {16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
            {16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
            {16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
            {16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
            {16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
            {16, 0xE0, 0x1C, 0x3, 0xFF00, D3DFMT_A8R3G3B2},
            {8, 0xE0, 0x1C, 0x3, 0, D3DFMT_R3G3B2},
        };
        for (const auto& k : known)
            if (p.bits == k.bits && p.red == k.r && p.green == k.g && p.blue == k.b && a == k.a)
                return k.format;
        return D3DFMT_UNKNOWN;
    }
    if (p.flags & kLuminance) {
        if (p.bits == 8 && p.red == 0xFF && a == 0) return D3DFMT_L8;
        if (p.bits == 16 && p.red == 0xFF && a == 0xFF00) return D3DFMT_A8L8;
        if (p.bits == 8 && p.red == 0xF && a == 0xF0) return D3DFMT_A4L4;
        return D3DFMT_UNKNOWN;
    }
    if ((p.flags & kAlphaOnly) && p.bits == 8 && p.alpha == 0xFF) return D3DFMT_A8;
    return D3DFMT_UNKNOWN;
}

} // namespace

bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size < kMagicSize + kHeaderSize || std::memcmp(data, "DDS ", 4) != 0) return false;
    const uint8_t* header = data + kMagicSize;
    if (ReadU32(header) != kHeaderSize) return false;
    const uint32_t flags = ReadU32(header + 4);
    const uint32_t height = ReadU32(header + 8), width = ReadU32(header + 12);
    const uint32_t storedLevels = ReadU32(header + 24);
    const PixelFormat pixelFormat{ReadU32(header + 76), ReadU32(header + 80), ReadU32(header + 84),
                                  ReadU32(header + 88), ReadU32(header + 92), ReadU32(header + 96),
                                  ReadU32(header + 100)};
    const uint32_t caps2 = ReadU32(header + 108);
    if (!AcceptableSize(width, height) || (caps2 & kVolume)) return false;
    const bool cube = (caps2 & kCubeMap) != 0;
    if (cube && (caps2 & kAllFaces) != kAllFaces) return false;

    const D3DFORMAT format = FormatOf(pixelFormat);
    if (format == D3DFMT_UNKNOWN) return false;

    uint32_t levels = (flags & kMipMapCountFlag) && storedLevels ? storedLevels : 1;
    uint32_t fullChain = 1;
    for (uint32_t s = width > height ? width : height; s > 1; s >>= 1)
        ++fullChain;
    if (levels > fullChain) return false;

    const uint8_t* at = data + kMagicSize + kHeaderSize;
    const uint8_t* end = data + size;
    DecodedImage* last = nullptr;
    for (int face = 0; face < (cube ? 6 : 1); ++face) {
        for (uint32_t level = 0; level < levels; ++level) {
            const uint32_t w = width >> level ? width >> level : 1;
            const uint32_t h = height >> level ? height >> level : 1;
            const size_t pitch = RowBytes(format, w);
            const size_t bytes = pitch * RowCount(format, h);
            if (size_t(end - at) < bytes) return false;
            DecodedImage* slot = &image;
            if (last) {
                last->next = std::make_unique<DecodedImage>();
                slot = last->next.get();
            }
            slot->format = format;
            slot->pitch = uint32_t(pitch);
            slot->rect = RECT{0, 0, LONG(w), LONG(h)};
            slot->pixels.assign(at, at + bytes);
            at += bytes;
            last = slot;
        }
    }
    return true;
}
