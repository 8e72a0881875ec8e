// Full-screen pictures: a rectangle facing a camera on the z axis, placed so that it fills the
// view, drawn without writing depth. Each call overwrites vertices 0 to 3 and indices 0 to 5 of
// the shared buffers and leaves the draw settings reset, `blend` excepted.
#pragma once

#include "gfx/texture.h"

#include <cstdint>

// The whole window. `color` multiplies the texture; u runs 0 .. uMax left to right and
// v 0 .. vMax top to bottom.
void DrawScreenQuad(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax);

// A band across the middle: about 98.5 % of the width and 49 % of the height.
void DrawWideQuad(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax);

// Seven copies, the camera moving back by `step` before each; with `sway` each further copy
// turns a little more with the tick count.
void DrawQuadTunnel(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax,
                    float step, bool sway);
