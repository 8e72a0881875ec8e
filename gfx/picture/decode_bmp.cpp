// Windows bitmaps: a BMP file is a 14-byte file header followed by a DIB, which is also
// accepted on its own. 1, 4 and 8 bits per pixel with a colour table, 16, 24 and 32 bits
// direct; uncompressed or with the standard bit-field masks; bottom-up or top-down.
#include "gfx/picture/decoded_image.h"
#include "gfx/picture/little_endian.h"

#include <cstring>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kRgb = 0, kBitFields = 3;

// Decodes the DIB at data[0, size). `pixelOffset`, when not 0, is where the pixel rows start
// (the file header's value, counted from the DIB's start); otherwise they follow the header,
// the masks and the colour table.
bool DecodeInfo(const uint8_t* data, size_t size, size_t pixelOffset, DecodedImage& image) {
    if (size < 40) return false;
    const uint32_t headerSize = ReadU32(data);
    if (headerSize < 40 || headerSize > size) return false;
    const int32_t width = ReadI32(data + 4), signedHeight = ReadI32(data + 8);
    const uint16_t planes = ReadU16(data + 12), bits = ReadU16(data + 14);
    const uint32_t compression = ReadU32(data + 16), coloursUsed = ReadU32(data + 32);
    if (planes != 1 || width <= 0 || signedHeight == 0 || signedHeight == INT32_MIN) return false;
    const bool topDown = signedHeight < 0;
    const uint32_t height = uint32_t(topDown ? -signedHeight : signedHeight);
    if (!AcceptableSize(uint32_t(width), height)) return false;

    size_t tableOffset = headerSize;
    uint32_t masks[3] = {0, 0, 0};
    if (compression == kBitFields) {
        if (bits != 16 && bits != 32) return false;
        // The masks sit at byte 40: after a 40-byte header, inside the longer ones.
        if (40 + 12 > size) return false;
        for (int i = 0; i < 3; ++i)
            masks[i] = ReadU32(data + 40 + 4 * i);
        if (headerSize == 40) tableOffset += 12;
    } else if (compression != kRgb) {
        return false;
    }

    switch (bits) {
    case 1:
    case 4:
    case 8: {
        const uint32_t entries = coloursUsed ? coloursUsed : 1u << bits;
        if (entries > 256 || tableOffset + size_t(entries) * 4 > size) return false;
        image.format = D3DFMT_P8;
        image.palette.assign(256, PALETTEENTRY{0, 0, 0, 255});
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* quad = data + tableOffset + 4 * i;
            image.palette[i] = PALETTEENTRY{quad[2], quad[1], quad[0], 255};
        }
        tableOffset += size_t(entries) * 4;
        break;
    }
    case 16:
        if (compression == kRgb || (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F))
            image.format = D3DFMT_X1R5G5B5;
        else if (masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F)
            image.format = D3DFMT_R5G6B5;
        else
            return false;
        break;
    case 24:
        image.format = D3DFMT_R8G8B8;
        break;
    case 32:
        if (compression == kBitFields &&
            !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF))
            return false;
        image.format = D3DFMT_X8R8G8B8;
        break;
    default:
        return false;
    }

    const size_t start = pixelOffset ? pixelOffset : tableOffset;
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (start > size || (size - start) / stride < height) return false;

    const size_t bytesPerPixel = bits <= 8 ? 1 : bits / 8;
    image.pitch = uint32_t(size_t(width) * bytesPerPixel);
    image.rect = RECT{0, 0, width, LONG(height)};
    image.pixels.resize(size_t(image.pitch) * height);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* from = data + start + (topDown ? y : height - 1 - y) * stride;
        uint8_t* to = image.pixels.data() + size_t(y) * image.pitch;
        if (bits >= 8) {
            std::memcpy(to, from, image.pitch);
            continue;
        }
        // Expand 1- and 4-bit indices, most significant first, to one byte each.
        const int perByte = 8 / bits;
        const uint8_t mask = uint8_t((1u << bits) - 1u);
        for (int32_t x = 0; x < width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            to[x] = uint8_t((from[x / perByte] >> shift) & mask);
        }
    }
    return true;
}

} // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') return false;
    if (ReadU32(data + 2) > size) return false;
    const uint32_t pixelOffset = ReadU32(data + 10);
    const size_t fromInfo = pixelOffset > kFileHeaderSize ? pixelOffset - kFileHeaderSize : 0;
    return DecodeInfo(data + kFileHeaderSize, size - kFileHeaderSize, fromInfo, image);
}

bool DecodeDib(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data) return false;
    return DecodeInfo(data, size, 0, image);
}
