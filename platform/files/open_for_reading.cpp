#include "platform/files/open_for_reading.h"
#include "platform/files/resolve_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int OpenForReading(const std::string& path) {
    // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer; O_NOCTTY: a terminal
    // device does not become the program's.
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return -1;
    struct stat info;
    int error = 0;
    if (fstat(descriptor, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    // A regular file reads the same either way; blocking reads are what the readers expect.
    else if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error) {
        close(descriptor);
        errno = error;
        return -1;
    }
    return descriptor;
}

std::FILE* OpenFileForReading(const std::string& path) {
    const int descriptor = OpenForReading(ResolvePath(path));
    if (descriptor < 0) return nullptr;
    std::FILE* file = fdopen(descriptor, "rb");
    if (!file) close(descriptor);
    return file;
}

const char* NotARegularFile(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}
