// The one geometry draw: the triangles a scene has written into the shared buffers, through a
// camera, turned about the origin, with the shared draw settings; every render state it
// changes goes back to the baseline afterwards, and no texture stays bound.
#pragma once

#include "fx/camera.h"
#include "gfx/texture.h"

#include <cstdint>

// Draws vertices 0 .. vertexCount - 1 and triangles 0 .. triangleCount - 1 (the buffers must be
// unlocked). The projection has aspect 1, not the window's 4:3: pictures stretch to its width.
void DrawGeometry(const Camera& camera, const Rotation& rotation, const Texture& texture,
                  int16_t vertexCount, int16_t triangleCount);
