#include "scenes/photo_scene.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "scenes/lighting.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kSwayFrom = 127.6f;
// Each of the seven layers adds 0x23 / 255 of the photograph: together about 96 % of it.
constexpr D3DCOLOR kLayerColour = 0x23232323;
// The sphere the cube is pushed out onto, about the origin. The cube's face middles lie 0.75
// from its centre and its corners about 1.30, so the sphere always reshapes part of it.
constexpr float kSphereRadius = 0.85f;

} // namespace

PhotoScene::PhotoScene() : initialised(false) {}

PhotoScene::~PhotoScene() {
    if (!initialised) return;
    shapeTexture.Release();
    backgroundTexture.Release();
    shape.Release();
}

int32_t PhotoScene::Init() {
    // 24 x 24 vertices a face on a cube of edge 1.5: 3456 vertices, 6348 triangles.
    shape.CreateBox(24, 1.5f);
    if (shapeTexture.Load("Data/goodyokek.jpg") < 0) {
        shape.Release();
        return -1;
    }
    if (backgroundTexture.Load("Data/pleksvriendin.jpg") < 0) {
        shape.Release();
        shapeTexture.Release();
        return -1;
    }
    initialised = true;
    return 0;
}

int32_t PhotoScene::Render(int32_t milliseconds) {
    const float tf = float(milliseconds);
    const double dtf = tf;

    // The step is never positive: the eye comes nearer before each layer, by up to 0.1, so
    // each layer shows a little larger than the one before.
    const float step = float(-(std::sin(dtf * 0.00653) + 1.0) * 0.05);
    DrawQuadTunnel(backgroundTexture, true, kLayerColour, 1.0f, 1.0f, step, musicTime >= kSwayFrom);

    LockSharedVertices();
    LockSharedIndices();
    const float driftX = float(0.4 * std::sin(dtf * 0.00654));
    const float driftY = float(0.4 * std::sin(dtf * 0.00444));
    const float driftZ = float(0.4 * std::sin(dtf * 0.00334));
    for (int32_t i = 0; i < shape.vertexCount; ++i) {
        const float* base = shape.positions + 3 * i;
        float x = base[0] - driftX, y = base[1] - driftY, z = base[2] - driftZ;
        // No vertex comes nearer the centre than 0.35 (the drift is at most 0.4 on an axis and
        // the faces lie 0.75 out), so the division is safe.
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length < kSphereRadius) {
            const float onSphere = kSphereRadius / length;
            x *= onSphere;
            y *= onSphere;
            z *= onSphere;
        }
        Vertex& v = SharedVertices[i];
        v.x = x;
        v.y = y;
        v.z = z;
        v.nx = v.ny = v.nz = 0.0f;
        v.diffuse = kWhite;
        v.u = float(std::cos(double(x) + y));
        v.v = float(std::sin(double(y) + z));
    }
    std::copy_n(shape.indices, 3 * shape.triangleCount, SharedIndices);
    UnlockSharedVertices();
    UnlockSharedIndices();

    // Looking a little right of the shape, so that it sits left of the centre.
    camera.eye = {0.0f, 0.0f, -3.5f};
    camera.target = {0.7f, 0.0f, 0.0f};
    camera.fieldOfView = kQuarterPi;
    rotation = {float(dtf * 0.0015), float(dtf * 0.0018), float(dtf * 0.0011)};

    UseOneWhiteLight();
    drawSettings.material.SetSpecular(1.0f, 1.0f, 1.0f, 1.0f);
    drawSettings.material.SetPower(24.0f);
    drawSettings.lights[0].SetSpecular(0.5f, 0.5f, 0.5f, 0.5f);
    ComputeNormals(shape.vertexCount, shape.triangleCount);
    DrawGeometry(camera, rotation, shapeTexture, int16_t(shape.vertexCount),
                 int16_t(shape.triangleCount));
    return 0;
}
