#include "tools/capture/outputs.h"
#include "tools/capture/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

std::string Reason() {
    return std::strerror(errno);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file `path` names once links are followed, so that two spellings of one file compare
// equal: the file itself where it exists, else its folder's real path and its name.
std::string Identity(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!realpath(FolderOf(path).c_str(), resolved)) return path;
    return std::string(resolved) + "/" + name;
}

// Whether `path` may be written: nothing there, or a regular file it may replace, and a folder
// that takes a new file (tried with a temporary that is removed at once).
bool CanWriteFile(const std::string& path, std::string& error) {
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            error = "cannot write " + path + ": it is " + KindOf(info.st_mode);
            return false;
        }
        if (access(path.c_str(), W_OK) != 0) {
            error = "cannot write " + path + ": " + Reason();
            return false;
        }
    }
    PendingFile trial;
    return trial.Create(path, error);
}

// Makes `folder` and the folders above it that are missing, noting each it made.
bool MakeFolder(const std::string& folder, std::vector<std::string>& made, std::string& error) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) == 0)
            made.push_back(part);
        else if (errno != EEXIST) {
            error = "cannot make the folder " + part + ": " + Reason();
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

bool CheckOutputs(const CaptureOptions& options, std::vector<std::string>& madeFolders,
                  std::string& error) {
    std::map<std::string, double> stillNames;
    for (double still : options.stills)
        if (!stillNames.emplace(StillName(still), still).second) {
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
        } else if (!MakeFolder(options.out, madeFolders, error)) {
            return false;
        }
        if (access(options.out.c_str(), W_OK | X_OK) != 0) {
            error = "cannot write stills into " + options.out + ": " + Reason();
            return false;
        }
    }
    std::map<std::string, std::string> seen;
    for (const std::string& path : OutputPaths(options)) {
        const auto [other, added] = seen.emplace(Identity(path), path);
        if (!added) {
            error = other->second == path ? path + " is named twice as an output"
                                          : path + " and " + other->second + " are the same file";
            return false;
        }
    }
    for (const std::string& path : OutputPaths(options))
        if (!CanWriteFile(path, error)) return false;
    return true;
}

} // namespace

std::string StillName(double seconds) {
    // Three decimals, or as many more as the time needs to be read back as itself, so that a
    // name never shows another time (190.9999 is not "191.000"). -0 is 0.
    char text[64];
    for (int decimals = 3; decimals <= 17; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, seconds + 0.0);
        if (std::strtod(text, nullptr) == seconds) break;
    }
    return std::string("still-") + text + ".png";
}

std::vector<std::string> OutputPaths(const CaptureOptions& options) {
    std::vector<std::string> paths;
    if (!options.video.empty()) paths.push_back(options.video);
    for (double still : options.stills)
        paths.push_back(options.out + "/" + StillName(still));
    if (!options.sheet.empty()) paths.push_back(options.sheet);
    if (!options.frameHashes.empty()) paths.push_back(options.frameHashes);
    return paths;
}

bool PrepareOutputs(const CaptureOptions& options, std::vector<std::string>& madeFolders,
                    std::string& error) {
    if (CheckOutputs(options, madeFolders, error)) return true;
    RemoveMadeFolders(madeFolders);
    return false;
}

void RemoveMadeFolders(std::vector<std::string>& madeFolders) {
    for (auto folder = madeFolders.rbegin(); folder != madeFolders.rend(); ++folder)
        rmdir(folder->c_str());
    madeFolders.clear();
}
