// The capture tool: plays the show off screen on a virtual clock and writes an MP4 of a span,
// PNG stills at chosen music times, or a contact sheet of the scenes. See kUsage.
#include "app/driver.h"
#include "platform/host/host.h"
#include "platform/host/letterbox.h"
#include "tools/capture/framed_picture.h"
#include "tools/capture/interrupt.h"
#include "tools/capture/memory_limit.h"
#include "tools/capture/mp4_writer.h"
#include "tools/capture/options.h"
#include "tools/capture/outputs.h"
#include "tools/capture/pending_file.h"
#include "tools/capture/plan.h"
#include "tools/capture/play.h"
#include "tools/imaging/contact_sheet.h"
#include "tools/imaging/frame_image.h"
#include "tools/imaging/png_writer.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
        if (done == total) End();
        std::fflush(stderr);
    }

    // Ends the bar's line, so that what follows starts on a line of its own.
    void End() {
        if (shown && !ended) std::fprintf(stderr, "\n");
        ended = true;
    }

private:
    size_t total;
    bool shown;
    bool ended = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last{};
};

// The outputs of one run, each written under a temporary name and put in place when whole.
// The video is opened with the first frame of its span, when the show is playing its music, so
// that the sound is taken from what the show plays, at its rate, not decoded a second time.
class Outputs {
public:
    explicit Outputs(const CaptureOptions& options) : options(options) {}
    ~Outputs() {
        if (hashFile) std::fclose(hashFile);
    }
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;

    // False when an output could not be written (Problem() says which and why): the run stops.
    // `picture` is the show's picture, which a --size frame holds between bars; the sheet takes
    // the picture alone.
    bool Keep(const Shot& shot, const host::Frame& picture) {
        const host::Frame frame =
            options.width ? FramedPicture(picture, options.width, options.height, framed) : picture;
        if (shot.video && !AddVideo(shot, frame)) return false;
        if (shot.hashed && !AddHash(shot, frame)) return false;
        if (shot.still && !WriteStill(shot.time, ImageOfFrame(frame))) return false;
        if (shot.sheet) {
            sheetImages.push_back(ImageOfFrame(picture));
            const std::string time = TimeName(shot.time);
            sheetLabels.push_back(time.substr(0, time.size() - 2) + " s");
        }
        return true;
    }

    // Finishes the video and the hashes and writes the sheet; false if any could not be
    // written.
    bool Finish(TextPainter& text) {
        if (!FinishVideo() || !FinishHashes()) return false;
        if (options.sheet.empty()) return true;
        std::vector<const Image*> cells;
        for (const Image& image : sheetImages)
            cells.push_back(&image);
        PendingFile sheet;
        std::string why;
        if (!sheet.Create(options.sheet, problem)) return false;
        // Cells of half the picture: 320 x 240 from the show's own size.
        const int cellWidth = std::max(1, cells.front()->Width() / 2);
        const int cellHeight = std::max(1, cells.front()->Height() / 2);
        if (!WriteContactSheet(sheet.Path(), cells, 4, cellWidth, cellHeight, sheetLabels, &text,
                               &why))
            return Failed(options.sheet, why);
        return sheet.Commit(problem);
    }

    // Finishes the video as far as it got, for a run that was interrupted; false if it could
    // not be.
    bool FinishVideo() {
        if (!video.Pending()) return true;
        if (!writer.Close()) {
            video.Discard();
            return Failed(options.video, writer.Problem());
        }
        return video.Commit(problem);
    }

    bool VideoStarted() const { return videoStarted; }
    int64_t VideoFrames() const { return writer.PicturesWritten(); }
    const std::string& Problem() const { return problem; }

private:
    bool Failed(const std::string& path, const std::string& why) {
        problem = "cannot write " + path + ": " + (why.empty() ? "the write failed" : why);
        return false;
    }

