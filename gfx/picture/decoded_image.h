// A picture file decoded into memory: the input of the texture loader.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// No decoder accepts a picture larger than this in either direction or in pixels (4096 x 4096,
// 64 MiB at 32 bits): the device's textures are at most 4096 wide, and untrusted headers must
// not make us allocate gigabytes.
constexpr uint32_t kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 24;
// No picture file is read that is larger than the largest picture the decoders accept could
// be: the most pixels at 32 bits (64 MiB), its mip levels (a third more), headers and palette.
// A larger one is refused by its size, before it is read or held.
constexpr uint64_t kMaxPictureFileBytes = uint64_t(96) << 20;

constexpr HRESULT D3DXERR_INVALIDDATA = HRESULT(0x88760B59u);

struct DecodedImage {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    // Rows top to bottom, `pitch` bytes apart (rows of 4 x 4 blocks for the DXT formats).
    std::vector<uint8_t> pixels;
    uint32_t pitch = 0;
    RECT rect{0, 0, 0, 0};
    // 256 entries, for the palette formats only.
    std::vector<PALETTEENTRY> palette;
    // Further images of the same file: mip levels, then cube faces, in file order.
    std::unique_ptr<DecodedImage> next;

    uint32_t Width() const { return uint32_t(rect.right - rect.left); }
    uint32_t Height() const { return uint32_t(rect.bottom - rect.top); }
    // 1 plus the images reached through `next`.
    uint32_t ChainLength() const;
};

// Within the limits above.
bool AcceptableSize(uint64_t width, uint64_t height);

// Recognises the block and decodes it, trying BMP, PPM, DDS, JPEG, PNG, TGA and DIB in that
// order; the first that succeeds fills `image`. D3DXERR_INVALIDDATA when none does.
HRESULT DecodeImage(const uint8_t* data, size_t size, DecodedImage& image);

// Whether the last DecodeImage on this thread that failed met a picture beyond the limits.
bool DecodeRefusedForSize();

// The seven loaders: each fills `image` and returns true, or returns false having left it
// for the cascade to clear.
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodePpm(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeTga(const uint8_t* data, size_t size, DecodedImage& image);
bool DecodeDib(const uint8_t* data, size_t size, DecodedImage& image);
