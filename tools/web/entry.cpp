// The page's ways into the show (the browser build's counterpart of app/main.cpp and the
// capture tool): ShowPrepare readies the music before the click, ShowPlay plays the show itself,
// started by a click; ShowStill(T) leaves in the
// canvas the still at music time T, made as the capture tool makes it (the virtual clock at 60
// frames a second, the frames before it fast-forwarded, nothing heard). Both return once the run
// has ended: the page calls them asynchronously, since the frame loop waits for the browser.
#include "app/driver.h"
#include "platform/bass/prepared_music.h"
#include "platform/host/audio_output.h"
#include "platform/host/host.h"
#include "tools/capture/play.h"

#include <emscripten.h>

// Decodes the music and fills the page's sound buffer ahead, while the page offers the show, so
// that the show starts at once when clicked. 1 when the music is ready; 0 leaves it to the show
// (which then says what is wrong with the file, as without this).
extern "C" EMSCRIPTEN_KEEPALIVE int ShowPrepare() {
    const PcmStream* music = PrepareMusicFile(kMusicFile);
    if (music) WebAudioOutput().Prepare(*music);
    return music ? 1 : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE int ShowPlay() {
    host::UseOnScreen();
    return WinMain(nullptr, nullptr, nullptr, SW_SHOW);
}

// 1 once the still is in the canvas, 0 for a time outside the show or a run that stopped early.
extern "C" EMSCRIPTEN_KEEPALIVE int ShowStill(double seconds) {
    if (!(seconds >= 0 && seconds < kShowEnd)) return 0;
    CaptureOptions options;
    options.stills = {seconds};
    const std::vector<Shot> plan = PlanShots(options);
    const auto keep = [](const Shot&, const host::Frame&) { return true; };
    PlayOutcome outcome = PlayShots(plan, true, keep);
    if (!outcome.exact) outcome = PlayShots(plan, false, keep);
    return outcome.finished ? 1 : 0;
}
