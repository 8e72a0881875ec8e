// A video file's frames decoded through FFmpeg, for the tests that check what the capture tool
// wrote.
#pragma once

#include "tests/support/png_files.h"

#include <functional>
#include <string>

// Decodes every video frame of the file at `path` in order, handing each to `onFrame` as RGB
// with its number, until `onFrame` returns false. The number of frames decoded; -1 when the
// file does not open or holds no video.
int DecodeVideo(const std::string& path, const std::function<bool(int, const RgbPicture&)>& onFrame);

// Frame `index` of the video at `path`, as RGB; false when it has none.
bool DecodeVideoFrame(const std::string& path, int index, RgbPicture& picture);
