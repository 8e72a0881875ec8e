// DrawGeometry's lighting, texture-coordinate generation, culling and state restoring, read
// back from the presented frame.
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/shared_buffers.h"
#include "platform/d3d8/device_queries.h"
#include "platform/testing/test_controls.h"
#include "tests/support/draw_test.h"

#include <cmath>
#include <string>

namespace {

constexpr float kPi = 3.14159265f;

class DrawGeometryTest : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        camera.eye = D3DXVECTOR3{0.0f, 0.0f, -4.0f};
    }

    // A unit sphere at the origin with every triangle clockwise seen from outside, so that
    // ComputeNormals points its normals outward. Returns the triangle count.
    int16_t WriteSphere(D3DCOLOR colour, float u = 0.0f, float v = 0.0f) {
        constexpr int kRings = 32, kSegments = 64;
        LockSharedVertices();
        LockSharedIndices();
        int count = 0;
        for (int ring = 0; ring <= kRings; ++ring)
            for (int segment = 0; segment <= kSegments; ++segment) {
                const float theta = kPi * float(ring) / kRings;
                const float phi = 2.0f * kPi * float(segment) / kSegments;
                SharedVertices[count++] = Vertex{std::sin(theta) * std::cos(phi),
                                                 std::cos(theta),
                                                 std::sin(theta) * std::sin(phi),
                                                 0,
                                                 0,
                                                 0,
                                                 colour,
                                                 u,
                                                 v};
            }
        int triangles = 0;
        const auto add = [&](int a, int b, int c) {
            const Vertex &p = SharedVertices[a], &q = SharedVertices[b], &r = SharedVertices[c];
            // The normal rule gives (p - q) x (q - r); it must point away from the centre.
            const float ax = p.x - q.x, ay = p.y - q.y, az = p.z - q.z;
            const float bx = q.x - r.x, by = q.y - r.y, bz = q.z - r.z;
            const float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
            if (nx * (p.x + q.x + r.x) + ny * (p.y + q.y + r.y) + nz * (p.z + q.z + r.z) < 0)
                std::swap(b, c);
            uint16_t* out = SharedIndices + 3 * triangles++;
            out[0] = uint16_t(a), out[1] = uint16_t(b), out[2] = uint16_t(c);
        };
        for (int ring = 0; ring < kRings; ++ring)
            for (int segment = 0; segment < kSegments; ++segment) {
                const int a = ring * (kSegments + 1) + segment, b = a + kSegments + 1;
                if (ring != 0) add(a, a + 1, b);
                if (ring != kRings - 1) add(a + 1, b + 1, b);
            }
        UnlockSharedIndices();
        UnlockSharedVertices();
        vertexCount = int16_t(count);
        ComputeNormals(count, triangles);
        return int16_t(triangles);
    }

    // The rectangle x, y -1 .. 1 at z = 1, clockwise unless `reversed`.
    void WriteRectangle(bool reversed) {
        LockSharedVertices();
        LockSharedIndices();
        SharedVertices[0] = Vertex{-1, -1, 1, 0, 0, -1, 0xFFFFFFFF, 0, 1};
        SharedVertices[1] = Vertex{1, -1, 1, 0, 0, -1, 0xFFFFFFFF, 1, 1};
        SharedVertices[2] = Vertex{-1, 1, 1, 0, 0, -1, 0xFFFFFFFF, 0, 0};
        SharedVertices[3] = Vertex{1, 1, 1, 0, 0, -1, 0xFFFFFFFF, 1, 0};
        const uint16_t clockwise[6] = {2, 1, 0, 3, 1, 2}, counter[6] = {0, 1, 2, 2, 1, 3};
        for (int i = 0; i < 6; ++i)
            SharedIndices[i] = reversed ? counter[i] : clockwise[i];
        UnlockSharedIndices();
        UnlockSharedVertices();
    }

    Camera camera;
    int16_t vertexCount = 0;
};

TEST_F(DrawGeometryTest, ZeroLightsLeaveTheAmbientTermAlone) {
    WriteRectangle(false);
    drawSettings.lighting = true;
    drawSettings.lightCount = 0;
    drawSettings.ambient = 0xFF404040;
    drawSettings.material.SetDefaults(); // ambient 0.5, emissive 0
    camera.eye.z = -1.42f;
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 4, 2);
    Present();
    // 0.5 x 64 / 255.
    EXPECT_TRUE(Near(At(320, 240), {32, 32, 32}));
}

