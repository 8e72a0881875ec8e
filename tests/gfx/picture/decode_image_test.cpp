// The decoding cascade on small files of every format, written by the tests themselves.
#include "gfx/picture/decoded_image.h"
#include "gfx/picture/little_endian.h"
#include "tests/support/image_files.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

namespace {

DecodedImage Decode(const Bytes& bytes) {
    DecodedImage image;
    EXPECT_EQ(DecodeImage(bytes.data(), bytes.size(), image), D3D_OK);
    return image;
}

uint32_t Pixel32(const DecodedImage& image, int x, int y) {
    return ReadU32(image.pixels.data() + size_t(y) * image.pitch + size_t(x) * 4);
}
uint16_t Pixel16(const DecodedImage& image, int x, int y) {
    return ReadU16(image.pixels.data() + size_t(y) * image.pitch + size_t(x) * 2);
}
uint8_t Pixel8(const DecodedImage& image, int x, int y) {
    return image.pixels[size_t(y) * image.pitch + size_t(x)];
}

uint32_t Xrgb(const Rgba& p) {
    return uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
}

// Large flat areas keep JPEG close to the source.
Rgba Blocks(int x, int y) {
    return Rgba{uint8_t(x < 8 ? 200 : 40), uint8_t(y < 8 ? 30 : 220), 90, 255};
}

TEST(DecodeJpeg, ColourBecomesX8R8G8B8WithTheTopByteZero) {
    const DecodedImage image = Decode(MakeJpeg(19, 16, 3, Blocks));
    EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(image.pitch, 19u * 4);
    EXPECT_EQ(image.Width(), 19u);
    EXPECT_EQ(image.Height(), 16u);
    EXPECT_EQ(image.ChainLength(), 1u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 19; ++x)
            EXPECT_EQ(Pixel32(image, x, y) >> 24, 0u);
    const uint32_t corner = Pixel32(image, 2, 2), opposite = Pixel32(image, 17, 13);
    EXPECT_NEAR(int(corner >> 16 & 0xFF), 200, 6);
    EXPECT_NEAR(int(corner >> 8 & 0xFF), 30, 6);
    EXPECT_NEAR(int(opposite >> 16 & 0xFF), 40, 6);
    EXPECT_NEAR(int(opposite >> 8 & 0xFF), 220, 6);
    EXPECT_NEAR(int(opposite & 0xFF), 90, 6);
}

TEST(DecodeJpeg, GreyBecomesL8WithPitchEqualToWidth) {
    const DecodedImage image = Decode(MakeJpeg(13, 9, 1, Blocks));
    EXPECT_EQ(image.format, D3DFMT_L8);
    EXPECT_EQ(image.pitch, 13u);
    EXPECT_NEAR(Pixel8(image, 1, 1), 200, 6);
    EXPECT_NEAR(Pixel8(image, 12, 8), 40, 6);
}

TEST(DecodeJpeg, CmykIsRefusedByEveryLoader) {
    const Bytes cmyk = MakeJpeg(16, 16, 4, Gradient);
    DecodedImage image;
    EXPECT_FALSE(DecodeJpeg(cmyk.data(), cmyk.size(), image));
    EXPECT_EQ(DecodeImage(cmyk.data(), cmyk.size(), image), D3DXERR_INVALIDDATA);
    EXPECT_TRUE(image.pixels.empty());
}

TEST(DecodeJpeg, CorruptScanDataDecodesSilently) {
    Bytes jpeg = MakeJpeg(64, 64, 3, Gradient);
    size_t scan = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) scan = i;
    ASSERT_GT(scan, 0u);
    for (size_t i = scan + 40; i < scan + 400; i += 7)
        if (jpeg[i] != 0xFF && jpeg[i - 1] != 0xFF) jpeg[i] ^= 0x5A;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const DecodedImage image = Decode(jpeg);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(image.Width(), 64u);
}

