// Smooth vertex normals for the geometry in the shared buffers.
#pragma once

#include <cstdint>

// Gives each of vertices 0 .. vertexCount - 1 the normalised sum of the unit normals of the
// triangles (0 .. triangleCount - 1) that use it, one per use, whatever their areas; a vertex
// no triangle uses gets (0, 0, 0). Both buffers must be unlocked, and are left unlocked.
// Counts are held to the buffers' capacities, and a triangle with an index at or beyond
// vertexCount is skipped.
void ComputeNormals(int32_t vertexCount, int32_t triangleCount);
