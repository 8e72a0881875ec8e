// Baseline JPEG through libjpeg.
#pragma once

#include "tools/imaging/image.h"

#include <cstdint>
#include <string>
#include <vector>

// `width` x `height` samples of `components` bytes each, top row first: 1 grey, 3 RGB or 4
// CMYK. The JPEG file's bytes.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const uint8_t* samples,
                                int quality);

bool WriteJpeg(const std::string& path, const Image& image, int quality = 92);
