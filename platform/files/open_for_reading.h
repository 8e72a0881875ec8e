// Every data file is opened through here, never with a plain open: a FIFO, a device or a socket
// put where a data file should be would block a plain open (or the first read) until something
// else wrote to it, and the program would hang before saying anything. Here the open never
// blocks, and anything but a regular file is refused before a byte is read.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

// A descriptor for reading the regular file at `path` (already resolved), or -1 with errno set:
// EISDIR for a folder, EINVAL for any other thing that is not a regular file, or the open's own.
int OpenForReading(const std::string& path);

// The file `path` names (through ResolvePath) as a stream for reading, under the same rule, or
// null.
std::FILE* OpenFileForReading(const std::string& path);

// What a file of `mode` is when it is not a regular file ("a folder", "a FIFO", "a socket",
// "a device"), or null for a regular file.
const char* NotARegularFile(mode_t mode);
