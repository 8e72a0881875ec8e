#include "tools/capture/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

const char* const kUsage =
    "usage: capture [options]\n"
    "Renders the show off screen on a virtual clock, frame by frame at a fixed rate, from music\n"
    "time 0 (so every scene shows what a viewer would see), and writes what it is asked for.\n"
    "The frames before what it keeps run without being drawn, so late moments come quickly.\n"
    "It reads the show's data (Data/ and data/avseq01.mp3) from the folder it runs in, or from\n"
    "the one --data names; outputs are written where they are named, from where it runs.\n"
    "\n"
    "  --video FILE      an MP4 (H.264 and AAC, the music in step) of the span\n"
    "  --from SECONDS    start of the span (default 0)\n"
    "  --to SECONDS      end of the span (default 191, the end of the show)\n"
    "  --fps N           frames per second, 1 to 240 (default 60)\n"
    "  --still SECONDS   a PNG still at that music time; may be given many times\n"
    "  --out DIR         folder for the stills (default .), named still-SECONDS.png\n"
    "  --sheet FILE      a contact sheet PNG: one still from each scene and the closing picture,\n"
    "                    each labelled with its time\n"
    "  --data DIR        the folder that holds the show's data (default: the current one)\n"
    "  --frame-hashes FILE  a line for every frame of the span, drawn but not encoded: its\n"
    "                    number, its music time and a hash of its pixels, to compare two builds\n"
    "  --size WxH        frames of W x H pixels (default 640x480): the show drawn at the largest\n"
    "                    4:3 picture that fits, finer than 640 x 480, centred between black\n"
    "                    bars (1920x1080 gives a 1440 x 1080 picture); at least 640x480, at\n"
    "                    most 16384 on a side, even numbers for a video\n"
    "  --help            this text\n"
    "\n"
    "At least one of --video, --still, --sheet and --frame-hashes is needed. A progress bar is "
    "shown when\n"
    "standard error is a terminal. Each output appears only when it is whole. Ctrl-C (or\n"
    "SIGTERM) stops the capture: the video is finished up to where it got, and the stills\n"
    "already written stay.\n"
    "\n"
    "Exit status: 0 all written; 1 the show or an output failed while running; 2 the command\n"
    "line or an output was refused before anything was drawn; 128 + N stopped by signal N.\n";

namespace {

// "WxH" with each a whole number of pixels, digits only.
bool FrameSize(const std::string& text, int& width, int& height) {
    const size_t by = text.find('x');
    if (by == std::string::npos || by == 0 || by + 1 == text.size() || by > 6 ||
        text.size() - by - 1 > 6 || text.find_first_not_of("0123456789x") != std::string::npos ||
        text.find('x', by + 1) != std::string::npos)
        return false;
    width = std::atoi(text.substr(0, by).c_str());
    height = std::atoi(text.substr(by + 1).c_str());
    return true;
}

bool Number(const char* text, double& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    value = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(value);
}

} // namespace

bool ParseOptions(int argc, char** argv, CaptureOptions& options, bool& help, std::string& error) {
    help = false;
    bool sized = false;
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        // An option where a value should be means the value is missing.
        const char* value =
            i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 ? argv[i + 1] : nullptr;
        double number = 0;
        if (option == "--help" || option == "-h") {
            help = true;
            return true;
        }
        if (option != "--video" && option != "--from" && option != "--to" && option != "--fps" &&
            option != "--still" && option != "--out" && option != "--sheet" && option != "--data" &&
            option != "--frame-hashes" && option != "--size") {
            error = "unknown option " + option;
            return false;
        }
        if (!value) {
            error = option + " needs a value";
            return false;
        }
        if (!*value) {
            error = option + " needs a value, not an empty one";
            return false;
        }
        // Only stills are many: a second video, sheet, span end or folder would silently
        // replace the first.
        if (option != "--still" && !given.insert(option).second) {
            error = option + " is given twice; it takes one value";
            return false;
        }
        ++i;
        if (option == "--video")
            options.video = value;
        else if (option == "--out")
            options.out = value;
        else if (option == "--sheet")
            options.sheet = value;
        else if (option == "--data")
            options.data = value;
        else if (option == "--frame-hashes")
            options.frameHashes = value;
        else if (option == "--size") {
            sized = true;
            if (!FrameSize(value, options.width, options.height)) {
                error = std::string("--size takes WIDTHxHEIGHT in pixels, such as 1920x1080, "
                                    "not ") +
                        value;
                return false;
            }
        } else if (!Number(value, number)) {
            error = option + " needs a number, not " + value;
            return false;
        } else if (option == "--from")
            options.from = number;
        else if (option == "--to")
            options.to = number;
        else if (option == "--still")
            options.stills.push_back(number + 0.0); // -0 is 0
        else if (number != std::floor(number) || number < 1 || number > 240) {
            error = "--fps must be a whole number from 1 to 240";
            return false;
        } else
            options.fps = int(number);
    }
    const std::string end = std::to_string(int(kShowEnd));
    if (options.from < 0 || options.to <= options.from || options.to > kShowEnd) {
        error = "the span must satisfy 0 <= from < to <= " + end;
        return false;
    }
    for (double still : options.stills)
        if (still < 0 || still >= kShowEnd) {
            error = "stills must be at times from 0 to below " + end;
            return false;
        }
    if (sized) {
        const std::string size =
            std::to_string(options.width) + "x" + std::to_string(options.height);
        if (options.width < 640 || options.height < 480) {
            error = "--size " + size + " is smaller than the show's own 640x480";
            return false;
        }
        if (options.width > kLargestSide || options.height > kLargestSide) {
            error = "--size " + size + " is larger than " + std::to_string(kLargestSide) +
                    " pixels on a side";
            return false;
        }
        if (!options.video.empty() && (options.width % 2 || options.height % 2)) {
            error = "--size " + size +
                    " has an odd side, and a video's sides must be even "
                    "(H.264 keeps colour at half the size)";
            return false;
        }
    }
    if (options.video.empty() && options.stills.empty() && options.sheet.empty() &&
        options.frameHashes.empty()) {
        error = "nothing to write: give --video, --still, --sheet or --frame-hashes";
        return false;
    }
    return true;
}
