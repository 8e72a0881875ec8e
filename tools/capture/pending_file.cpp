#include "tools/capture/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The permissions a newly created file gets here (mkstemp makes its files private).
mode_t NewFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = umask(0);
        umask(mask);
        return mode_t(0666 & ~mask);
    }();
    return mode;
}

} // namespace

PendingFile::~PendingFile() {
    Discard();
}

bool PendingFile::Create(const std::string& path, std::string& error) {
    Discard();
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int descriptor = mkstemp(buffer.data());
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    fchmod(descriptor, NewFileMode());
    close(descriptor);
    target = path;
    temporary = buffer.data();
    return true;
}

bool PendingFile::Commit(std::string& error) {
    if (temporary.empty()) {
        error = "cannot write " + target + ": nothing was written";
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    temporary.clear();
    return true;
}

void PendingFile::Discard() {
    if (!temporary.empty()) unlink(temporary.c_str());
    temporary.clear();
}
