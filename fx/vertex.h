// The one vertex layout of every draw (format 0x152): scenes and the draw routines write these
// 36 bytes straight into the shared vertex buffer.
#pragma once

#include "platform/d3d8/d3d8_types.h"

struct Vertex {
    float x, y, z;
    float nx, ny, nz;
    D3DCOLOR diffuse;
    float u, v;
};

static_assert(sizeof(Vertex) == 36, "the shared vertex layout");
