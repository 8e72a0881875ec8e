// A D3DCOLOR (0xAARRGGBB) as the four 0..1 channels OpenGL takes.
#pragma once

#include "platform/d3d8/d3d8_types.h"

struct ColourChannels {
    float r, g, b, a;
};

inline ColourChannels UnpackColour(D3DCOLOR colour) {
    return ColourChannels{float(colour >> 16 & 0xFF) / 255.0f, float(colour >> 8 & 0xFF) / 255.0f,
                          float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f};
}
