// FFmpeg's log, quietened: what it says at error level or worse reaches the debug output once
// per file and reason, prefixed with the file's path; everything else is dropped. A damaged clip
// that fails on every frame says so once, not once a frame.
#pragma once

// Routes FFmpeg's log as above; any number of calls install it once.
void QuietFfmpegLog();

// Names the file whose FFmpeg calls follow on this thread, while the object lives.
class FfmpegLogFile {
public:
    explicit FfmpegLogFile(const char* path);
    ~FfmpegLogFile();
    FfmpegLogFile(const FfmpegLogFile&) = delete;
    FfmpegLogFile& operator=(const FfmpegLogFile&) = delete;

private:
    const char* previous;
};
