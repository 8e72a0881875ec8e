// The capture tool's command line.
#pragma once

#include "scenes/schedule.h"

#include <string>
#include <vector>

struct CaptureOptions {
    std::string video; // MP4 of the span, or empty
    double from = 0.0; // seconds of music
    double to = kShowEnd;
    int fps = 60;
    std::vector<double> stills; // music times of PNG stills
    std::string out = ".";      // folder for the stills
    std::string sheet;          // contact sheet PNG, or empty
    std::string data;           // the folder holding the show's data, or empty for this one
    std::string frameHashes;    // a text file: a line for every frame of the span, or empty
    // The frames' size (--size): the show drawn at the largest 4:3 picture that fits, centred
    // between black bars; 0 x 0 for the show's own 640 x 480.
    int width = 0;
    int height = 0;
};

// The largest frame side --size takes: far beyond any screen, and within what drivers draw.
constexpr int kLargestSide = 16384;

// Fills `options` from the arguments; false with a reason in `error` for anything it does not
// understand. `help` is set for --help.
bool ParseOptions(int argc, char** argv, CaptureOptions& options, bool& help, std::string& error);

extern const char* const kUsage;
