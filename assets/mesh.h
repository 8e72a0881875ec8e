// Triangle geometry in plain heap arrays: loaded from a mesh file or built as a wavy tube or a
// subdivided cube. Scenes read it each frame to write their deformed copies into the shared
// buffers; the mesh itself never changes and never touches the device.
#pragma once

#include <cstdint>

class Mesh {
public:
    // Reads a mesh file (magic "EMV", a vertex count and x, y, z float records, a triangle count
    // and three 32-bit indices per triangle, little-endian), scaling the positions. 0, or -1
    // with nothing left allocated: for a missing file, wrong magic, a file that ends early,
    // negative counts, counts larger than the file holds, or an index (its low 16 bits, the
    // part kept) at or past the vertex count.
    int32_t Load(const char* path, float scale);

    // rings x segments vertices on a tube of the given radius from -halfHeight to +halfHeight,
    // its cross-section waved in three lobes; with texture coordinates. rings, segments >= 2.
    void CreateTube(int32_t rings, int32_t segments, float radius, float halfHeight);

    // A cube of edge `size` centred on the origin, each face a divisions x divisions grid.
    // divisions >= 2.
    void CreateBox(int32_t divisions, float size);

    // Frees the arrays; once per successful Load or Create.
    void Release();

    int32_t vertexCount = 0;
    int32_t triangleCount = 0;
    // vertexCount x (x, y, z).
    float* positions = nullptr;
    // triangleCount x 3.
    uint16_t* indices = nullptr;
    // vertexCount x (u, v), or null: only the tube has them.
    float* texCoords = nullptr;
};