    // A line for the frame: its number at the frame rate, its music time and the FNV-1a hash of
    // its pixels (0xAARRGGBB words, top row first).
    bool AddHash(const Shot& shot, const host::Frame& frame) {
        if (!hashes.Pending()) {
            if (!hashes.Create(options.frameHashes, problem)) return false;
            hashFile = std::fopen(hashes.Path().c_str(), "w");
            if (!hashFile) return Failed(options.frameHashes, std::strerror(errno));
        }
        uint64_t hash = 14695981039346656037ull;
        const size_t count = size_t(frame.width) * size_t(frame.height);
        for (size_t i = 0; i < count; ++i)
            hash = (hash ^ frame.pixels[i]) * 1099511628211ull;
        if (std::fprintf(hashFile, "%lld %.6f %016llx\n",
                         static_cast<long long>(std::llround(shot.time * options.fps)), shot.time,
                         static_cast<unsigned long long>(hash)) < 0)
            return Failed(options.frameHashes, std::strerror(errno));
        return true;
    }

    bool FinishHashes() {
        if (!hashes.Pending()) return true;
        const bool written = std::fclose(hashFile) == 0;
        hashFile = nullptr;
        if (!written) {
            const std::string why = std::strerror(errno);
            hashes.Discard();
            return Failed(options.frameHashes, why);
        }
        return hashes.Commit(problem);
    }

    bool WriteStill(double time, const Image& image) {
        const std::string path = options.out + "/" + StillName(time);
        PendingFile still;
        std::string why;
        if (!still.Create(path, problem)) return false;
        if (!WritePng(still.Path(), image, &why)) return Failed(path, why);
        return still.Commit(problem);
    }

    bool AddVideo(const Shot& shot, const host::Frame& frame) {
        const uint32_t rate = host::MusicRate();
        if (!videoStarted) {
            videoStarted = true;
            if (rate == 0) return Failed(options.video, "the show plays no music");
            if (!video.Create(options.video, problem)) return false;
            if (!writer.Open(video.Path(), frame.width, frame.height, options.fps, int(rate))) {
                video.Discard();
                return Failed(options.video, writer.Problem());
            }
            audioAt = size_t(std::llround(shot.time * rate));
        }
        bool ok = writer.AddFrame(frame.pixels, frame.width, frame.height);
        // The sound up to the end of this frame, so the two stay interleaved.
        const size_t until = size_t(std::llround((shot.time + 1.0 / options.fps) * rate));
        if (ok && until > audioAt) {
            sound.resize(2 * (until - audioAt));
            const size_t read = host::ReadMusic(audioAt, until - audioAt, sound.data());
            if (read > 0) ok = writer.AddAudio(sound.data(), read);
            audioAt = until;
        }
        if (ok) return true;
        // The encoding stopped at its first failure; what it made is not a video.
        writer.Close();
        video.Discard();
        return Failed(options.video, writer.Problem());
    }

    const CaptureOptions& options;
    PendingFile hashes;
    std::FILE* hashFile = nullptr;
    PendingFile video;
    Mp4Writer writer;
    bool videoStarted = false;
    std::vector<int16_t> sound;
    size_t audioAt = 0;
    std::vector<uint32_t> framed;
    std::vector<Image> sheetImages;
    std::vector<std::string> sheetLabels;
    std::string problem;
};

// Makes the outputs' paths absolute (they are named from where the tool runs) and moves into
// the data folder, which the show reads from; false with the reason when it cannot.
bool ReadDataFrom(CaptureOptions& options, std::string& error) {
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here)) {
        error = std::string("cannot tell the current folder: ") + std::strerror(errno);
        return false;
    }
    for (std::string* path : {&options.video, &options.sheet, &options.out, &options.frameHashes})
        if (!path->empty() && (*path)[0] != '/') *path = std::string(here) + "/" + *path;
    if (chdir(options.data.c_str()) != 0) {
        error = "cannot read the data in " + options.data + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Whether the plan shows any frame of the span.
bool SpanHasFrames(const std::vector<Shot>& plan) {
    for (const Shot& shot : plan)
        if (shot.video || shot.hashed) return true;
    return false;
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    case SIGQUIT:
        return "SIGQUIT";
    default:
        return "a signal";
    }
}

} // namespace

