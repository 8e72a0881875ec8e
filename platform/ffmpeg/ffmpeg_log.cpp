#include "platform/ffmpeg/ffmpeg_log.h"
#include "platform/win32/win32.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace {

thread_local const char* currentFile = nullptr;

std::mutex said;
// (file, reason) pairs already reported; the reason is FFmpeg's format string, the same for
// every occurrence whatever numbers it is filled with.
std::set<std::pair<std::string, std::string>> reported;

void Log(void* /*context*/, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_ERROR || !format) return;
    const std::string file = currentFile ? currentFile : "audio or video data";
    {
        std::lock_guard<std::mutex> lock(said);
        if (!reported.emplace(file, format).second) return;
    }
    char message[512];
    std::vsnprintf(message, sizeof message, format, arguments);
    std::string line = file + ": " + message;
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    line += '\n';
    OutputDebugStringA(line.c_str());
}

} // namespace

void QuietFfmpegLog() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(&Log);
    });
}

FfmpegLogFile::FfmpegLogFile(const char* path) : previous(currentFile) {
    currentFile = path;
}

FfmpegLogFile::~FfmpegLogFile() {
    currentFile = previous;
}
