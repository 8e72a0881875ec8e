// The 512 x 256 texture that each clip scene copies its video frames into and then draws over
// the screen.
#pragma once

#include "assets/video_texture.h"
#include "gfx/texture.h"

#include <cstdint>

constexpr int32_t kCanvasWidth = 512;
constexpr int32_t kCanvasHeight = 256;

// Locks the canvas, has `clip` write frame `frame` opaque with its top-left pixel at `column`
// of row 0, and unlocks. A frame the clip does not deliver leaves the canvas as it was.
void CopyClipFrame(VideoTexture& clip, uint32_t frame, Texture& canvas, uint32_t column);
