#include "tools/capture/play.h"
#include "app/driver.h"

PlayOutcome PlayShots(const std::vector<Shot>& plan, bool fastForward,
                      const std::function<bool(const Shot&, const host::Frame&)>& onShot,
                      const std::function<bool(size_t presented)>& onFrame) {
    PlayOutcome outcome;
    size_t next = 0;
    bool stopped = false;
    // Frame `index` is next: its time, and whether it is drawn at all. Fast-forwarding starts
    // after the first frame, since start-up (where each clip's first frame is decoded) comes
    // before it.
    const auto prepare = [&](size_t index) {
        host::SetVirtualTime(plan[index].time);
        host::SetFastForward(fastForward && index > 0 && !plan[index].Kept());
    };
    host::UseOffScreen([&](const host::Frame& frame) {
        if (next >= plan.size() || stopped) return; // the frame drawn while the run closes
        const Shot& shot = plan[next];
        if (shot.Kept()) {
            if (!host::FastForwardExact()) {
                outcome.exact = false;
                stopped = true;
            } else if (!onShot(shot, frame)) {
                stopped = true;
            }
            if (stopped) {
                host::SetFastForward(true);
                host::RequestClose();
                return;
            }
        }
        ++next;
        if (onFrame && !onFrame(next)) stopped = true;
        if (next < plan.size() && !stopped) {
            prepare(next);
        } else {
            // The frame drawn while the run closes is not drawn: what was shown stays.
            host::SetFastForward(true);
            host::RequestClose();
        }
    });
    if (!plan.empty()) prepare(0);
    WinMain(nullptr, nullptr, nullptr, 0);
    host::SetFastForward(false);
    host::SetFrameCallback(nullptr);
    outcome.reached = next;
    outcome.finished = next >= plan.size();
    return outcome;
}
