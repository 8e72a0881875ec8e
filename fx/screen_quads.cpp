#include "fx/screen_quads.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/shared_buffers.h"
#include "gfx/shared_device.h"

#include <cmath>

namespace {

// Writes the rectangle x -1 .. 1, y -halfHeight .. halfHeight at z 1 as two triangles, both
// clockwise as seen from the camera so that they survive back-face culling.
void WriteRectangle(float halfHeight, D3DCOLOR color, float vMax, float uMax) {
    LockSharedVertices();
    LockSharedIndices();
    const Vertex corners[4] = {{-1.0f, -halfHeight, 1.0f, 0, 0, 0, color, 0.0f, vMax},
                               {1.0f, -halfHeight, 1.0f, 0, 0, 0, color, uMax, vMax},
                               {-1.0f, halfHeight, 1.0f, 0, 0, 0, color, 0.0f, 0.0f},
                               {1.0f, halfHeight, 1.0f, 0, 0, 0, color, uMax, 0.0f}};
    // Normals are not part of the rectangle: whatever the buffer held stays.
    for (int i = 0; i < 4; ++i) {
        Vertex& v = SharedVertices[i];
        v.x = corners[i].x;
        v.y = corners[i].y;
        v.z = corners[i].z;
        v.diffuse = corners[i].diffuse;
        v.u = corners[i].u;
        v.v = corners[i].v;
    }
    const uint16_t triangles[6] = {2, 1, 0, 3, 1, 2};
    for (int i = 0; i < 6; ++i)
        SharedIndices[i] = triangles[i];
    UnlockSharedIndices();
    UnlockSharedVertices();
}

void BeginQuadDraw(bool blend) {
    sharedDevice->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    ResetDrawSettings();
    drawSettings.blend = blend;
}

void EndQuadDraw() {
    sharedDevice->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void DrawOne(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax,
             float halfHeight, float eyeZ) {
    WriteRectangle(halfHeight, color, vMax, uMax);
    Camera camera;
    camera.eye.z = eyeZ;
    const Rotation rotation;
    BeginQuadDraw(blend);
    DrawGeometry(camera, rotation, texture, 4, 2);
    EndQuadDraw();
}

} // namespace

void DrawScreenQuad(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax) {
    // From 2.42 away the view's half-height is 2.42 x tan(pi / 8) = 1.0024: the rectangle
    // fills the window with a tenth of a percent to spare.
    DrawOne(texture, blend, color, vMax, uMax, 1.0f, -1.42f);
}

void DrawWideQuad(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax) {
    DrawOne(texture, blend, color, vMax, uMax, 0.5f, -1.45f);
}

void DrawQuadTunnel(const Texture& texture, bool blend, D3DCOLOR color, float vMax, float uMax,
                    float step, bool sway) {
    WriteRectangle(1.0f, color, vMax, uMax);
    Camera camera;
    camera.eye.z = -2.42f;
    Rotation rotation;
    BeginQuadDraw(blend);
    for (int i = 0; i < 7; ++i) {
        if (sway) {
            // The tick count as it is, unsigned, times the decimal as written.
            const DWORD ticks = GetTickCount();
            rotation.z = float(std::sin(double(ticks) * 0.00053) * 0.1 * i);
        }
        camera.eye.z -= step;
        DrawGeometry(camera, rotation, texture, 4, 2);
    }
    EndQuadDraw();
}
