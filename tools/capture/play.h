// One run of the show off screen for a capture: every frame of the plan in turn on the virtual
// clock. With fast-forwarding, the frames nothing keeps run as they would in a full play (the
// same scene calls at the same times) but are not drawn; the kept frames come out exactly as
// they would after a full play (host.h).
#pragma once

#include "platform/host/host.h"
#include "tools/capture/plan.h"

#include <functional>
#include <vector>

struct PlayOutcome {
    // Every frame of the plan was presented.
    bool finished = false;
    // False when fast-forwarding could not give a kept frame exactly (the run then stops before
    // handing it on, and wants a full play instead).
    bool exact = true;
    // How far the plan got: the index of the first frame not presented.
    size_t reached = 0;
    // The plan reaches past the end of the music the show plays, which lasts `musicSeconds`:
    // nothing is drawn then.
    bool pastMusic = false;
    double musicSeconds = 0;
};

// Plays `plan`, handing each kept frame to `onShot` and telling `onFrame` of every frame
// presented, kept or not; either returns false to stop the run there. The frames are drawn at
// `drawingWidth` x `drawingHeight` (host.h, SetDrawingSize), or at 640 x 480 for 0 x 0.
PlayOutcome PlayShots(const std::vector<Shot>& plan, bool fastForward,
                      const std::function<bool(const Shot&, const host::Frame&)>& onShot,
                      const std::function<bool(size_t presented)>& onFrame = {},
                      int drawingWidth = 0, int drawingHeight = 0);
