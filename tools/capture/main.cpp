// The capture tool: plays the show off screen on a virtual clock and writes an MP4 of a span,
// PNG stills at chosen music times, or a contact sheet of the scenes. See kUsage.
#include "platform/host/host.h"
#include "tools/capture/mp4_writer.h"
#include "tools/capture/options.h"
#include "tools/capture/outputs.h"
#include "tools/capture/plan.h"
#include "tools/capture/play.h"
#include "tools/imaging/contact_sheet.h"
#include "tools/imaging/png_writer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

Image ToImage(const host::Frame& frame) {
    Image image(frame.width, frame.height);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t p = frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)];
            image.At(x, y) = {float(p >> 16 & 0xFF) / 255, float(p >> 8 & 0xFF) / 255,
                              float(p & 0xFF) / 255};
        }
    return image;
}

std::string TimeName(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

class Progress {
public:
    explicit Progress(size_t total) : total(total), shown(isatty(fileno(stderr)) != 0) {}
    void Step(size_t done) {
        if (!shown) return;
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - last < std::chrono::milliseconds(200)) return;
        last = now;
        const double elapsed = std::chrono::duration<double>(now - start).count();
        const double rate = elapsed > 0 ? double(done) / elapsed : 0;
        const int left = rate > 0 ? int(double(total - done) / rate) : 0;
        const int filled = int(30.0 * double(done) / double(total));
        std::fprintf(stderr, "\r[%s%s] %3d%%  %6.1f frames/s  %d:%02d left ",
                     std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(30 - filled), '-').c_str(),
                     int(100.0 * double(done) / double(total)), rate, left / 60, left % 60);
        if (done == total) std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }

private:
    size_t total;
    bool shown;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last{};
};

// The outputs of one run: the video is opened with the first frame of its span, when the show
// is playing its music, so that the sound is taken from what the show plays, at its rate, not
// decoded a second time.
class Outputs {
public:
    explicit Outputs(const CaptureOptions& options) : options(options) {}

    // False when something could not be written (said on standard error) and the run must stop.
    bool Keep(const Shot& shot, const host::Frame& frame) {
        if (shot.video && !AddVideo(shot, frame)) return false;
        if (shot.still || shot.sheet) {
            const Image image = ToImage(frame);
            if (shot.still) ok &= WritePng(options.out + "/" + StillName(shot.time), image);
            if (shot.sheet) {
                sheetImages.push_back(image);
                const std::string time = TimeName(shot.time);
                sheetLabels.push_back(time.substr(0, time.size() - 2) + " s");
            }
        }
        return true;
    }

    // Closes the video and writes the sheet; false if any output could not be written.
    bool Finish(TextPainter& text) {
        if (videoOpen) ok &= video.Close();
        if (!options.sheet.empty()) {
            std::vector<const Image*> cells;
            for (const Image& image : sheetImages)
                cells.push_back(&image);
            ok &= WriteContactSheet(options.sheet, cells, 4, 320, 240, sheetLabels, &text);
        }
        return ok;
    }

    bool VideoFailed() const { return videoFailed; }

private:
    bool AddVideo(const Shot& shot, const host::Frame& frame) {
        const uint32_t rate = host::MusicRate();
        if (!videoOpen) {
            videoOpen = rate != 0 && video.Open(options.video, frame.width, frame.height,
                                                options.fps, int(rate));
            if (!videoOpen) {
                std::fprintf(stderr, "capture: cannot write %s\n", options.video.c_str());
                ok = false;
                videoFailed = true;
                return false;
            }
            audioAt = size_t(std::llround(shot.time * rate));
        }
        ok &= video.AddFrame(frame.pixels, frame.width, frame.height);
        // The sound up to the end of this frame, so the two stay interleaved.
        const size_t until = size_t(std::llround((shot.time + 1.0 / options.fps) * rate));
        if (until > audioAt) {
            sound.resize(2 * (until - audioAt));
            const size_t read = host::ReadMusic(audioAt, until - audioAt, sound.data());
            if (read > 0) ok &= video.AddAudio(sound.data(), read);
            audioAt = until;
        }
        return true;
    }

    const CaptureOptions& options;
    Mp4Writer video;
    bool videoOpen = false;
    bool videoFailed = false;
    std::vector<int16_t> sound;
    size_t audioAt = 0;
    std::vector<Image> sheetImages;
    std::vector<std::string> sheetLabels;
    bool ok = true;
};

} // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    bool help = false;
    std::string error;
    if (!ParseOptions(argc, argv, options, help, error)) {
        std::fprintf(stderr, "capture: %s\n\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!PrepareOutputs(options, error)) {
        std::fprintf(stderr, "capture: %s\n", error.c_str());
        return 1;
    }

    const std::vector<Shot> plan = PlanShots(options);
    // Quiet but for the progress bar and real trouble (which comes as a message box).
    host::ShowDebugOutput(false);
    TextPainter text;
    bool fastForward = true;
    for (;;) {
        Outputs outputs(options);
        Progress progress(plan.size());
        const PlayOutcome outcome = PlayShots(
            plan, fastForward,
            [&outputs](const Shot& shot, const host::Frame& frame) {
                return outputs.Keep(shot, frame);
            },
            [&progress](size_t presented) { progress.Step(presented); });
        if (!outcome.exact) {
            std::fprintf(stderr, "capture: clips of different sizes share a texture, so the "
                                 "frames before what is captured cannot be skipped exactly; "
                                 "playing every frame instead\n");
            fastForward = false;
            continue;
        }
        if (outputs.VideoFailed()) return 1;
        if (!outcome.finished) {
            std::fprintf(stderr, "capture: the show stopped at %.3f s, before all was captured\n",
                         plan[outcome.reached].time);
            return 1;
        }
        if (!outputs.Finish(text)) {
            std::fprintf(stderr, "capture: some output could not be written\n");
            return 1;
        }
        return 0;
    }
}
