#include "assets/file.h"
#include "platform/files/open_for_reading.h"

#include <sys/stat.h>

int32_t File::Open(const char* path) {
    Close();
    if (!path) return -1;
    // Read only: a data file the user may not write to must still load. Only a regular file is
    // opened, and never in a way that could block.
    handle = OpenFileForReading(path);
    return handle ? 0 : -1;
}

void File::Close() {
    if (handle) std::fclose(handle);
    handle = nullptr;
}

int32_t File::Read(void* buffer, uint32_t size) {
    if (!handle) return -1;
    return std::fread(buffer, 1, size, handle) == size ? 0 : -1;
}

uint64_t File::Remaining() {
    if (!handle) return 0;
    const long at = std::ftell(handle);
    struct stat info;
    if (at < 0 || ::fstat(::fileno(handle), &info) != 0 || info.st_size < at) return 0;
    return uint64_t(info.st_size - at);
}
