// 8-bit YUV 4:4:4 to RGB, a row at a time, with the BT.601 matrix swscale uses by default. The
// clips come from the decoder in that form, for which swscale has no fast path: its general
// one took half of each frame's decoding time.
#pragma once

#include <cstdint>

// `width` pixels from the planes' rows into B, G, R bytes. `fullRange`: Y, U and V use all of
// 0..255 (JPEG's range); otherwise Y 16..235 and U, V 16..240.
void Yuv444RowToBgr(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, bool fullRange,
                    uint8_t* bgr);
// The same into 0xFFRRGGBB words.
void Yuv444RowToArgb(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width,
                     bool fullRange, uint32_t* argb);