TEST_F(DrawGeometryTest, SphereFacingAWhiteLightIsBrightestAtItsCentre) {
    const int16_t triangles = WriteSphere(0xFFFFFFFF);
    drawSettings.lighting = true;
    drawSettings.material.SetDefaults();
    drawSettings.material.Ambient = D3DCOLORVALUE{0, 0, 0, 0};
    drawSettings.lightCount = 1;
    drawSettings.lights[0].SetDefaults(); // along +z, away from the camera
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), vertexCount, triangles);
    Present();
    const int centre = At(320, 240).r, middle = At(420, 240).r, edge = At(500, 240).r;
    EXPECT_GE(centre, 250);
    EXPECT_LT(middle, centre);
    EXPECT_LT(edge, middle);
    EXPECT_GT(edge, 0);
    EXPECT_TRUE(Near(At(10, 10), {0, 0, 0}));
    // Lights enabled for the draw are off again.
    BOOL enabled = TRUE;
    DeviceQueries::GetLightEnable(sharedDevice, 0, &enabled);
    EXPECT_EQ(enabled, FALSE);
}

TEST_F(DrawGeometryTest, SpecularHighlightSitsWhereTheHalfVectorPointsAndCanBeSwitchedOff) {
    const int16_t triangles = WriteSphere(0xFF000000); // no diffuse colour at all
    drawSettings.lighting = true;
    drawSettings.material.SetDefaults();
    drawSettings.material.Ambient = D3DCOLORVALUE{0, 0, 0, 0};
    drawSettings.material.SetSpecular(1, 1, 1, 1);
    drawSettings.material.SetPower(30);
    drawSettings.lightCount = 1;
    drawSettings.lights[0].SetDefaults();
    drawSettings.lights[0].SetSpecular(1, 1, 1, 1);
    const float k = 1.0f / std::sqrt(3.0f);
    drawSettings.lights[0].Direction = D3DVECTOR{k, -k, k}; // from the upper left, in front
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), vertexCount, triangles);
    Present();

    // Where N.H peaks, by the rule: H = normalize(L + normalize(eye - P)), local viewer.
    double bestDot = -1, bestX = 0, bestY = 0;
    for (double theta = 0.01; theta < M_PI; theta += 0.005)
        for (double phi = 0; phi < 2 * M_PI; phi += 0.005) {
            const double nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta),
                         nz = std::sin(theta) * std::sin(phi);
            double ex = -nx, ey = -ny, ez = -4 - nz;
            const double el = std::sqrt(ex * ex + ey * ey + ez * ez);
            double hx = -k + ex / el, hy = k + ey / el, hz = -k + ez / el;
            const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
            const double d = (nx * hx + ny * hy + nz * hz) / hl;
            if (d > bestDot) {
                const double t = std::tan(M_PI / 8) * (nz + 4);
                bestDot = d, bestX = (nx / t + 1) * 320, bestY = (1 - ny / t) * 240;
            }
        }
    int brightX = 0, brightY = 0, bright = -1;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (At(x, y).r > bright) bright = At(x, y).r, brightX = x, brightY = y;
    EXPECT_GT(bright, 200);
    EXPECT_NEAR(brightX, bestX, 10);
    EXPECT_NEAR(brightY, bestY, 10);
    EXPECT_LT(brightX, 320);
    EXPECT_LT(brightY, 240);

    sharedDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), vertexCount, triangles);
    sharedDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    Present();
    int brightest = 0;
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 640; x += 2)
            brightest = std::max(brightest, At(x, y).r);
    EXPECT_LE(brightest, 1);
}

