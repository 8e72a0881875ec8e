// An AVI clip as a frame source for a texture: it opens the clip's first video stream and, on
// request, writes one decoded frame as A8R8G8B8 pixels into memory the caller has locked.
#pragma once

#include "platform/avifile/vfw.h"

#include <cstdint>

class VideoTexture {
public:
    VideoTexture();
    ~VideoTexture();
    VideoTexture(const VideoTexture&) = delete;
    VideoTexture& operator=(const VideoTexture&) = delete;

    // 1, or 0 (leaving the object as it was) for a missing or undecodable clip, a file without
    // video, or an object already open. `spaceWidth` x `spaceHeight` is the room the caller
    // gives each frame in its texture: a larger clip is cut to it, never written past it.
    int32_t Open(const char* path, uint32_t spaceWidth, uint32_t spaceHeight);
    // 1 if the object was open, 0 if not.
    int32_t Close();
    uint32_t FrameCount() const { return frameCount; }
    uint32_t Width() const { return width; }
    uint32_t Height() const { return height; }

    // Writes frame `frameIndex` upright at `bits`, rows `pitch` bytes apart: 1, or 0 when the
    // clip delivers no such frame (nothing is written). keyFactor 0 copies opaque; otherwise
    // alpha = min((765 - B - G - R) x keyFactor, 255) and the colour is premultiplied by
    // alpha / 256, so light areas turn transparent.
    int32_t CopyFrame(uint32_t frameIndex, uint32_t* bits, int32_t pitch, int32_t keyFactor);

private:
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA info{};
    PGETFRAME decoder = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t frameCount = 0;
    int32_t open = 0;
    uint32_t spaceWidth = 0;
    uint32_t spaceHeight = 0;
};
