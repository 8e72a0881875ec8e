#include "platform/ffmpeg/yuv444.h"

#include <array>
#include <cstddef>

namespace {

// The matrix in 16.16 fixed point, as tables: R = Y + rv V, G = Y + gu U + gv V, B = Y + bu U,
// with U and V centred on 128 and Y scaled from its range to 0..255 (the half for rounding in
// Y's table), and a table that clamps the sums to 0..255. Tables, because this machine's
// multiplies and clamps cost twice as much per pixel as five lookups.
struct Tables {
    std::array<int32_t, 256> y, rv, gu, gv, bu;
};

constexpr Tables MakeTables(int32_t y, int32_t yOffset, int32_t rv, int32_t gu, int32_t gv,
                            int32_t bu) {
    Tables t{};
    for (int32_t i = 0; i < 256; ++i) {
        t.y[std::size_t(i)] = (i - yOffset) * y + 32768;
        t.rv[std::size_t(i)] = (i - 128) * rv;
        t.gu[std::size_t(i)] = -(i - 128) * gu;
        t.gv[std::size_t(i)] = -(i - 128) * gv;
        t.bu[std::size_t(i)] = (i - 128) * bu;
    }
    return t;
}

constexpr Tables kFull = MakeTables(65536, 0, 91881, 22554, 46802, 116130);
constexpr Tables kLimited = MakeTables(76309, 16, 104597, 25675, 53279, 132201);

// Sums reach from about -300 to 560: clamped through a table offset by 384.
constexpr int kClampOffset = 384;
constexpr std::array<uint8_t, 1024> kClamp = [] {
    std::array<uint8_t, 1024> table{};
    for (int i = 0; i < 1024; ++i) {
        const int value = i - kClampOffset;
        table[std::size_t(i)] = uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
    }
    return table;
}();

template <typename Store>
void Convert(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, bool fullRange,
             Store store) {
    const Tables& t = fullRange ? kFull : kLimited;
    const uint8_t* clamp = kClamp.data() + kClampOffset;
    for (int x = 0; x < width; ++x) {
        const int32_t luma = t.y[y[x]];
        store(x, clamp[(luma + t.bu[u[x]]) >> 16], clamp[(luma + t.gu[u[x]] + t.gv[v[x]]) >> 16],
              clamp[(luma + t.rv[v[x]]) >> 16]);
    }
}

} // namespace

void Yuv444RowToBgr(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, bool fullRange,
                    uint8_t* bgr) {
    Convert(y, u, v, width, fullRange, [bgr](int x, uint8_t b, uint8_t g, uint8_t r) {
        bgr[3 * x] = b;
        bgr[3 * x + 1] = g;
        bgr[3 * x + 2] = r;
    });
}

void Yuv444RowToArgb(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width,
                     bool fullRange, uint32_t* argb) {
    Convert(y, u, v, width, fullRange, [argb](int x, uint8_t b, uint8_t g, uint8_t r) {
        argb[x] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    });
}