TEST_F(DrawGeometryTest, EnvironmentMapShowsTheWholeTextureAsADisc) {
    // The vertices all say (0.9, 0.9), the white quadrant; the map must ignore that.
    const int16_t triangles = WriteSphere(0xFFFFFFFF, 0.9f, 0.9f);
    drawSettings.environmentMap = true;
    const Texture& quadrants = MakeTexture(64, 64, [](int x, int y) {
        return y < 32 ? (x < 32 ? 0xFFFF0000u : 0xFF00FF00u) : (x < 32 ? 0xFF0000FFu : 0xFFFFFFFFu);
    });
    DrawGeometry(camera, Rotation{}, quadrants, vertexCount, triangles);
    Present();
    EXPECT_TRUE(Near(At(240, 180), {255, 0, 0}, 8));
    EXPECT_TRUE(Near(At(400, 180), {0, 255, 0}, 8));
    EXPECT_TRUE(Near(At(240, 300), {0, 0, 255}, 8));
    EXPECT_TRUE(Near(At(400, 300), {255, 255, 255}, 8));
    DWORD index = 1;
    DeviceQueries::GetTextureStageState(sharedDevice, 0, D3DTSS_TEXCOORDINDEX, &index);
    EXPECT_EQ(index, 0u);
}

TEST_F(DrawGeometryTest, CounterClockwiseTrianglesAreCulledUnlessBothSidesAreDrawn) {
    camera.eye.z = -1.42f;
    WriteRectangle(true);
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 4, 2);
    Present();
    EXPECT_TRUE(Near(At(320, 240), {0, 0, 0}));

    WriteRectangle(true);
    drawSettings.cullBackFaces = false;
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 4, 2);
    DWORD cull = 0;
    DeviceQueries::GetRenderState(sharedDevice, D3DRS_CULLMODE, &cull);
    EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
    Present();
    EXPECT_TRUE(Near(At(320, 240), {255, 255, 255}));
}

TEST_F(DrawGeometryTest, RotationYTurnsTheObjectAboutTheVerticalAxis) {
    // A rectangle facing -z, turned a quarter about y, is seen edge on: nothing shows.
    camera.eye.z = -1.42f;
    WriteRectangle(false);
    Rotation quarter;
    quarter.y = kPi / 2;
    drawSettings.cullBackFaces = false;
    DrawGeometry(camera, quarter, SolidTexture(0xFFFFFFFF), 4, 2);
    Present();
    int lit = 0;
    for (int x = 0; x < 640; x += 4)
        lit += At(x, 240).r > 0;
    EXPECT_LE(lit, 2);
}

TEST_F(DrawGeometryTest, FlatShadingTakesTheFirstVertexColour) {
    camera.eye.z = -1.42f;
    WriteRectangle(false);
    LockSharedVertices();
    SharedVertices[0].diffuse = 0xFFFF0000; // bottom left, last of triangle (2, 1, 0)
    SharedVertices[2].diffuse = 0xFF0000FF; // top left, first of triangle (2, 1, 0)
    UnlockSharedVertices();
    drawSettings.flatShading = true;
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 4, 2);
    Present();
    EXPECT_TRUE(Near(At(100, 400), {0, 0, 255}));
}

TEST_F(DrawGeometryTest, EverySettingIsUndoneAfterTheDraw) {
    const int16_t triangles = WriteSphere(0xFFFFFFFF);
    drawSettings.environmentMap = true;
    drawSettings.cullBackFaces = false;
    drawSettings.blend = true;
    drawSettings.multiplyBlend = true;
    drawSettings.lighting = true;
    drawSettings.lightCount = 3;
    drawSettings.flatShading = true;
    drawSettings.ambient = 0xFF101010;
    DrawGeometry(camera, Rotation{0.1f, 0.2f, 0.3f}, SolidTexture(0xFF808080), vertexCount,
                 triangles);
    ExpectBaseline();
    drawSettings.multiplyBlend = false;
    Present();
}

TEST_F(DrawGeometryTest, TooManyLightsAreHeldToEight) {
    camera.eye.z = -1.42f;
    WriteRectangle(false);
    drawSettings.lighting = true;
    drawSettings.lightCount = 12;
    for (Light& light : drawSettings.lights)
        light.SetDefaults();
    host::test::StartTrace();
    DrawGeometry(camera, Rotation{}, SolidTexture(0xFFFFFFFF), 4, 2);
    // The device was never asked for a light past its eighth.
    for (const std::string& call : host::test::Trace())
        EXPECT_EQ(call.find("refused"), std::string::npos) << call;
    for (DWORD i = 0; i < 8; ++i) {
        BOOL enabled = TRUE;
        DeviceQueries::GetLightEnable(sharedDevice, i, &enabled);
        EXPECT_EQ(enabled, FALSE);
    }
    Present();
}

} // namespace
