#include "tools/capture/play.h"
#include "app/driver.h"

PlayOutcome PlayShots(const std::vector<Shot>& plan, bool fastForward,
                      const std::function<bool(const Shot&, const host::Frame&)>& onShot,
                      const std::function<bool(size_t presented)>& onFrame, int drawingWidth,
                      int drawingHeight) {
    PlayOutcome outcome;
    // The host hands over each frame as it is presented; the loop looks at it once the frame is
    // done.
    host::Frame shown{};
    size_t presentations = 0;
    host::UseOffScreen([&](const host::Frame& frame) {
        shown = frame;
        ++presentations;
    });
    host::SetDrawingSize(drawingWidth, drawingHeight);
    {
        // Start-up (where each clip's first frame is decoded) runs at the first frame's time.
        if (!plan.empty()) host::SetVirtualTime(plan.front().time);
        ShowRun run(nullptr, kShowSchedule);
        // A plan past the music's end would show the frame where it stopped as if later: it is
        // refused before anything is drawn.
        double length = 0;
        const bool beyond =
            !plan.empty() && run.Started() && !host::MusicLastsTo(plan.back().time, length);
        outcome.pastMusic = beyond;
        if (beyond) outcome.musicSeconds = length;
        for (size_t index = 0; !beyond && index < plan.size(); ++index) {
            const Shot& shot = plan[index];
            // Fast-forwarding starts after the first frame, which start-up comes before.
            host::SetVirtualTime(shot.time);
            host::SetFastForward(fastForward && index > 0 && !shot.Kept());
            const size_t before = presentations;
            const bool goesOn = run.Frame();
            if (presentations == before) break;
            if (shot.Kept()) {
                if (!host::FastForwardExact()) {
                    outcome.exact = false;
                    break;
                }
                if (!onShot(shot, shown)) break;
            }
            outcome.reached = index + 1;
            if ((onFrame && !onFrame(outcome.reached)) || !goesOn) break;
        }
        // Nothing is drawn while the run closes.
        host::SetFastForward(true);
    }
    host::SetFastForward(false);
    host::SetFrameCallback(nullptr);
    outcome.finished = outcome.reached >= plan.size();
    return outcome;
}
