#include "fx/compute_normals.h"
#include "fx/shared_buffers.h"
#include "tests/support/device_test.h"

#include <array>
#include <cmath>

namespace {

class ComputeNormalsTest : public DeviceTest {
protected:
    // Writes the positions and triangles, computes the normals, and reads them back.
    std::vector<Vertex> Run(const std::vector<std::array<float, 3>>& positions,
                            const std::vector<uint16_t>& indices, int triangles = -1) {
        LockSharedVertices();
        LockSharedIndices();
        for (size_t i = 0; i < positions.size(); ++i) {
            SharedVertices[i] = Vertex{positions[i][0],
                                       positions[i][1],
                                       positions[i][2],
                                       9.0f,
                                       9.0f,
                                       9.0f,
                                       0xFF00FF00u,
                                       0.25f,
                                       0.75f};
        }
        for (size_t i = 0; i < indices.size(); ++i)
            SharedIndices[i] = indices[i];
        UnlockSharedIndices();
        UnlockSharedVertices();
        ComputeNormals(int32_t(positions.size()),
                       triangles >= 0 ? triangles : int32_t(indices.size() / 3));
        LockSharedVertices();
        std::vector<Vertex> result(SharedVertices, SharedVertices + positions.size());
        UnlockSharedVertices();
        return result;
    }
};

void ExpectNormal(const Vertex& v, float x, float y, float z) {
    EXPECT_NEAR(v.nx, x, 1e-6);
    EXPECT_NEAR(v.ny, y, 1e-6);
    EXPECT_NEAR(v.nz, z, 1e-6);
}

TEST_F(ComputeNormalsTest, SingleTriangleAndAnUnusedVertex) {
    const auto v = Run({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {0, 1, 2});
    for (int i = 0; i < 3; ++i)
        ExpectNormal(v[size_t(i)], 0, 0, 1);
    ExpectNormal(v[3], 0, 0, 0);
    // Nothing else of the vertices changes.
    EXPECT_EQ(v[1].x, 1.0f);
    EXPECT_EQ(v[2].diffuse, 0xFF00FF00u);
    EXPECT_EQ(v[2].v, 0.75f);
}

TEST_F(ComputeNormalsTest, RightAngleGivesTheBisectorWhateverTheSizes) {
    // A unit triangle facing +z and one three times larger facing +y share the edge 0-1.
    const auto v = Run({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 3}}, {0, 1, 2, 1, 0, 3});
    const float half = std::sqrt(0.5f);
    ExpectNormal(v[0], 0, half, half);
    ExpectNormal(v[1], 0, half, half);
    ExpectNormal(v[2], 0, 0, 1);
    ExpectNormal(v[3], 0, 1, 0);
}

TEST_F(ComputeNormalsTest, DegenerateTrianglesAddNothing) {
    // A repeated index, and three points on a line.
    const auto v =
        Run({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}}, {0, 1, 2, 0, 0, 1, 1, 3, 4});
    ExpectNormal(v[0], 0, 0, 1);
    ExpectNormal(v[1], 0, 0, 1);
    ExpectNormal(v[3], 0, 0, 0);
    ExpectNormal(v[4], 0, 0, 0);
}

TEST_F(ComputeNormalsTest, TrianglesReachingPastTheVerticesAreSkipped) {
    const auto v = Run({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 1, 40000});
    ExpectNormal(v[0], 0, 0, 1);
    // Counts beyond the buffers are held to them, not trusted.
    ComputeNormals(100000, 100000);
    ComputeNormals(-5, -5);
}

} // namespace
