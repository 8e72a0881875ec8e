#include "scenes/greetings_scene.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "gfx/d3dx_math.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"
#include "scenes/scene_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The grid: 41 columns by 31 rows of vertices, 40 x 30 cells of two triangles.
constexpr int kColumns = 41, kRows = 31;
// The rays spread about the grid's middle vertex; the bulge is centred lower, on row 20.
constexpr int kMiddleColumn = 20, kMiddleRow = 15;
constexpr int kBulgeColumn = 20, kBulgeRow = 20;
constexpr int kVertices = kColumns * kRows;
constexpr int kTriangles = 2 * (kColumns - 1) * (kRows - 1);
constexpr int kLayers = 4;

// The windows of music time in which each greeting shows: start included, end excluded.
struct Window {
    float from, until;
};
constexpr Window kGreetingWindows[GreetingsScene::kGreetings] = {
    {88.2f, 93.7f},   {93.7f, 96.4f},   {96.4f, 99.2f},   {99.2f, 102.0f},
    {102.0f, 104.8f}, {104.8f, 107.6f}, {107.6f, 110.4f}, {110.4f, 113.1f}};

// The greeting shown at music time `seconds`, or -1 for none.
int GreetingAt(float seconds) {
    for (int k = 0; k < GreetingsScene::kGreetings; ++k)
        if (seconds >= kGreetingWindows[k].from && seconds < kGreetingWindows[k].until) return k;
    return -1;
}

// Where the ray of grid vertex (row, column) meets the tunnel wall, the cylinder
// x^2 + y^2 = 16 round the view axis, written into the vertex as its brightness and texture
// coordinates. `sway` turns the rays; `bulge` pushes the middle of the grid forward.
void CastRay(int row, int column, const D3DXMATRIX& sway, float bulge, float scroll, Vertex& out) {
    const double fromCentre = std::sqrt(double((row - kBulgeRow) * (row - kBulgeRow) +
                                               (column - kBulgeColumn) * (column - kBulgeColumn)));
    // The 0.0001 keeps the middle ray off the axis.
    const D3DXVECTOR3 ray{float((column + 0.0001 - kMiddleColumn) * 0.010416667),
                          float((row + 0.0001 - kMiddleRow) * 0.010416667),
                          float(1 + bulge * 0.1 * (10 - fromCentre))};
    D3DXVECTOR3 direction;
    D3DXVec3TransformCoord(&direction, &ray, &sway);
    D3DXVec3Normalize(&direction, &direction);
    // The far root of a t^2 - 16 = 0 (b = 0); 1e-24 keeps a ray along the axis finite.
    const double a = double(direction.x) * direction.x + double(direction.y) * direction.y;
    const double distance = std::sqrt(64.0 * a) / (2.0 * a + 1e-24);

    out.x = float(column * 0.048 - 0.95);
    out.y = float(row * 0.064 - 0.95);
    out.z = 1.0f;
    out.nx = 0.0f;
    out.ny = 0.0f;
    out.nz = -1.0f;
    // Darker the further the hit: at most 224, as every unit ray travels at least 4.
    const uint32_t grey = uint32_t(TruncateToInt32(std::fabs(28.0 * 32.0 / distance))) & 0xFF;
    out.diffuse = grey * 0x01010101u;
    // Depth along the tube, and the angle round it folded to 0 .. pi, times pi / 8.
    out.u = float(distance * direction.z * 0.02 + scroll);
    out.v =
        float(std::fabs(std::atan2(distance * direction.y, distance * direction.x)) * 0.3926991);
}

} // namespace

GreetingsScene::GreetingsScene() : initialised(false), timer(nullptr) {}

GreetingsScene::~GreetingsScene() {
    if (initialised) {
        tunnelTexture.Release();
        for (Texture& greeting : greetingTextures)
            greeting.Release();
    }
    delete timer;
}

int32_t GreetingsScene::Init() {
    if (tunnelTexture.Load("Data/retro.jpg") < 0) return -1;
    for (int k = 0; k < kGreetings; ++k) {
        char path[32];
        std::snprintf(path, sizeof path, "Data/greet%d.jpg", k + 1);
        if (greetingTextures[k].Load(path) < 0) {
            while (k-- > 0)
                greetingTextures[k].Release();
            tunnelTexture.Release();
            return -1;
        }
    }
    initialised = true;
    return 0;
}

int32_t GreetingsScene::Render(int32_t /*milliseconds*/) {
    // The scene's clock starts with its first frame.
    if (!timer) timer = new Timer();
    const int32_t t = timer->Elapsed();
    const double dt = t, tf = double(float(t));

    const float bulge = float(std::clamp(-2.0 * std::cos(dt * 0.00016), 0.0, 1.2));
    const float swayX = float(0.2 * std::sin(tf * 0.00053));
    const float swayY = float(0.3 * std::sin(tf * 0.0004354));
    const float swayZ = float(0.2 * std::sin(tf * 0.000543534));
    const float scroll = float(tf * 0.00093);
    // Turned about x first, then y, then z; the same for every ray of the frame.
    D3DXMATRIX sway, turn;
    D3DXMatrixRotationX(&sway, swayX);
    D3DXMatrixRotationY(&turn, swayY);
    D3DXMatrixMultiply(&sway, &sway, &turn);
    D3DXMatrixRotationZ(&turn, swayZ);
    D3DXMatrixMultiply(&sway, &sway, &turn);

    LockSharedVertices();
    LockSharedIndices();
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
            CastRay(r, c, sway, bulge, scroll, SharedVertices[kColumns * r + c]);
    uint16_t* index = SharedIndices;
    for (int g = 0; g + 1 < kRows; ++g)
        for (int c = 0; c + 1 < kColumns; ++c) {
            // The cell's corners: o and o + 1 on its row, below and below-right on the next.
            const uint16_t o = uint16_t(kColumns * g + c);
            const uint16_t below = uint16_t(o + kColumns), belowRight = uint16_t(o + kColumns + 1);
            const uint16_t cell[6] = {belowRight, uint16_t(o + 1), o, o, below, belowRight};
            index = std::copy_n(cell, 6, index);
        }
    UnlockSharedVertices();
    UnlockSharedIndices();

    camera.eye = {0.0f, 0.0f, -2.0f};
    camera.target = {0.0f, 0.0f, 0.5f};
    camera.fieldOfView = kQuarterPi;
    rotation = {0.0f, 0.0f, 0.0f};
    ResetDrawSettings();
    drawSettings.blend = true;

    // Each layer further back and twisted further; no twist for the first 12 s.
    const float twistAmplitude = float(std::max(-0.8 * std::cos(dt * 0.00013), 0.0));
    const float twist = float(twistAmplitude * std::sin(tf * 0.00023));
    for (int m = 0; m < kLayers; ++m) {
        rotation.z = float(m * twist);
        DrawGeometry(camera, rotation, tunnelTexture, kVertices, kTriangles);
        camera.eye.z = float(camera.eye.z - 0.1);
    }

    const int greeting = GreetingAt(musicTime);
    if (greeting >= 0) DrawWideQuad(greetingTextures[greeting], true, kWhite, 1.0f, 1.0f);
    return 0;
}
