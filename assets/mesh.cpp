#include "assets/mesh.h"
#include "assets/file.h"
#include "platform/files/load_failure.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr char kMagic[3] = {'E', 'M', 'V'};
// The tube's full turn, as the mesh has always used it (not quite 2 pi).
constexpr double kTurn = 6.28318;

int32_t ReadInt32(File& file, int32_t& value) {
    uint8_t bytes[4];
    if (file.Read(bytes, 4) != 0) return -1;
    value = int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                    uint32_t(bytes[3]) << 24);
    return 0;
}

float FloatAt(const uint8_t* p) {
    const uint32_t bits =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

int32_t Mesh::Load(const char* path, float scale) {
    // Each refusal says why, for the user who supplied the file.
    const auto refuse = [path](const std::string& reason) {
        NoteLoadFailure(path, reason);
        return -1;
    };
    File file;
    if (file.Open(path) != 0) {
        const std::string unreadable = WhyUnreadable(path);
        return refuse(unreadable.empty() ? "unreadable" : unreadable);
    }
    char magic[3];
    if (file.Read(magic, 3) != 0 || std::memcmp(magic, kMagic, 3) != 0)
        return refuse("not a mesh file (it does not begin with \"EMV\")");
    int32_t vertices = 0;
    if (ReadInt32(file, vertices) != 0) return refuse("ends before its vertex count");
    // Each vertex takes 12 bytes, and the triangle count 4 more: a count the file cannot hold
    // is refused before anything is allocated for it.
    if (vertices < 0 || uint64_t(vertices) * 12 + 4 > file.Remaining())
        return refuse("claims " + std::to_string(vertices) + " vertices, more than it holds");

    std::unique_ptr<float[]> loadedPositions(new (std::nothrow) float[size_t(vertices) * 3 + 1]);
    std::unique_ptr<uint8_t[]> records(new (std::nothrow) uint8_t[size_t(vertices) * 12 + 12]);
    if (!loadedPositions || !records) return refuse("out of memory");
    if (file.Read(records.get(), uint32_t(vertices) * 12) != 0) return refuse("unreadable");
    for (int32_t i = 0; i < 3 * vertices; ++i)
        loadedPositions[size_t(i)] = FloatAt(&records[size_t(i) * 4]) * scale;

    int32_t triangles = 0;
    if (ReadInt32(file, triangles) != 0) return refuse("ends before its triangle count");
    if (triangles < 0 || uint64_t(triangles) * 12 > file.Remaining())
        return refuse("claims " + std::to_string(triangles) + " triangles, more than it holds");
    std::unique_ptr<uint16_t[]> loadedIndices(new (std::nothrow)
                                                  uint16_t[size_t(triangles) * 3 + 1]);
    records.reset(new (std::nothrow) uint8_t[size_t(triangles) * 12 + 12]);
    if (!loadedIndices || !records) return refuse("out of memory");
    if (file.Read(records.get(), uint32_t(triangles) * 12) != 0) return refuse("unreadable");
    for (int32_t i = 0; i < 3 * triangles; ++i) {
        // Only the low 16 bits of each index are kept; they must name a vertex.
        const uint16_t index = uint16_t(records[size_t(i) * 4] | records[size_t(i) * 4 + 1] << 8);
        if (index >= vertices)
            return refuse("triangle " + std::to_string(i / 3) + " names vertex " +
                          std::to_string(index) + " of " + std::to_string(vertices));
        loadedIndices[size_t(i)] = index;
    }

    vertexCount = vertices;
    triangleCount = triangles;
    positions = loadedPositions.release();
    indices = loadedIndices.release();
    texCoords = nullptr;
    return 0;
}

void Mesh::CreateTube(int32_t rings, int32_t segments, float radius, float halfHeight) {
    vertexCount = rings * segments;
    triangleCount = (2 * segments - 2) * (rings - 1);
    positions = new float[size_t(vertexCount) * 3];
    texCoords = new float[size_t(vertexCount) * 2];
    indices = new uint16_t[size_t(triangleCount) * 3];

    const float middle = float(rings - 1) * 0.5f;
    for (int32_t j = 0; j < rings; ++j)
        for (int32_t l = 0; l < segments; ++l) {
            const int32_t i = j * segments + l;
            const float y = halfHeight * (float(j) - middle) / middle;
            // The angle and the wave are formed from the decimals as written and rounded once.
            const float theta = float(l * kTurn / (segments - 1));
            const float wave = float(std::sin(3 * l * kTurn / (segments - 1)));
            const float g = float(std::fabs(1.0 + 0.3 * wave));
            positions[3 * i] = radius * g * float(std::sin(double(theta)));
            positions[3 * i + 1] = y;
            positions[3 * i + 2] = radius * g * float(std::cos(double(theta)));
            texCoords[2 * i] = float(j) / float(rings);
            texCoords[2 * i + 1] = float(l) / float(segments);
        }

    int32_t k = 0;
    for (int32_t j = 0; j + 1 < rings; ++j)
        for (int32_t e = 0; e + 1 < segments; ++e) {
            const int32_t c = j * segments, n = (j + 1) * segments;
            const int32_t triangles[6] = {n + e, c + e + 1, c + e, n + e, n + e + 1, c + e + 1};
            for (int32_t index : triangles)
                indices[k++] = uint16_t(index);
        }
}

void Mesh::CreateBox(int32_t divisions, float size) {
    const int32_t n = divisions, perFace = n * n;
    vertexCount = 6 * perFace;
    triangleCount = (12 * n - 12) * (n - 1);
    positions = new float[size_t(vertexCount) * 3];
    indices = new uint16_t[size_t(triangleCount) * 3];
    texCoords = nullptr;

    const float h = size * 0.5f, step = size / float(n - 1);
    for (int32_t face = 0; face < 6; ++face)
        for (int32_t a = 0; a < n; ++a)
            for (int32_t i = 0; i < n; ++i) {
                const float p = -h + float(a) * step, q = -h + float(i) * step;
                const float corners[6][3] = {{q, p, -h},  {-q, p, h}, {q, h, p},
                                             {-q, -h, p}, {h, p, q},  {-h, -p, q}};
                float* out = positions + 3 * (face * perFace + a * n + i);
                for (int32_t c = 0; c < 3; ++c)
                    out[c] = corners[face][c];
            }

    int32_t k = 0;
    for (int32_t face = 0; face < 6; ++face)
        for (int32_t a = 0; a + 1 < n; ++a)
            for (int32_t i = 0; i + 1 < n; ++i) {
                const int32_t r0 = face * perFace + a * n, r1 = r0 + n;
                const int32_t triangles[6] = {r0 + i, r1 + i,     r0 + i + 1,
                                              r1 + i, r1 + i + 1, r0 + i + 1};
                for (int32_t index : triangles)
                    indices[k++] = uint16_t(index);
            }
}

void Mesh::Release() {
    delete[] positions;
    delete[] indices;
    delete[] texCoords;
}
