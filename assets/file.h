// A file read from the start in exact-size pieces; what the mesh reader needs of the operating
// system's file service.
#pragma once

#include <cstdint>
#include <cstdio>

class File {
public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // 0, or -1 when `path` names no readable file. Closes any file open before.
    int32_t Open(const char* path);
    void Close();
    // 0 when exactly `size` bytes were read, -1 when fewer remained or reading failed.
    int32_t Read(void* buffer, uint32_t size);
    // Bytes from the read position to the end.
    uint64_t Remaining();

private:
    std::FILE* handle = nullptr;
};
