#include "scenes/ball_scene.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "platform/files/load_failure.h"
#include "scenes/lighting.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr float kMeshScale = 0.025f;
// Counts the draw can take: it is given them as signed 16-bit values.
constexpr int32_t kMostVertices = 32767, kMostTriangles = 32767;

// Section starts in music time; each boundary belongs to the later section.
constexpr float kPumpFrom = 23.2f;
constexpr float kSpinFrom = 33.0f;

// Wobble phase per millisecond of the show's clock: the second section runs twice as fast.
constexpr float kSlowWobble = 0.0016666667f;
constexpr float kFastWobble = 0.0033333334f;

constexpr D3DCOLOR kDimGrey = 0x67676767;
constexpr D3DCOLOR kHalfIntensity = 0x80808080;

// The ball's tilt about the view axis, in radians, before the echoes multiply it.
double Sway(float tf) {
    return 0.15000000596046448 * std::sin(double(tf) * double(0.00043f));
}

// Vertex (x, y, z) of the ball pushed about by sines of its own coordinates and of the phase s.
// Everything is worked in double and rounded once where it is stored.
void Wobble(float x, float y, float z, double s, Vertex& out) {
    const double dx = x, dy = y, dz = z;
    out.x = float(dx * (0.8 + 0.4 * std::sin((s + dx) * 1.0471966666666666)) +
                  0.2 * std::sin((dy + dz + s) * kHalfTurnOver12) +
                  0.2 * dy * std::sin((dz - s) * 0.6041519452370844));
    out.y = float(dy * (0.9 + 0.3 * std::sin((s + dz) * 0.3611023067672183)) +
                  0.2 * dz * std::sin((dx - s) * 0.11549962911326382) +
                  0.8 * std::sin((dz - s) * 0.39269875));
    // w is rounded to a float before its cosine.
    const float w = float(s + dz);
    out.z = float(0.2 * dx * std::sin((s + dy - dz) * 0.11990801177547507) +
                  dz * (0.8 + 0.3 * std::sin((s + dy) * 0.4363319560032939)) +
                  0.3 * std::cos(double(w) * kHalfTurnOver13));
}

} // namespace

BallScene::BallScene() : initialised(false) {}

BallScene::~BallScene() {
    if (!initialised) return;
    mesh.Release();
    environmentTexture.Release();
    surfaceTexture.Release();
    bandTexture.Release();
}

int32_t BallScene::Init() {
    if (mesh.Load("Data/ball.msh", kMeshScale) < 0) return -1;
    if (mesh.vertexCount > kMostVertices || mesh.triangleCount > kMostTriangles) {
        NoteLoadFailure("Data/ball.msh", std::to_string(mesh.vertexCount) + " vertices and " +
                                             std::to_string(mesh.triangleCount) +
                                             " triangles; the ball may have at most 32767 of each");
        mesh.Release();
        return -1;
    }
    if (environmentTexture.Load("Data/gejat1.jpg") < 0) {
        mesh.Release();
        return -1;
    }
    if (surfaceTexture.Load("Data/bot1.jpg") < 0) {
        environmentTexture.Release();
        mesh.Release();
        return -1;
    }
    if (bandTexture.Load("Data/glintvat.jpg") < 0) {
        environmentTexture.Release();
        surfaceTexture.Release();
        mesh.Release();
        return -1;
    }
    initialised = true;
    return 0;
}

int32_t BallScene::Render(int32_t milliseconds) {
    const float music = musicTime;
    const int32_t t = milliseconds;
    const float tf = float(t);
    const bool echoes = music < kPumpFrom;
    const int16_t vertices = int16_t(mesh.vertexCount), triangles = int16_t(mesh.triangleCount);

    if (!echoes) DrawWideQuad(bandTexture, false, kWhite, 1.0f, 1.0f);

    LockSharedVertices();
    LockSharedIndices();
    const double s = double(t) * double(echoes ? kSlowWobble : kFastWobble);
    const D3DCOLOR diffuse = echoes ? kDimGrey : kWhite;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const float* p = mesh.positions + 3 * i;
        Vertex& v = SharedVertices[i];
        Wobble(p[0], p[1], p[2], s, v);
        v.nx = v.ny = v.nz = 0.0f;
        v.diffuse = diffuse;
        // The surface picture stays put on the ball: it follows the undeformed position.
        v.u = 0.25f * p[0];
        v.v = 0.25f * p[1];
    }
    std::copy_n(mesh.indices, 3 * mesh.triangleCount, SharedIndices);
    UnlockSharedVertices();
    UnlockSharedIndices();

    camera.eye = {0.0f, 0.0f, -13.0f};
    camera.target = {0.0f, 0.0f, 0.0f};
    camera.fieldOfView = kQuarterPi;
    rotation = {tf * 0.0013f, tf * 0.00074f, tf * 0.00063f};

    UseOneWhiteLight();
    drawSettings.material.SetSpecular(1.5f, 1.5f, 1.5f, 1.5f);
    drawSettings.material.SetPower(24.0f);
    drawSettings.lights[0].SetSpecular(0.2f, 0.25f, 0.2f, 0.2f);
    ComputeNormals(mesh.vertexCount, mesh.triangleCount);

    if (echoes) {
        // Four reflections added onto the frame, each turned a little further about the view
        // axis; the first is not turned at all.
        const double h = Sway(tf);
        drawSettings.blend = true;
        drawSettings.cullBackFaces = false;
        drawSettings.environmentMap = true;
        for (int j = 0; j < 4; ++j) {
            rotation.z = float(j * h);
            DrawGeometry(camera, rotation, environmentTexture, vertices, triangles);
        }
        DrawWideQuad(bandTexture, true, kHalfIntensity, 1.0f, 1.0f);
    } else if (music < kSpinFrom) {
        // The camera pumps to and fro with the music: between -20 and -6, every 0.83 s.
        rotation.z = float(Sway(tf));
        camera.eye.z = float(7.0 * std::sin(double(music) * 7.6) - 13.0);
        DrawGeometry(camera, rotation, surfaceTexture, vertices, triangles);
    } else {
        drawSettings.material.SetPower(24.0f);
        drawSettings.lights[0].SetSpecular(2.2f, 2.25f, 2.2f, 2.2f);
        rotation = {tf * 0.0033f, tf * 0.0074f, tf * 0.0063f};
        camera.eye.z = float(std::sin(double(tf) * double(0.0123f)) - 8.5);
        DrawGeometry(camera, rotation, surfaceTexture, vertices, triangles);
    }
    return 0;
}
