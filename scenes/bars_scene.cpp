#include "scenes/bars_scene.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "scenes/canvas.h"
#include "scenes/lighting.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"
#include "scenes/scene_math.h"
#include "scenes/schedule.h"

#include <cmath>
#include <cstring>

namespace {

// The clip sits at column 20 of the canvas, so it may be up to 492 pixels wide.
constexpr uint32_t kClipColumn = 20;
constexpr float kSceneStart = StartOf<BarsScene>();
constexpr int kGridSide = 5;
constexpr int kBoxes = kGridSide * kGridSide * kGridSide;

} // namespace

BarsScene::BarsScene() : initialised(false), video(nullptr) {}

BarsScene::~BarsScene() {
    delete video;
    if (!initialised) return;
    mesh.Release();
    barsTexture.Release();
    canvas.Release();
}

int32_t BarsScene::Init() {
    // A cube of edge 1: 24 vertices, 12 triangles.
    mesh.CreateBox(2, 1.0f);
    samePosition.resize(size_t(mesh.vertexCount));
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        int32_t first = 0;
        while (std::memcmp(mesh.positions + 3 * first, mesh.positions + 3 * i, 12) != 0)
            ++first;
        samePosition[size_t(i)] = first;
    }
    video = new VideoTexture();
    if (!video->Open("Data/kalf5.avi", kCanvasWidth - kClipColumn, kCanvasHeight)) {
        mesh.Release();
        return -1;
    }
    if (canvas.Create(kCanvasWidth, kCanvasHeight) < 0) {
        mesh.Release();
        return -1;
    }
    FillTexture(canvas, kCanvasWidth, kCanvasHeight, kWhite);
    if (barsTexture.Load("Data/paarsebalken.jpg") < 0) {
        canvas.Release();
        mesh.Release();
        return -1;
    }
    initialised = true;
    return 0;
}

uint32_t BarsScene::FrameAt(float seconds, uint32_t frameCount) {
    // Up to the first half of the clip less 48 frames. Fewer than 96 frames would wrap that
    // count round to four billion; such a clip stays on its first frame.
    const uint32_t last = frameCount >= 96 ? frameCount / 2 - 48 : 0;
    const double span = double(last) * double(kPerElevenPointThreeSeconds);
    return uint32_t(TruncateToInt32((double(seconds) - double(kSceneStart)) * span));
}

int32_t BarsScene::Render(int32_t milliseconds) {
    const int32_t t = milliseconds;
    const double dt = double(t), tf = double(float(t));

    CopyClipFrame(*video, FrameAt(musicTime, video->FrameCount()), canvas, kClipColumn);
    DrawScreenQuad(canvas, false, kWhite, 1.0f, 1.0f);

    LockSharedVertices();
    LockSharedIndices();
    const int32_t boxVertices = mesh.vertexCount, boxTriangles = mesh.triangleCount;
    Vertex* vertex = SharedVertices;
    uint16_t* index = SharedIndices;
    // The first box is at full size; each later one takes the scale worked out at the end of
    // the box before it.
    float scale = 1.0f;
    for (int a = 0; a < kGridSide; ++a)
        for (int b = 0; b < kGridSide; ++b)
            for (int c = 0; c < kGridSide; ++c) {
                const int k = kGridSide * kGridSide * a + kGridSide * b + c;
                const double parity = k % 2;
                const uint16_t base = uint16_t(k * boxVertices);
                // Boxes sharing a column and a row swirl alike.
                const double swirlU = a * std::cos(tf * double(0.00023f) + a * a);
                const double swirlV = b * std::sin(tf * double(0.00033f) + b * b);
                for (int32_t i = 0; i < boxVertices; ++i, ++vertex) {
                    // A corner shared by three faces gives the same vertex each time: it is
                    // worked out once and copied.
                    if (const int32_t first = samePosition[size_t(i)]; first != i) {
                        *vertex = *(vertex - (i - first));
                        continue;
                    }
                    const float* p = mesh.positions + 3 * i;
                    const double sx = double(scale) * p[0], sy = double(scale) * p[1],
                                 sz = double(scale) * p[2];
                    // A grid of spacing 1 about the origin: boxes at full size touch.
                    vertex->x = float(a - 2 + sx);
                    vertex->y = float(b - 2 + sy);
                    vertex->z = float(c - 2 + sz);
                    vertex->nx = vertex->ny = vertex->nz = 0.0f;
                    vertex->diffuse = kWhite;
                    vertex->u = float(swirlU + double(0.3f) * std::sin(parity + sy + sx) *
                                                   std::cos(sy * sz));
                    vertex->v = float(swirlV + double(0.3f) * std::sin(parity + sz + sy) *
                                                   std::sin(sx * sz));
                }
                for (int32_t i = 0; i < 3 * boxTriangles; ++i)
                    *index++ = uint16_t(mesh.indices[i] + base);

                const double written = double((k + 1) * boxVertices);
                const double pulse =
                    std::fabs(std::sin(std::sin(dt * double(0.00093f)) + written) *
                              std::sin(dt * double(0.0013f) + c + b + a) * double(0.9f)) +
                    0.2;
                scale = float(std::fmin(pulse, 1.0));
            }
    UnlockSharedVertices();
    UnlockSharedIndices();

    // The view narrows and widens between about 0.15 and 1.95 rad; the eye backs off as it
    // narrows, from the angle before it is rounded.
    const double fieldOfView =
        1.0471975803375244 + 0.8975979260035923 * std::sin(dt * double(0.00183f));
    camera.fieldOfView = float(fieldOfView);
    camera.eye = {0.0f, 0.0f, float(-7.0 - 6.0 / std::tan(fieldOfView))};
    camera.target = {-3.0f, -1.0f, 0.0f};
    rotation = {float(dt * double(0.0014435346f)), float(dt * double(0.00096575677f)),
                float(dt * double(0.0013456456f))};

    UseOneWhiteLight();
    ComputeNormals(kBoxes * boxVertices, kBoxes * boxTriangles);
    DrawGeometry(camera, rotation, barsTexture, int16_t(kBoxes * boxVertices),
                 int16_t(kBoxes * boxTriangles));
    return 0;
}
