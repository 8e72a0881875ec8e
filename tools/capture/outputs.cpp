#include "tools/capture/outputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

std::string Reason() {
    return std::strerror(errno);
}

// Whether `path` can be written as a file, leaving nothing behind that was not there.
bool CanWriteFile(const std::string& path, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = "cannot write " + path + ": it is a folder";
            return false;
        }
        const int descriptor = open(path.c_str(), O_WRONLY);
        if (descriptor < 0) {
            error = "cannot write " + path + ": " + Reason();
            return false;
        }
        close(descriptor);
        return true;
    }
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + Reason();
        return false;
    }
    close(descriptor);
    unlink(path.c_str());
    return true;
}

// Makes `folder` and the folders above it that are missing.
bool MakeFolder(const std::string& folder, std::string& error) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot make the folder " + part + ": " + Reason();
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

} // namespace

std::string StillName(double seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "still-%.3f.png", seconds);
    return text;
}

bool PrepareOutputs(const CaptureOptions& options, std::string& error) {
    std::set<std::string> names;
    for (double still : options.stills)
        if (!names.insert(StillName(still)).second) {
            error = "two stills would both be written as " + StillName(still);
            return false;
        }
    if (!options.stills.empty()) {
        struct stat info;
        if (stat(options.out.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                error = "cannot write stills into " + options.out + ": it is not a folder";
                return false;
            }
        } else if (!MakeFolder(options.out, error)) {
            return false;
        }
        if (access(options.out.c_str(), W_OK | X_OK) != 0) {
            error = "cannot write stills into " + options.out + ": " + Reason();
            return false;
        }
    }
    for (const std::string* file : {&options.video, &options.sheet})
        if (!file->empty() && !CanWriteFile(*file, error)) return false;
    return true;
}
