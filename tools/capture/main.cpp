// The capture tool: plays the show off screen on a virtual clock and writes an MP4 of a span,
// PNG stills at chosen music times, or a contact sheet of the scenes. See kUsage.
#include "app/driver.h"
#include "platform/host/host.h"
#include "tools/capture/mp4_writer.h"
#include "tools/capture/options.h"
#include "tools/capture/outputs.h"
#include "tools/imaging/contact_sheet.h"
#include "tools/imaging/png_writer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// One still a third into each scene of the schedule, and one two thirds into the last (its
// closing picture), to a tenth of a second.
std::vector<double> SheetTimes() {
    std::vector<double> times;
    const auto at = [](size_t scene, double fraction) {
        const double start = kShowSchedule.scenes[scene].start;
        const double end = EndOf(kShowSchedule, scene);
        return std::round((start + (end - start) * fraction) * 10) / 10;
    };
    for (size_t scene = 0; scene < kShowSchedule.count; ++scene)
        times.push_back(at(scene, 1.0 / 3));
    times.push_back(at(kShowSchedule.count - 1, 2.0 / 3));
    return times;
}

// A frame the run must present, at an exact music time.
struct Shot {
    double time;
    bool video;
    bool still;
    bool sheet;
};

// Every frame from 0 on at the frame rate, up to the last time anything is wanted, with the
// stills' exact times slotted in: the scenes keep state from frame to frame, so a still is
// only what a viewer would see if the show played up to it.
std::vector<Shot> PlanShots(const CaptureOptions& o) {
    std::map<double, Shot> shots;
    double last = 0;
    if (!o.video.empty()) last = o.to;
    for (double still : o.stills)
        last = std::max(last, still);
    const std::vector<double> sheetTimes = o.sheet.empty() ? std::vector<double>() : SheetTimes();
    for (double t : sheetTimes)
        last = std::max(last, t);
    for (int64_t n = 0; double(n) / o.fps < last; ++n) {
        const double t = double(n) / o.fps;
        shots[t] = Shot{t, !o.video.empty() && t >= o.from - 1e-9 && t < o.to - 1e-9, false, false};
    }
    for (double still : o.stills) {
        Shot& shot = shots.try_emplace(still, Shot{still, false, false, false}).first->second;
        shot.still = true;
    }
    for (double t : sheetTimes) {
        Shot& shot = shots.try_emplace(t, Shot{t, false, false, false}).first->second;
        shot.sheet = true;
    }
    std::vector<Shot> plan;
    for (const auto& entry : shots)
        plan.push_back(entry.second);
    return plan;
}

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
    // Opened with the first frame of the span, when the show is playing its music: the sound is
    // taken from what the show plays, at its rate, not decoded a second time.
    Mp4Writer video;
    bool videoOpen = false;
    std::vector<int16_t> sound;

    // Quiet but for the progress bar and real trouble (which comes as a message box).
    host::ShowDebugOutput(false);
    TextPainter text;
    std::vector<Image> sheetImages;
    std::vector<std::string> sheetLabels;
    size_t next = 0;
    size_t audioAt = 0;
    bool ok = true;
    Progress progress(plan.size());
    host::UseOffScreen([&](const host::Frame& frame) {
        if (next >= plan.size()) return; // the frame drawn while the run closes
        const Shot& shot = plan[next];
        if (shot.video) {
            const uint32_t rate = host::MusicRate();
            if (!videoOpen) {
                videoOpen = rate != 0 && video.Open(options.video, frame.width, frame.height,
                                                    options.fps, int(rate));
                if (!videoOpen) {
                    std::fprintf(stderr, "capture: cannot write %s\n", options.video.c_str());
                    ok = false;
                    next = plan.size();
                    host::RequestClose();
                    return;
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
        }
        if (shot.still || shot.sheet) {
            const Image image = ToImage(frame);
            if (shot.still) ok &= WritePng(options.out + "/" + StillName(shot.time), image);
            if (shot.sheet) {
                sheetImages.push_back(image);
                sheetLabels.push_back(
                    TimeName(shot.time).substr(0, TimeName(shot.time).size() - 2) + " s");
            }
        }
        progress.Step(++next);
        if (next < plan.size())
            host::SetVirtualTime(plan[next].time);
        else
            host::RequestClose();
    });
    host::SetVirtualTime(plan.empty() ? 0.0 : plan[0].time);
    WinMain(nullptr, nullptr, nullptr, 0);

    if (!ok && !videoOpen && !options.video.empty()) return 1;
    if (next < plan.size()) {
        std::fprintf(stderr, "capture: the show stopped at %.3f s, before all was captured\n",
                     plan[next].time);
        return 1;
    }
    if (videoOpen) ok &= video.Close();
    if (!options.sheet.empty()) {
        std::vector<const Image*> cells;
        for (const Image& image : sheetImages)
            cells.push_back(&image);
        ok &= WriteContactSheet(options.sheet, cells, 4, 320, 240, sheetLabels, &text);
    }
    if (!ok) std::fprintf(stderr, "capture: some output could not be written\n");
    return ok ? 0 : 1;
}
