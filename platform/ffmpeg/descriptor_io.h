// FFmpeg reading a file the program opened itself (OpenForReading), so that FFmpeg never opens
// a data file on its own: its file protocol would block on a FIFO put where a clip should be.
#pragma once

extern "C" {
#include <libavformat/avio.h>
}

// An I/O context reading and seeking `descriptor`, which it does not own; null when memory runs
// out. Give it to the format context's `pb` (with AVFMT_FLAG_CUSTOM_IO) before opening.
AVIOContext* NewDescriptorReader(int descriptor);

// Frees what NewDescriptorReader made (its buffer too) and clears `*reader`.
void FreeDescriptorReader(AVIOContext** reader);
