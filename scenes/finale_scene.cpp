#include "scenes/finale_scene.h"
#include "fx/screen_quads.h"
#include "scenes/canvas.h"
#include "scenes/music_time.h"
#include "scenes/scene_constants.h"
#include "scenes/scene_math.h"
#include "scenes/schedule.h"

namespace {

// 320-pixel frames at column 96 lie in the middle of the canvas; frames up to 416 wide fit.
constexpr uint32_t kClipColumn = 96;
// Each clip is stretched to 11.3 s of music; the first starts with the scene.
constexpr float kFirstClipFrom = StartOf<FinaleScene>();
constexpr float kSecondClipFrom = 152.90001f;
constexpr float kClosingFrom = 164.2f;
constexpr float kClosingFadeFrom = 164.20001f;

// Frame of a `frameCount`-frame clip that started at `from`, at music time `seconds`.
int32_t ClipFrame(uint32_t frameCount, float from, float seconds) {
    return TruncateToInt32(double(frameCount) * double(kPerElevenPointThreeSeconds) *
                           (double(seconds) - double(from)));
}

} // namespace

FinaleScene::FinaleScene()
    : initialised(false), firstClip(nullptr), secondClip(nullptr), onSecondClip(false) {}

FinaleScene::~FinaleScene() {
    delete firstClip;
    delete secondClip;
    if (!initialised) return;
    canvas.Release();
    finalTexture.Release();
}

int32_t FinaleScene::Init() {
    firstClip = new VideoTexture();
    secondClip = new VideoTexture();
    const uint32_t room = kCanvasWidth - kClipColumn;
    if (!firstClip->Open("Data/vaan1.avi", room, kCanvasHeight)) return -1;
    if (!secondClip->Open("Data/pendulaEIND.avi", room, kCanvasHeight)) return -1;
    if (canvas.Create(kCanvasWidth, kCanvasHeight) < 0) return -1;
    FillTexture(canvas, kCanvasWidth, kCanvasHeight, kWhite);
    if (finalTexture.Load("Data/hwzykpa.jpg") < 0) {
        canvas.Release();
        return -1;
    }
    initialised = true;
    return 0;
}

int32_t FinaleScene::Render(int32_t /*milliseconds*/) {
    const float music = musicTime;
    if (music >= kClosingFrom) {
        // 255 at 164.2 s, falling by 9 a second to 13 just before the end.
        const uint32_t level =
            uint32_t(TruncateToInt32(255.0 - (double(music) - double(kClosingFadeFrom)) * 9.0)) &
            0xFF;
        DrawScreenQuad(finalTexture, false, level * 0x01010101u, 1.0f, 1.0f);
        return 0;
    }

    VideoTexture* clip = firstClip;
    int32_t frame = 0;
    if (!onSecondClip) {
        frame = ClipFrame(firstClip->FrameCount(), kFirstClipFrom, music);
        // Once the first clip has run out it is never shown again.
        if (uint32_t(frame) >= firstClip->FrameCount()) onSecondClip = true;
    }
    // The frame that makes the switch shows the second clip by its own rule (an index near 0)
    // rather than leaving the first clip's last picture standing.
    if (onSecondClip) {
        clip = secondClip;
        frame = ClipFrame(secondClip->FrameCount(), kSecondClipFrom, music);
    }
    CopyClipFrame(*clip, uint32_t(frame), canvas, kClipColumn);
    DrawScreenQuad(canvas, true, kWhite, 1.0f, 1.0f);
    return 0;
}
