#pragma once

#include <cstdint>

// Turns one row of packed blue, green, red bytes into opaque 0xFFRRGGBB pixels: the clip copy
// every scene does once a frame.
void CopyOpaqueRow(const uint8_t* source, uint32_t* destination, uint32_t columns);