TEST(DecodeJpeg, DataEndingEarlyFinishesAsEndOfImage) {
    const Bytes jpeg = MakeJpeg(32, 32, 3, Blocks);
    // Cut inside the last Huffman table segment: its length now runs past the end of the data.
    size_t table = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) table = i;
    ASSERT_GT(table, 0u);
    size_t scan = 0;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) scan = i;
    ASSERT_GT(scan, table);
    const Bytes cutTable(jpeg.begin(), jpeg.begin() + long(table) + 8);
    DecodedImage image;
    EXPECT_EQ(DecodeImage(cutTable.data(), cutTable.size(), image), D3DXERR_INVALIDDATA);

    // Cut inside the scan: the rows that arrived are kept, the rest filled in.
    const Bytes cutScan(jpeg.begin(), jpeg.begin() + long(scan + (jpeg.size() - scan) / 2));
    ASSERT_EQ(DecodeImage(cutScan.data(), cutScan.size(), image), D3D_OK);
    EXPECT_EQ(image.Width(), 32u);
    EXPECT_NEAR(int(Pixel32(image, 2, 2) >> 16 & 0xFF), 200, 6);
}

TEST(DecodePng, EveryColourTypeInItsFormatAndByteOrder) {
    const Rgba p = Gradient(3, 2);
    DecodedImage grey = Decode(MakePng(5, 4, PNG_COLOR_TYPE_GRAY, Gradient));
    EXPECT_EQ(grey.format, D3DFMT_L8);
    EXPECT_EQ(Pixel8(grey, 3, 2), p.r);

    DecodedImage greyAlpha = Decode(MakePng(5, 4, PNG_COLOR_TYPE_GRAY_ALPHA, Gradient));
    EXPECT_EQ(greyAlpha.format, D3DFMT_A8L8);
    EXPECT_EQ(Pixel16(greyAlpha, 3, 2), uint16_t(p.a << 8 | p.r));

    DecodedImage rgb = Decode(MakePng(5, 4, PNG_COLOR_TYPE_RGB, Gradient));
    EXPECT_EQ(rgb.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Pixel32(rgb, 3, 2) & 0xFFFFFF, Xrgb(p));

    DecodedImage rgba = Decode(MakePng(5, 4, PNG_COLOR_TYPE_RGB_ALPHA, Gradient));
    EXPECT_EQ(rgba.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Pixel32(rgba, 3, 2), uint32_t(p.a) << 24 | Xrgb(p));

    DecodedImage palette = Decode(MakePng(5, 4, PNG_COLOR_TYPE_PALETTE, Gradient));
    EXPECT_EQ(palette.format, D3DFMT_P8);
    ASSERT_EQ(palette.palette.size(), 256u);
    EXPECT_EQ(Pixel8(palette, 3, 2), p.r);
    const PALETTEENTRY entry = palette.palette[p.r];
    EXPECT_EQ(entry.peRed, p.r);
    EXPECT_EQ(entry.peGreen, 255 - p.r);
    EXPECT_EQ(entry.peBlue, p.r / 2);
    EXPECT_EQ(entry.peFlags, p.r);
}