namespace {

int Capture(int argc, char** argv) {
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
    if (!options.data.empty() && !ReadDataFrom(options, error)) {
        std::fprintf(stderr, "capture: %s\n", error.c_str());
        return 2;
    }
    const std::vector<Shot> plan = PlanShots(options);
    if ((!options.video.empty() || !options.frameHashes.empty()) && !SpanHasFrames(plan)) {
        std::fprintf(stderr,
                     "capture: the span from %g to %g s holds no frame at %d frames a "
                     "second\n",
                     options.from, options.to, options.fps);
        return 2;
    }
    // A memory limit the driver cannot work under is refused now, not met as a crash.
    const uint64_t limit = AddressSpaceLimit();
    const uint64_t needed =
        AddressSpaceNeeded(options.width, options.height, !options.video.empty(),
                           int(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN))));
    if (limit && limit < needed) {
        std::fprintf(stderr,
                     "capture: the memory limit (ulimit -v) of %llu MB is below the %llu MB this "
                     "capture needs, much of it for OpenGL's software driver\n",
                     static_cast<unsigned long long>(limit >> 20),
                     static_cast<unsigned long long>((needed + (1 << 20) - 1) >> 20));
        return 2;
    }
    std::vector<std::string> madeFolders;
    if (!PrepareOutputs(options, madeFolders, error)) {
        std::fprintf(stderr, "capture: %s\n", error.c_str());
        return 2;
    }

    // Quiet but for the progress bar and real trouble (which comes as a message box).
    host::ShowDebugOutput(false);
    // The show drawn at the picture that fits the frames asked for, else at its own size.
    const PictureRect picture = options.width ? FitPicture(options.width, options.height, 640, 480)
                                              : PictureRect{0, 0, 0, 0};
    TextPainter text;
    bool fastForward = true;
    for (;;) {
        Outputs outputs(options);
        Progress progress(plan.size());
        size_t presented = 0;
        const PlayOutcome outcome = PlayShots(
            plan, fastForward,
            [&outputs](const Shot& shot, const host::Frame& frame) {
                return Interruption() == 0 && outputs.Keep(shot, frame);
            },
            [&progress, &presented](size_t count) {
                presented = count;
                progress.Step(count);
                return Interruption() == 0;
            },
            picture.width, picture.height);
        if (const int signal = Interruption()) {
            progress.End();
            const double reached = plan[std::min(presented, plan.size() - 1)].time;
            if (!outputs.VideoStarted()) {
                std::fprintf(stderr, "capture: stopped by %s at %.3f s of music\n",
                             SignalName(signal), reached);
            } else if (outputs.FinishVideo()) {
                const int64_t frames = outputs.VideoFrames();
                std::fprintf(stderr,
                             "capture: stopped by %s at %.3f s of music; %s holds the first "
                             "%lld frames of the span (%.3f s)\n",
                             SignalName(signal), reached, options.video.c_str(),
                             static_cast<long long>(frames), double(frames) / options.fps);
            } else {
                std::fprintf(stderr, "capture: stopped by %s; %s\n", SignalName(signal),
                             outputs.Problem().c_str());
            }
            RemoveMadeFolders(madeFolders);
            return 128 + signal;
        }
        if (outcome.pastMusic) {
            std::fprintf(stderr,
                         "capture: the music (%s) lasts %.3f s, and %.3f s is past its end\n",
                         kMusicFile, outcome.musicSeconds, plan.back().time);
            RemoveMadeFolders(madeFolders);
            return 2;
        }
        if (!outcome.exact) {
            std::fprintf(stderr, "capture: clips of different sizes share a texture, so the "
                                 "frames before what is captured cannot be skipped exactly; "
                                 "playing every frame instead\n");
            fastForward = false;
            continue;
        }
        std::string failure = outputs.Problem();
        if (failure.empty() && !outcome.finished) {
            char said[96];
            std::snprintf(said, sizeof said, "the show stopped at %.3f s, before all was captured",
                          plan[outcome.reached].time);
            failure = said;
        }
        if (failure.empty() && !outputs.Finish(text)) failure = outputs.Problem();
        if (failure.empty()) return 0;
        progress.End();
        std::fprintf(stderr, "capture: %s\n", failure.c_str());
        RemoveMadeFolders(madeFolders);
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    // First of all: even the usage text goes to a standard error that may be a closed pipe.
    CatchInterrupts();
    try {
        return Capture(argc, argv);
    } catch (const std::bad_alloc&) {
        // The outputs' temporaries went with the objects that held them.
        std::fprintf(stderr, "capture: out of memory\n");
        return 1;
    }
}
