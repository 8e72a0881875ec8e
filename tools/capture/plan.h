// Which frames a capture plays, and which of them it keeps.
#pragma once

#include "tools/capture/options.h"

#include <vector>

// A frame the run presents, at an exact music time, and what is kept of it.
struct Shot {
    double time;
    bool video;
    bool still;
    bool sheet;
    // In the span, and its hash wanted.
    bool hashed = false;

    bool Kept() const { return video || still || sheet || hashed; }
};

// One still a third into each scene of the schedule, and one two thirds into the last (its
// closing picture), to a tenth of a second.
std::vector<double> SheetTimes();

// Every frame from 0 on at the frame rate, up to the last time anything is wanted, with the
// stills' exact times slotted in: the scenes keep state from frame to frame, so a still is only
// what a viewer would see if the show played every frame up to it. In time order.
std::vector<Shot> PlanShots(const CaptureOptions& options);
