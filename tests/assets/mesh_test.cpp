// Mesh files the tests write, and the procedural builders.
#include "assets/mesh.h"
#include "tests/support/mesh_files.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class MeshLoadTest : public testing::Test {
protected:
    int32_t Load(const std::vector<uint8_t>& bytes, float scale = 1.0f) {
        folder.Write("Data/test.msh", bytes);
        return mesh.Load("data/TEST.msh", scale);
    }
    TestFolder folder;
    Mesh mesh;
};

TEST_F(MeshLoadTest, TheElevenByteEmptyMeshLoads) {
    const MeshFile file = MeshFile().Int(0).Int(0);
    ASSERT_EQ(file.bytes.size(), 11u);
    ASSERT_EQ(Load(file.bytes), 0);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.triangleCount, 0);
    EXPECT_EQ(mesh.texCoords, nullptr);
    mesh.Release();
}

TEST_F(MeshLoadTest, ScaledPositionsAndLow16BitIndices) {
    MeshFile file;
    file.Int(3)
        .Vertex(40, -80, 120)
        .Vertex(1, 2, 3)
        .Vertex(0, 0, 0)
        .Int(1)
        .Triangle(0x00010002, 0, 1);
    file.bytes.push_back(0x99); // trailing bytes are ignored
    ASSERT_EQ(Load(file.bytes, 0.025f), 0);
    EXPECT_EQ(mesh.positions[0], 40 * 0.025f);
    EXPECT_EQ(mesh.positions[1], -80 * 0.025f);
    EXPECT_EQ(mesh.positions[2], 120 * 0.025f);
    EXPECT_EQ(mesh.indices[0], 2);
    EXPECT_EQ(mesh.indices[1], 0);
    EXPECT_EQ(mesh.indices[2], 1);
    mesh.Release();
}

TEST_F(MeshLoadTest, RefusesWhatItCannotTrust) {
    MeshFile good;
    good.Int(3).Vertex(0, 0, 0).Vertex(1, 0, 0).Vertex(0, 1, 0).Int(1).Triangle(0, 1, 2);
    std::vector<uint8_t> shortTriangle = good.bytes;
    shortTriangle.pop_back(); // the last record is 11 bytes
    EXPECT_EQ(Load(shortTriangle), -1);

    std::vector<uint8_t> magic = good.bytes;
    magic[2] = 'X';
    EXPECT_EQ(Load(magic), -1);

    EXPECT_EQ(Load(MeshFile().Int(-1).Int(0).bytes), -1);
    EXPECT_EQ(Load(MeshFile().Int(0).Int(-5).bytes), -1);
    // Counts far beyond what the file holds are refused before anything is allocated.
    EXPECT_EQ(Load(MeshFile().Int(0x7FFFFFFF).Int(0).bytes), -1);
    EXPECT_EQ(Load(MeshFile().Int(0).Int(0x20000000).bytes), -1);

    MeshFile outside;
    outside.Int(3).Vertex(0, 0, 0).Vertex(1, 0, 0).Vertex(0, 1, 0).Int(1).Triangle(0, 1, 3);
    EXPECT_EQ(Load(outside.bytes), -1);

    EXPECT_EQ(mesh.Load("Data/missing.msh", 1.0f), -1);
    EXPECT_EQ(Load({}), -1);
    // Nothing was built by any of these.
    EXPECT_EQ(mesh.positions, nullptr);
}

TEST(MeshTube, FiftyByFifty) {
    Mesh tube;
    tube.CreateTube(50, 50, 1.0f, 5.2f);
    EXPECT_EQ(tube.vertexCount, 2500);
    EXPECT_EQ(tube.triangleCount, 4802);
    EXPECT_EQ(tube.positions[0], 0.0f);
    EXPECT_EQ(tube.positions[1], -5.2f);
    EXPECT_EQ(tube.positions[2], 1.0f);
    EXPECT_EQ(tube.texCoords[0], 0.0f);
    EXPECT_EQ(tube.texCoords[1], 0.0f);
    // Vertex 49 closes the ring at 6.28318, not at 2 pi: x = sin(6.28318) x g, the angle and
    // the wave of 3 x 6.28318 formed from the decimals as written and rounded once.
    const float g = float(std::fabs(1.0 + 0.3 * double(float(std::sin(3 * 6.28318)))));
    EXPECT_EQ(tube.positions[3 * 49], g * float(std::sin(double(float(6.28318)))));
    EXPECT_NE(tube.positions[3 * 49], 0.0f);
    EXPECT_EQ(tube.positions[3 * 49 + 2], g * float(std::cos(double(float(6.28318)))));
    // Vertex 7: the wave at 21 x 6.28318 / 49, not 6.28318 rounded to a float first.
    const double angle7 = 7 * 6.28318 / 49;
    const float g7 = float(std::fabs(1.0 + 0.3 * double(float(std::sin(3 * angle7)))));
    EXPECT_EQ(tube.positions[3 * 7], g7 * float(std::sin(double(float(angle7)))));
    // The last ring at +5.2; texture coordinates over R and S, not R - 1 and S - 1.
    EXPECT_FLOAT_EQ(tube.positions[3 * 2499 + 1], 5.2f);
    EXPECT_EQ(tube.texCoords[2 * 2499], 49.0f / 50.0f);
    EXPECT_EQ(tube.texCoords[2 * 2499 + 1], 49.0f / 50.0f);
    // The first two triangles of the first band.
    const uint16_t first[6] = {50, 1, 0, 50, 51, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tube.indices[i], first[i]);
    for (int i = 0; i < 3 * tube.triangleCount; ++i)
        ASSERT_LT(tube.indices[i], 2500);
    tube.Release();
}

TEST(MeshBox, UnitCubeCornersAndWinding) {
    Mesh box;
    box.CreateBox(2, 1.0f);
    EXPECT_EQ(box.vertexCount, 24);
    EXPECT_EQ(box.triangleCount, 12);
    EXPECT_EQ(box.texCoords, nullptr);
    for (int i = 0; i < 3 * 24; ++i)
        EXPECT_EQ(std::fabs(box.positions[i]), 0.5f);
    // Face 0 at z = -0.5: vertex 0 at (-0.5, -0.5, -0.5), vertex 1 at (0.5, -0.5, -0.5).
    EXPECT_EQ(box.positions[2], -0.5f);
    EXPECT_EQ(box.positions[3], 0.5f);
    EXPECT_EQ(box.indices[0], 0);
    EXPECT_EQ(box.indices[1], 2);
    EXPECT_EQ(box.indices[2], 1);
    // Face 5 mirrors y: its first vertex is at (-0.5, 0.5, -0.5).
    EXPECT_EQ(box.positions[3 * 20 + 0], -0.5f);
    EXPECT_EQ(box.positions[3 * 20 + 1], 0.5f);
    box.Release();

    box.CreateBox(24, 1.5f);
    EXPECT_EQ(box.vertexCount, 3456);
    EXPECT_EQ(box.triangleCount, 6348);
    for (int i = 0; i < 3 * box.triangleCount; ++i)
        ASSERT_LT(box.indices[i], 3456);
    for (int i = 0; i < 3 * box.vertexCount; ++i)
        ASSERT_LE(std::fabs(box.positions[i]), 0.75f);
    box.Release();
}

} // namespace
