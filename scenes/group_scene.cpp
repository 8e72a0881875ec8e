#include "scenes/group_scene.h"
#include "fx/compute_normals.h"
#include "fx/draw_geometry.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "fx/shared_buffers.h"
#include "scenes/canvas.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"
#include "scenes/scene_math.h"
#include "scenes/schedule.h"

#include <algorithm>
#include <cmath>

namespace {

// The scene's start, where the first forward run begins.
constexpr float kFirstRunStart = StartOf<GroupScene>();
// Each run, forward or backward, lasts five seconds of music.
constexpr float kRunSeconds = 5.0f;
constexpr float kBounceFrom = 57.0f;

} // namespace

GroupScene::GroupScene()
    : initialised(false), video(nullptr), clipStart(kFirstRunStart), playingBackward(false) {}

GroupScene::~GroupScene() {
    delete video;
    if (!initialised) return;
    environmentTexture.Release();
    tubeTexture.Release();
    canvas.Release();
    mesh.Release();
}

int32_t GroupScene::Init() {
    video = new VideoTexture();
    if (!video->Open("Data/group6.avi", kCanvasWidth, kCanvasHeight)) return -1;
    // 50 rings of 50 vertices from y = -5.2 to 5.2: 2500 vertices, 4802 triangles.
    mesh.CreateTube(50, 50, 1.0f, 5.2f);
    if (environmentTexture.Load("Data/gejat1.jpg") < 0) {
        mesh.Release();
        return -1;
    }
    if (canvas.Create(kCanvasWidth, kCanvasHeight) < 0) {
        mesh.Release();
        environmentTexture.Release();
        return -1;
    }
    if (tubeTexture.Load("Data/1.jpg") < 0) {
        environmentTexture.Release();
        canvas.Release();
        mesh.Release();
        return -1;
    }
    FillTexture(canvas, kCanvasWidth, kCanvasHeight, kWhite);
    initialised = true;
    return 0;
}

int32_t GroupScene::NextClipFrame(float seconds, uint32_t frameCount) {
    // Frames per second of music, so that one run through the clip lasts five seconds.
    const float rate = float(double(frameCount) * double(0.2f));
    if (seconds < clipStart) clipStart = seconds;
    const double into = (double(seconds) - double(clipStart)) * double(rate);
    int32_t frame;
    if (!playingBackward) {
        frame = TruncateToInt32(into);
        if (uint32_t(frame) >= frameCount) {
            playingBackward = true;
            clipStart += kRunSeconds;
        }
    } else {
        frame = TruncateToInt32(double(frameCount) - into);
        if (frame <= 0) {
            playingBackward = false;
            clipStart += kRunSeconds;
        }
    }
    // The frame that ended a run is shown too: one past the end, or 0 or less, which the clip
    // does not deliver, so the canvas keeps its picture.
    return frame;
}

int32_t GroupScene::Render(int32_t milliseconds) {
    const float music = musicTime;
    const double t = milliseconds;

    CopyClipFrame(*video, uint32_t(NextClipFrame(music, video->FrameCount())), canvas, 0);
    DrawScreenQuad(canvas, false, kWhite, 1.0f, 1.0f);

    LockSharedVertices();
    LockSharedIndices();
    // Three waves travel along the tube; each vertex turns about y by their sum.
    const double a = float(t * double(0.0054f)), b = float(t * double(0.0033f));
    const double c = t * double(0.0053f);
    // The turn depends on the height alone: the vertices of a ring share it, so it is worked
    // out again only when the height changes.
    double lastHeight = std::nan(""), sine = 0.0, cosine = 0.0;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const float* p = mesh.positions + 3 * i;
        const double x = p[0], y = p[1], z = p[2];
        if (!(y == lastHeight)) {
            const double angle = kHalfTurn * std::sin((y - a) * kHalfTurnOver12) +
                                 kHalfTurn * std::cos((0.4 * y + b) * kHalfTurnOver13) +
                                 kHalfTurn * std::sin((0.6 * y + c) * -0.16534684210526315);
            sine = float(std::sin(angle));
            cosine = std::cos(angle);
            lastHeight = y;
        }
        Vertex& v = SharedVertices[i];
        v.x = float(sine * x - cosine * z);
        v.y = p[1];
        v.z = float(cosine * x + sine * z);
        v.nx = v.ny = v.nz = 0.0f;
        v.diffuse = kWhite;
        v.u = mesh.texCoords[2 * i];
        v.v = mesh.texCoords[2 * i + 1];
    }
    std::copy_n(mesh.indices, 3 * mesh.triangleCount, SharedIndices);
    UnlockSharedVertices();
    UnlockSharedIndices();

    // Aimed left of the tube, so the tube stands right of the centre.
    camera.eye = {0.0f, 0.0f, -11.0f};
    camera.target = {-2.5f, 0.0f, 0.0f};
    camera.fieldOfView = kQuarterPi;
    rotation = {0.0f, 0.0f, 0.0f};
    ResetDrawSettings();
    // Unlit: the normals only steer the reflection.
    ComputeNormals(mesh.vertexCount, mesh.triangleCount);
    if (music > kBounceFrom)
        camera.eye.z = float(4.0 * std::sin((double(music) - 57.0) * 17.0) - 11.0);

    const int16_t vertices = int16_t(mesh.vertexCount), triangles = int16_t(mesh.triangleCount);
    drawSettings.cullBackFaces = false;
    DrawGeometry(camera, rotation, tubeTexture, vertices, triangles);
    drawSettings.blend = true;
    drawSettings.environmentMap = true;
    DrawGeometry(camera, rotation, environmentTexture, vertices, triangles);
    return 0;
}
