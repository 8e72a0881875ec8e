// One of the show's clips rendered and written as an H.264 AVI.
#pragma once

#include "tools/datagen/clips.h"

#include <string>

// Renders and writes every frame of `clip`; frames are rendered on `threads` threads, a batch
// at a time, and written in order. False (with a message) on failure.
bool WriteClip(const std::string& path, const ClipSpec& clip, int threads);
