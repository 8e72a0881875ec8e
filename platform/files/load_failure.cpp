#include "platform/files/load_failure.h"
#include "platform/files/open_for_reading.h"
#include "platform/files/resolve_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string latest;

} // namespace

void NoteLoadFailure(const std::string& path, const std::string& reason) {
    latest = path + ": " + reason;
}

std::string TakeLoadFailure() {
    std::string taken;
    taken.swap(latest);
    return taken;
}

std::string WhyUnreadable(const std::string& path, uint64_t largest) {
    const std::string resolved = ResolvePath(path);
    struct stat info;
    if (stat(resolved.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR
                   ? "missing"
                   : std::string("unreadable (") + std::strerror(errno) + ")";
    if (const char* kind = NotARegularFile(info.st_mode)) return std::string(kind) + ", not a file";
    if (uint64_t(info.st_size) > largest)
        return "too large (" + std::to_string(info.st_size) + " bytes; at most " +
               std::to_string(largest) + ")";
    const int descriptor = OpenForReading(resolved);
    if (descriptor < 0) return std::string("unreadable (") + std::strerror(errno) + ")";
    close(descriptor);
    return std::string();
}
