// The capture tool's outputs, checked before anything is rendered and without opening any of
// them (an output that is a FIFO would block an open until someone reads it): a run that could
// not write what it was asked for says so at once, naming the path and the reason.
#pragma once

#include "tools/capture/options.h"

#include <string>
#include <vector>

// The file name of the still at `seconds`: "still-S.sss.png".
std::string StillName(double seconds);

// The path of every file the run will write: the video, each still, the sheet.
std::vector<std::string> OutputPaths(const CaptureOptions& options);

// Makes the stills folder if it is missing (its parents too, each noted in `madeFolders`), and
// checks that every output can be written: no two name the same file, none that exists is
// anything but a regular file it may replace, and each folder takes new files. False, with the
// reason in `error`, otherwise (the folders it made are then removed again).
bool PrepareOutputs(const CaptureOptions& options, std::vector<std::string>& madeFolders,
                    std::string& error);

// Removes the folders PrepareOutputs made, deepest first, where they are still empty.
void RemoveMadeFolders(std::vector<std::string>& madeFolders);
