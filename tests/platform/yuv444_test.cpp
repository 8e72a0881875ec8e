// The clips' colour conversion against the BT.601 equations worked in double precision.
#include "platform/ffmpeg/yuv444.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

// Kr = 0.299, Kb = 0.114: R = Y' + 1.402 Cr, G = Y' - 0.344136 Cb - 0.714136 Cr,
// B = Y' + 1.772 Cb; limited range first stretches Y from 16..235 and Cb, Cr from 16..240.
Rgb Reference(int y, int u, int v, bool fullRange) {
    double luma = y, cb = u - 128.0, cr = v - 128.0;
    if (!fullRange) luma = (y - 16) * 255.0 / 219.0, cb *= 255.0 / 224.0, cr *= 255.0 / 224.0;
    const auto channel = [](double value) {
        return int(std::clamp(std::floor(value + 0.5), 0.0, 255.0));
    };
    return {channel(luma + 1.402 * cr), channel(luma - 0.344136 * cb - 0.714136 * cr),
            channel(luma + 1.772 * cb)};
}

TEST(Yuv444, EveryColourAsTheEquationsGiveIt) {
    for (bool fullRange : {true, false}) {
        // Every Y, and U and V in steps that reach both ends.
        std::vector<uint8_t> y, u, v;
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; b += 5)
                for (int c = 0; c < 256; c += 5)
                    y.push_back(uint8_t(a)), u.push_back(uint8_t(b)), v.push_back(uint8_t(c));
        const int width = int(y.size());
        std::vector<uint8_t> bgr(y.size() * 3);
        std::vector<uint32_t> argb(y.size());
        Yuv444RowToBgr(y.data(), u.data(), v.data(), width, fullRange, bgr.data());
        Yuv444RowToArgb(y.data(), u.data(), v.data(), width, fullRange, argb.data());
        int off = 0;
        for (size_t i = 0; i < y.size(); ++i) {
            const Rgb want = Reference(y[i], u[i], v[i], fullRange);
            const Rgb got{bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i]};
            // 16-bit fixed point may round the other way where the exact value lies within
            // a few thousandths of a half.
            ASSERT_LE(std::abs(got.r - want.r), 1)
                << "YUV " << int(y[i]) << " " << int(u[i]) << " " << int(v[i]);
            ASSERT_LE(std::abs(got.g - want.g), 1)
                << "YUV " << int(y[i]) << " " << int(u[i]) << " " << int(v[i]);
            ASSERT_LE(std::abs(got.b - want.b), 1)
                << "YUV " << int(y[i]) << " " << int(u[i]) << " " << int(v[i]);
            off += got.r != want.r || got.g != want.g || got.b != want.b;
            ASSERT_EQ(argb[i],
                      0xFF000000u | uint32_t(got.r) << 16 | uint32_t(got.g) << 8 | uint32_t(got.b));
        }
        EXPECT_LT(off, width / 1000) << (fullRange ? "full range" : "limited range");
    }
}

} // namespace
