#include "tools/capture/pending_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

PendingFile::~PendingFile() {
    Discard();
}

std::string PendingFile::TemporaryName(const std::string& name, long pid) {
    const std::string ending = "." + std::to_string(pid) + ".partial";
    // NAME_MAX is what Linux file systems take; a name too long to carry the ending is known
    // by its hash instead.
    if (1 + name.size() + ending.size() <= NAME_MAX) return "." + name + ending;
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return ".capture-" + std::string(hex) + ending;
}

namespace {

// Removes from `folder` the temporaries for `name` whose writers have gone.
void RemoveStale(const std::string& folder, const std::string& name) {
    const std::string example = PendingFile::TemporaryName(name, 0);
    const std::string stem = example.substr(0, example.size() - std::strlen("0.partial"));
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    std::vector<std::string> stale;
    while (const dirent* entry = readdir(dir)) {
        const std::string found = entry->d_name;
        if (found.size() <= stem.size() + 8 || found.compare(0, stem.size(), stem) != 0 ||
            found.compare(found.size() - 8, 8, ".partial") != 0)
            continue;
        const std::string digits = found.substr(stem.size(), found.size() - stem.size() - 8);
        if (digits.empty() || digits.size() > 10 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::atol(digits.c_str());
        // Gone: no such process (one that exists but is another user's is not gone).
        if (pid != long(getpid()) && kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            stale.push_back(folder + found);
    }
    closedir(dir);
    for (const std::string& path : stale)
        unlink(path.c_str());
}

} // namespace

bool PendingFile::Create(const std::string& path, std::string& error) {
    Discard();
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    RemoveStale(folder, name);
    const std::string candidate = folder + TemporaryName(name, long(getpid()));
    // Left by this very process (an earlier try of the same run): it goes first.
    unlink(candidate.c_str());
    const int descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    close(descriptor);
    target = path;
    temporary = candidate;
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
