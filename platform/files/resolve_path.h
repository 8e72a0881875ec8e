// Every file the program opens goes through here. Paths are relative to the working directory
// and written as on a case-insensitive file system ("Data/logo.jpg" and "data/avseq01.mp3" name
// the same folder), so each component that does not exist as written is matched without regard
// to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The path of an existing file or folder that `path` names, or `path` itself when none does.
// Both '/' and '\\' separate components.
std::string ResolvePath(const std::string& path);

// Reads the whole file that `path` names into `contents`: 0, or the errno value that says why
// it could not be opened or read (`contents` is then empty). Only a regular file is read
// (OpenForReading): EISDIR for a folder, EINVAL for a FIFO, device or socket; EFBIG for one of
// more than `largest` bytes, refused before anything is read.
int ReadWholeFile(const std::string& path, std::vector<uint8_t>& contents,
                  uint64_t largest = UINT64_MAX);
