// AVI clips for the tests, encoded with libavcodec. Frame k shows its own number: four grey
// bands, top to bottom, each holding two bits of k (so up to 256 frames tell apart even
// through lossy codecs).
#pragma once

#include "tools/datagen/avi_writer.h"

#include <cstdint>
#include <functional>
#include <string>

bool WriteClip(const std::string& path, AviCodec codec, int width, int height, int frames);

// An uncompressed one-frame clip of a single grey level.
bool WriteGreyClip(const std::string& path, int width, int height, uint8_t grey);

// An uncompressed one-frame clip whose pixel (x, y) is colour(x, y), given as 0xRRGGBB.
bool WritePatternClip(const std::string& path, int width, int height,
                      const std::function<uint32_t(int, int)>& colour);

// An MJPEG clip whose first `largeFrames` frames are `largeWidth` x `largeHeight` and whose
// `smallFrames` frames after them are `smallWidth` x `smallHeight`, each JPEG at its own size
// (the stream's header gives the first size). Frame k is one grey level, 10 + 10 k.
bool WriteResizingClip(const std::string& path, int largeWidth, int largeHeight, int largeFrames,
                       int smallWidth, int smallHeight, int smallFrames);

// The grey level of band `band` in frame k.
uint8_t BandLevel(int frame, int band);

// The frame number shown in `width` x `height` A8R8G8B8 pixels (`pitch` bytes apart), or -1
// when the bands do not read as one.
int FrameShown(const uint32_t* pixels, int width, int height, int pitch);
