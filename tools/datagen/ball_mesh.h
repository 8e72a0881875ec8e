// The ball of the second scene: a closed, evenly tessellated sphere in the mesh file format.
#pragma once

#include <string>

// An icosahedron subdivided four times (2562 vertices, 5120 triangles) of radius 120, so that
// the scene's scale of 0.025 makes it 3 units. Every triangle winds clockwise seen from outside:
// its normal by the toolkit's rule points out, and back-face culling keeps the near side.
bool WriteBallMesh(const std::string& path);
