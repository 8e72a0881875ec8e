// The opening: the clip "Data/trailer3.avi" runs forward to its last frame and back for 40
// frames over the first 11.5 seconds of music, on a white canvas, with a title picture
// multiplied over it ("Data/logo.jpg", from 7.5 s "Data/logo2.jpg").
#pragma once

#include "assets/video_texture.h"
#include "gfx/texture.h"

#include <cstdint>

class LogoScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    LogoScene();
    // Destroys the clip; releases the textures only a successful Init made.
    ~LogoScene();

    // 0, or -1 after releasing the textures this call had made.
    int32_t Init();
    // Driven by the music time alone; the milliseconds are not used.
    int32_t Render(int32_t milliseconds);

    // The clip frame shown at music time `seconds` of a clip of `frameCount` frames: forward to
    // the last frame, then back.
    static uint32_t FrameAt(float seconds, uint32_t frameCount);

private:
    bool initialised;
    VideoTexture* video;
    Texture canvas;
    Texture logo;
    Texture logo2;
};
