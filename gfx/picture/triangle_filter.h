// Triangle resampling: every source pixel spreads a tent of half-width one source pixel over
// the destination, each destination pixel taking the tent's integral over its extent.
#pragma once

#include "gfx/picture/pixel_codec.h"

#include <vector>

struct TentWeight {
    int destination;
    float weight;
};

// For each of `sourceSize` pixels, the destination pixels its tent reaches and with what
// weight (weights of 0.00001 or less dropped). Tents beyond an edge wrap to the opposite edge,
// or with `mirror` are cut there, the outer half of the edge pixels counting as flat.
std::vector<std::vector<TentWeight>> TentWeights(int sourceSize, int destinationSize, bool mirror);

// Resamples `source` (sourceWidth x sourceHeight from sourceX, sourceY) into the destination
// rows, row y of the destination at destination + y x destinationPitch.
void TriangleResample(const PixelSource& source, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, D3DFORMAT destinationFormat, uint8_t* destination,
                      int destinationPitch, int destinationWidth, int destinationHeight,
                      bool mirrorU, bool mirrorV, bool dither);
