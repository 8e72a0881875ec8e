// Truevision TGA: colour-mapped, true-colour and grey images, plain or run-length coded, in
// either vertical (and horizontal) order.
#include "gfx/picture/decoded_image.h"
#include "gfx/picture/little_endian.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 18;

// A colour-map entry of 15, 16, 24 or 32 bits as a palette entry.
PALETTEENTRY MapEntry(const uint8_t* p, int bits) {
    if (bits == 15 || bits == 16) {
        const uint16_t v = ReadU16(p);
        const auto widen = [](int five) { return uint8_t(five << 3 | five >> 2); };
        return {widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31),
                uint8_t(bits == 16 && !(v & 0x8000) ? 0 : 255)};
    }
    return {p[2], p[1], p[0], uint8_t(bits == 32 ? p[3] : 255)};
}

// Unpacks run-length coded pixels into `out` (count pixels of `bytes` bytes); false when the
// data ends first.
bool Unpack(const uint8_t*& in, const uint8_t* end, uint8_t* out, size_t count, size_t bytes) {
    size_t done = 0;
    while (done < count) {
        if (in >= end) return false;
        const uint8_t header = *in++;
        const size_t run = std::min(size_t(header & 0x7F) + 1, count - done);
        if (header & 0x80) {
            if (size_t(end - in) < bytes) return false;
            for (size_t i = 0; i < run; ++i)
                std::memcpy(out + (done + i) * bytes, in, bytes);
            in += bytes;
        } else {
            if (size_t(end - in) < run * bytes) return false;
            std::memcpy(out + done * bytes, in, run * bytes);
            in += run * bytes;
        }
        done += run;
    }
    return true;
}

} // namespace

bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size < kHeaderSize) return false;
    const uint8_t idLength = data[0], mapType = data[1], imageType = data[2];
    const uint16_t mapFirst = ReadU16(data + 3), mapLength = ReadU16(data + 5);
    const uint8_t mapBits = data[7];
    const uint16_t width = ReadU16(data + 12), height = ReadU16(data + 14);
    const uint8_t depth = data[16], descriptor = data[17];
    if (mapType > 1 || width == 0 || height == 0 || !AcceptableSize(width, height)) return false;
    const int baseType = imageType & ~8;
    if ((imageType & ~11) != 0 || baseType < 1 || baseType > 3) return false;

    size_t bytes;
    switch (baseType) {
    case 1:
        if (mapType != 1 || depth != 8) return false;
        image.format = D3DFMT_P8;
        bytes = 1;
        break;
    case 2:
        if (depth == 15)
            image.format = D3DFMT_X1R5G5B5;
        else if (depth == 16)
            image.format = D3DFMT_A1R5G5B5;
        else if (depth == 24)
            image.format = D3DFMT_R8G8B8;
        else if (depth == 32)
            image.format = D3DFMT_A8R8G8B8;
        else
            return false;
        bytes = (depth + 7) / 8;
        break;
    default:
        if (depth != 8) return false;
        image.format = D3DFMT_L8;
        bytes = 1;
        break;
    }

    const uint8_t* in = data + kHeaderSize + idLength;
    const uint8_t* end = data + size;
    if (in > end) return false;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return false;
        const size_t entryBytes = (mapBits + 7) / 8;
        if (size_t(end - in) < size_t(mapLength) * entryBytes) return false;
        if (baseType == 1) {
            image.palette.assign(256, PALETTEENTRY{0, 0, 0, 255});
            for (size_t i = 0; i < mapLength; ++i)
                if (mapFirst + i < 256)
                    image.palette[mapFirst + i] = MapEntry(in + i * entryBytes, mapBits);
        }
        in += size_t(mapLength) * entryBytes;
    }

    const size_t pixelCount = size_t(width) * height;
    std::vector<uint8_t> stored(pixelCount * bytes);
    if (imageType & 8) {
        if (!Unpack(in, end, stored.data(), pixelCount, bytes)) return false;
    } else {
        if (size_t(end - in) < stored.size()) return false;
        std::memcpy(stored.data(), in, stored.size());
    }

    // Rows are stored bottom up unless bit 5 says top down; bit 4 stores them right to left.
    const bool topDown = (descriptor & 0x20) != 0, rightToLeft = (descriptor & 0x10) != 0;
    image.pitch = uint32_t(width * bytes);
    image.rect = RECT{0, 0, LONG(width), LONG(height)};
    image.pixels.resize(stored.size());
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* from = stored.data() + (topDown ? y : height - 1 - y) * image.pitch;
        uint8_t* to = image.pixels.data() + y * image.pitch;
        if (!rightToLeft) {
            std::memcpy(to, from, image.pitch);
            continue;
        }
        for (size_t x = 0; x < width; ++x)
            std::memcpy(to + x * bytes, from + (width - 1 - x) * bytes, bytes);
    }
    return true;
}
