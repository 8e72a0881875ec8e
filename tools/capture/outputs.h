// The capture tool's outputs, checked before anything is rendered: a run that could not write
// what it was asked for says so at once, naming the path and the system's reason.
#pragma once

#include "tools/capture/options.h"

#include <string>

// The file name of the still at `seconds`: "still-S.sss.png".
std::string StillName(double seconds);

// Makes the stills folder if it is missing, and checks that every output can be written and
// that no two stills would take the same name. False, with the reason in `error`, otherwise.
bool PrepareOutputs(const CaptureOptions& options, std::string& error);
