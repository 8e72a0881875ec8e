#include "scenes/logo_scene.h"
#include "fx/draw_settings.h"
#include "fx/screen_quads.h"
#include "scenes/canvas.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"
#include "scenes/scene_math.h"

namespace {

// The clip sits at column 96 of the canvas: 320 pixels wide, it lies in the middle.
constexpr uint32_t kClipColumn = 96;
constexpr float kSecondTitleFrom = 7.5f;
// 1 / 11.5, the scene's length, as a float.
constexpr float kPerSceneSecond = 0.08695652f;

} // namespace

LogoScene::LogoScene() : initialised(false), video(nullptr) {}

LogoScene::~LogoScene() {
    delete video;
    if (!initialised) return;
    canvas.Release();
    logo.Release();
    logo2.Release();
}

int32_t LogoScene::Init() {
    video = new VideoTexture();
    if (!video->Open("Data/trailer3.avi", kCanvasWidth - kClipColumn, kCanvasHeight)) return -1;
    if (canvas.Create(kCanvasWidth, kCanvasHeight) < 0) return -1;
    // What the clip never covers stays white for the whole run.
    FillTexture(canvas, kCanvasWidth, kCanvasHeight, kWhite);
    if (logo.Load("Data/logo.jpg") < 0) {
        canvas.Release();
        return -1;
    }
    if (logo2.Load("Data/logo2.jpg") < 0) {
        canvas.Release();
        logo.Release();
        return -1;
    }
    initialised = true;
    return 0;
}

uint32_t LogoScene::FrameAt(float seconds, uint32_t frameCount) {
    // N + 40 is an exact integer and the product is formed in double precision: the index
    // runs from 0 at 0 s to N + 40 at 11.5 s.
    const double span = double(uint32_t(frameCount + 40)) * double(kPerSceneSecond);
    uint32_t frame = uint32_t(TruncateToInt32(double(seconds) * span));
    // Past the last frame the clip runs back; N itself is shown as it is.
    if (frame > frameCount) frame = 2 * frameCount - frame;
    return frame;
}

int32_t LogoScene::Render(int32_t /*milliseconds*/) {
    const float seconds = musicTime;
    const uint32_t frame = FrameAt(seconds, video->FrameCount());

    CopyClipFrame(*video, frame, canvas, kClipColumn);
    // The canvas added onto the cleared frame is the canvas itself.
    DrawScreenQuad(canvas, true, kWhite, 1.0f, 1.0f);
    // The title multiplies in: title x frame + frame x (1 - frame).
    drawSettings.multiplyBlend = true;
    DrawScreenQuad(seconds < kSecondTitleFrom ? logo : logo2, true, kWhite, 1.0f, 1.0f);
    drawSettings.multiplyBlend = false;
    return 0;
}
