// The page's ways into the show (the browser build's counterpart of app/main.cpp and the
// capture tool): ShowPrepare and ShowPrepareMore ready the music before the click, a slice at a
// time; ShowStart, ShowFrame and ShowStop are the show itself, started by a click, one frame each
// time the browser asks the page for one, and torn down, and ShowSetDrawingSize sets how sharp it
// is drawn; ShowStill(T, W, H) leaves in the canvas the
// still at music time T, made as the capture tool makes it (the virtual clock at 60 frames a
// second, the frames before it fast-forwarded, nothing heard). The page owns the loop: nothing
// here waits for the browser.
#include "app/driver.h"
#include "platform/bass/prepared_music.h"
#include "platform/host/audio_output.h"
#include "platform/host/host.h"
#include "platform/host/letterbox.h"
#include "tools/capture/play.h"

#include <emscripten.h>

// Decodes the music and fills the page's sound buffer ahead, while the page offers the show, so
// that the show starts at once when clicked. ShowPrepare opens the music file: 1, or 0 to leave
// it to the show (which then says what is wrong with the file, as without this). Each
// ShowPrepareMore then works for about `milliseconds` and returns, so that the page stays
// responsive between slices: 1 once the music is ready (a file damaged part way is ready as far
// as it decodes, as the show would play it), 0 while there is more to do.
extern "C" EMSCRIPTEN_KEEPALIVE int ShowPrepare() {
    return StartPreparingMusic(kMusicFile) ? 1 : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE int ShowPrepareMore(double milliseconds) {
    // Small steps, each well under a millisecond: a few MP3 packets, a second of sound.
    constexpr int kPackets = 8;
    constexpr uint64_t kFrames = 44100;
    const double until = emscripten_get_now() + milliseconds;
    const PcmStream* music = nullptr;
    while (!(music = PrepareMoreMusic(kPackets)))
        if (emscripten_get_now() >= until) return 0;
    while (!WebAudioOutput().Prepare(*music, kFrames))
        if (emscripten_get_now() >= until) return 0;
    return 1;
}

namespace {

ShowRun* playing = nullptr;

} // namespace

// Starts the show up (its failures are told as the show tells them, when it is stopped),
// drawing at `width` x `height` (0 x 0 for its own 640 x 480).
extern "C" EMSCRIPTEN_KEEPALIVE void ShowStart(int width, int height) {
    delete playing;
    host::UseOnScreen();
    host::SetDrawingSize(width, height);
    playing = new ShowRun(nullptr, kShowSchedule);
}

// The size the show draws at from its next frame on: the page steps it down while frames come
// slowly, and back up.
extern "C" EMSCRIPTEN_KEEPALIVE void ShowSetDrawingSize(int width, int height) {
    host::SetDrawingSize(width, height);
}

// One frame of the show: 1 while it goes on, 0 once it is over.
extern "C" EMSCRIPTEN_KEEPALIVE int ShowFrame() {
    return playing && playing->Frame() ? 1 : 0;
}

// Tears the show down and says why it ended where that was a failure.
extern "C" EMSCRIPTEN_KEEPALIVE void ShowStop() {
    delete playing;
    playing = nullptr;
}

// 1 once the still is in the canvas, 0 for a time outside the show or a run that stopped early.
// The still is drawn at `width` x `height`, the canvas's size: the largest picture of the show's
// shape that fits, between black bars, as the capture tool's --size draws it.
extern "C" EMSCRIPTEN_KEEPALIVE int ShowStill(double seconds, int width, int height) {
    if (!(seconds >= 0 && seconds < kShowEnd) || width < 1 || height < 1) return 0;
    CaptureOptions options;
    options.stills = {seconds};
    const std::vector<Shot> plan = PlanShots(options);
    const PictureRect picture = FitPicture(width, height, 640, 480);
    const auto keep = [](const Shot&, const host::Frame&) { return true; };
    PlayOutcome outcome = PlayShots(plan, true, keep, {}, picture.width, picture.height);
    if (!outcome.exact) outcome = PlayShots(plan, false, keep, {}, picture.width, picture.height);
    return outcome.finished ? 1 : 0;
}
