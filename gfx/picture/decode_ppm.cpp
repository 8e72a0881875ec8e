// Portable pixmaps: "P6" (binary) and "P3" (text), samples of up to 16 bits scaled to 8.
#include "gfx/picture/decoded_image.h"

#include <cctype>

namespace {

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : at(data), end(data + size) {}

    // Skips whitespace and comments, then reads one decimal number; false when there is none.
    bool Number(uint32_t& value) {
        for (;;) {
            while (at < end && std::isspace(*at))
                ++at;
            if (at < end && *at == '#') {
                while (at < end && *at != '\n')
                    ++at;
                continue;
            }
            break;
        }
        if (at == end || !std::isdigit(*at)) return false;
        uint64_t number = 0;
        while (at < end && std::isdigit(*at)) {
            number = number * 10 + uint64_t(*at++ - '0');
            if (number > 0xFFFFFFFFu) return false;
        }
        value = uint32_t(number);
        return true;
    }

    // The single whitespace byte that ends a binary header.
    bool EndOfHeader() {
        if (at == end || !std::isspace(*at)) return false;
        ++at;
        return true;
    }

    const uint8_t* at;
    const uint8_t* end;
};

} // namespace

bool DecodePpm(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size < 2 || data[0] != 'P' || (data[1] != '3' && data[1] != '6')) return false;
    const bool binary = data[1] == '6';
    Reader reader(data + 2, size - 2);
    uint32_t width, height, maximum;
    if (!reader.Number(width) || !reader.Number(height) || !reader.Number(maximum)) return false;
    if (!AcceptableSize(width, height) || maximum == 0 || maximum > 65535) return false;

    const size_t samples = size_t(width) * height * 3;
    const size_t sampleBytes = maximum > 255 ? 2 : 1;
    const size_t left = size_t(reader.end - reader.at);
    if (binary && (!reader.EndOfHeader() || left - 1 < samples * sampleBytes)) return false;
    // Text samples take at least a digit and a separator each: refuse sizes the data cannot fill
    // before allocating for them.
    if (!binary && left < samples * 2) return false;

    image.format = D3DFMT_X8R8G8B8;
    image.pitch = width * 4;
    image.rect = RECT{0, 0, LONG(width), LONG(height)};
    image.pixels.assign(size_t(image.pitch) * height, 0);
    for (size_t i = 0; i < samples; ++i) {
        uint32_t sample;
        if (binary) {
            const uint8_t* p = reader.at + i * sampleBytes;
            sample = sampleBytes == 2 ? uint32_t(p[0] << 8 | p[1]) : p[0];
        } else if (!reader.Number(sample)) {
            return false;
        }
        if (sample > maximum) return false;
        // Red, green, blue into bytes 2, 1, 0 of the little-endian X8R8G8B8 pixel.
        const size_t pixel = i / 3, channel = i % 3;
        image.pixels[pixel * 4 + 2 - channel] = uint8_t((sample * 255 + maximum / 2) / maximum);
    }
    return true;
}