TEST(DecodePng, DamagedFilesFailWithoutASound) {
    // A truncated file, and one whose compressed data is scrambled: libpng fails both, and
    // says nothing about it (the loader that gave up says why, once, where it matters).
    const Bytes png = MakePng(64, 64, PNG_COLOR_TYPE_RGB, Gradient);
    Bytes truncated(png.begin(), png.begin() + std::ptrdiff_t(png.size() / 2));
    Bytes scrambled = png;
    for (size_t i = 60; i < scrambled.size() - 20; i += 7)
        scrambled[i] ^= 0x5A;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 50; ++i) {
        DecodedImage image;
        EXPECT_EQ(DecodeImage(truncated.data(), truncated.size(), image), D3DXERR_INVALIDDATA);
        EXPECT_EQ(DecodeImage(scrambled.data(), scrambled.size(), image), D3DXERR_INVALIDDATA);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

class DecodeTgaTest : public testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(DecodeTgaTest, PlainAndRunLengthGiveTheSamePixels) {
    const auto [type, bits, topDown] = GetParam();
    // Rows of repeated pixels, so the run-length form has runs as well as raw packets.
    const Pattern pattern = [](int x, int y) { return Gradient(x / 3, y); };
    const DecodedImage image = Decode(MakeTga(7, 5, type, bits, pattern, topDown));
    EXPECT_EQ(image.Width(), 7u);
    const Rgba p = pattern(4, 1);
    switch (type & 7) {
    case 1:
        EXPECT_EQ(image.format, D3DFMT_P8);
        EXPECT_EQ(Pixel8(image, 4, 1), p.r);
        EXPECT_EQ(image.palette[p.r].peGreen, 255 - p.r);
        break;
    case 3:
        EXPECT_EQ(image.format, D3DFMT_L8);
        EXPECT_EQ(Pixel8(image, 4, 1), p.r);
        break;
    default:
        if (bits == 32) {
            EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);
            EXPECT_EQ(Pixel32(image, 4, 1), uint32_t(p.a) << 24 | Xrgb(p));
        } else if (bits == 24) {
            EXPECT_EQ(image.format, D3DFMT_R8G8B8);
            const uint8_t* at = image.pixels.data() + image.pitch + 4 * 3;
            EXPECT_EQ(at[0], p.b);
            EXPECT_EQ(at[2], p.r);
        } else {
            EXPECT_EQ(image.format, bits == 16 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5);
            EXPECT_EQ(Pixel16(image, 4, 1) & 0x7FFF,
                      uint16_t((p.r >> 3) << 10 | (p.g >> 3) << 5 | p.b >> 3));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, DecodeTgaTest,
    testing::Values(std::make_tuple(1, 8, false), std::make_tuple(9, 8, true),
                    std::make_tuple(2, 15, false), std::make_tuple(10, 16, false),
                    std::make_tuple(2, 24, true), std::make_tuple(10, 24, false),
                    std::make_tuple(2, 32, false), std::make_tuple(10, 32, true),
                    std::make_tuple(3, 8, false), std::make_tuple(11, 8, false)));

TEST(DecodeTga, RefusesBadTypesAndShortData) {
    DecodedImage image;
    Bytes tga = MakeTga(4, 4, 2, 24, Gradient);
    tga[2] = 4; // no such image type
    EXPECT_FALSE(DecodeTga(tga.data(), tga.size(), image));
    tga = MakeTga(4, 4, 10, 24, Gradient);
    tga.resize(tga.size() - 2);
    EXPECT_FALSE(DecodeTga(tga.data(), tga.size(), image));
    tga = MakeTga(4, 4, 2, 24, Gradient);
    tga[12] = tga[13] = 0; // zero width
    EXPECT_FALSE(DecodeTga(tga.data(), tga.size(), image));
}

TEST(DecodeBitmap, FileAndBareDibInEachDepth) {
    for (int bits : {8, 16, 24, 32})
        for (bool fileHeader : {true, false}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, file header " << fileHeader);
            const DecodedImage image = Decode(MakeBitmap(5, 3, bits, Gradient, fileHeader));
            EXPECT_EQ(image.Width(), 5u);
            EXPECT_EQ(image.Height(), 3u);
            const Rgba p = Gradient(4, 0); // the top row, stored last
            switch (bits) {
            case 8:
                EXPECT_EQ(image.format, D3DFMT_P8);
                EXPECT_EQ(Pixel8(image, 4, 0), p.r);
                EXPECT_EQ(image.palette[p.r].peGreen, p.r);
                EXPECT_EQ(image.palette[p.r].peFlags, 255);
                break;
            case 16:
                EXPECT_EQ(image.format, D3DFMT_X1R5G5B5);
                EXPECT_EQ(Pixel16(image, 4, 0),
                          uint16_t((p.r >> 3) << 10 | (p.g >> 3) << 5 | p.b >> 3));
                break;
            case 24:
                EXPECT_EQ(image.format, D3DFMT_R8G8B8);
                break;
            default:
                EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
                EXPECT_EQ(Pixel32(image, 4, 0), Xrgb(p));
            }
        }
}

TEST(DecodeBitmap, ABmpWhoseSizeFieldExceedsTheDataFallsThrough) {
    Bytes bmp = MakeBitmap(4, 4, 24, Gradient);
    const uint32_t tooLarge = uint32_t(bmp.size() + 1);
    std::memcpy(&bmp[2], &tooLarge, 4);
    DecodedImage image;
    EXPECT_FALSE(DecodeBmp(bmp.data(), bmp.size(), image));
    // Nothing else recognises it either ("BM" is no DIB header size).
    EXPECT_EQ(DecodeImage(bmp.data(), bmp.size(), image), D3DXERR_INVALIDDATA);
    // Stripped of its file header the same bitmap is a valid DIB.
    const Bytes dib(bmp.begin() + 14, bmp.end());
    EXPECT_EQ(DecodeImage(dib.data(), dib.size(), image), D3D_OK);
    EXPECT_EQ(image.format, D3DFMT_R8G8B8);
}

TEST(DecodeBitmap, RefusesCompressionPlanesAndShortRows) {
    DecodedImage image;
    Bytes dib = MakeBitmap(4, 4, 24, Gradient, false);
    dib[16] = 1; // run-length compression
    EXPECT_FALSE(DecodeDib(dib.data(), dib.size(), image));
    dib = MakeBitmap(4, 4, 24, Gradient, false);
    dib[12] = 2; // two planes
    EXPECT_FALSE(DecodeDib(dib.data(), dib.size(), image));
    dib = MakeBitmap(4, 4, 24, Gradient, false);
    dib.resize(dib.size() - 1);
    EXPECT_FALSE(DecodeDib(dib.data(), dib.size(), image));
}

TEST(DecodePpm, BinaryAndTextGiveX8R8G8B8) {
    for (bool binary : {true, false}) {
        const DecodedImage image = Decode(MakePpm(6, 4, binary, Gradient));
        EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
        EXPECT_EQ(Pixel32(image, 5, 3), Xrgb(Gradient(5, 3)));
    }
    DecodedImage image;
    const std::string bad = "P6\n4 4\n255";
    EXPECT_FALSE(DecodePpm(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), image));
    const std::string over = "P3 1 1 255 256 0 0";
    EXPECT_FALSE(DecodePpm(reinterpret_cast<const uint8_t*>(over.data()), over.size(), image));
}

TEST(DecodeDds, UncompressedWithMipLevelsAndCubeFaces) {
    const DecodedImage image = Decode(MakeDdsArgb(8, 4, 3, Gradient));
    EXPECT_EQ(image.format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(image.ChainLength(), 3u);
    const DecodedImage& last = *image.next->next;
    EXPECT_EQ(last.Width(), 2u);
    EXPECT_EQ(last.Height(), 1u);
    const Rgba p = Gradient(1, 2); // level 2 is filled from the pattern offset by its level
    EXPECT_EQ(Pixel32(last, 1, 0), uint32_t(p.a) << 24 | Xrgb(p));

    const DecodedImage cube = Decode(MakeDdsArgb(4, 4, 1, Gradient, true));
    EXPECT_EQ(cube.ChainLength(), 6u);

    Bytes partial = MakeDdsArgb(4, 4, 1, Gradient, true);
    partial[4 + 108 + 1] = 0x3E; // five faces only
    DecodedImage image2;
    EXPECT_FALSE(DecodeDds(partial.data(), partial.size(), image2));
    Bytes shortData = MakeDdsArgb(8, 8, 4, Gradient);
    shortData.resize(shortData.size() - 4);
    EXPECT_FALSE(DecodeDds(shortData.data(), shortData.size(), image2));
}

TEST(DecodeDds, Dxt1KeepsItsBlocks) {
    const DecodedImage image = Decode(MakeDdsDxt1(8, 8, 0xF800, 0x001F, 1));
    EXPECT_EQ(image.format, D3DFMT_DXT1);
    EXPECT_EQ(image.pitch, 16u); // two blocks of 8 bytes per block row
    EXPECT_EQ(image.pixels.size(), 32u);
}

TEST(DecodeImage, HugeClaimsAreRefusedWithoutAllocating) {
    DecodedImage image;
    // A TGA claiming 65535 x 65535 pixels.
    Bytes tga = MakeTga(2, 2, 2, 24, Gradient);
    tga[12] = tga[13] = tga[14] = tga[15] = 0xFF;
    EXPECT_EQ(DecodeImage(tga.data(), tga.size(), image), D3DXERR_INVALIDDATA);
    // A text PPM whose header promises far more samples than the file holds.
    const std::string ppm = "P3 4000 4000 255 1 2 3";
    EXPECT_EQ(DecodeImage(reinterpret_cast<const uint8_t*>(ppm.data()), ppm.size(), image),
              D3DXERR_INVALIDDATA);
    EXPECT_TRUE(image.pixels.capacity() == 0);
    EXPECT_EQ(DecodeImage(nullptr, 0, image), D3DXERR_INVALIDDATA);
}

} // namespace
