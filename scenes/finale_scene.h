// The close: the clips "Data/vaan1.avi" and then "Data/pendulaEIND.avi", each stretched to 11.3 s
// of music on a white canvas added over the screen, and from 164.2 s the closing picture
// "Data/hwzykpa.jpg" fading towards black until the end.
#pragma once

#include "assets/video_texture.h"
#include "gfx/texture.h"

#include <cstdint>

class FinaleScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    FinaleScene();
    // Destroys both clips; releases the textures only a successful Init made.
    ~FinaleScene();

    // 0, or -1. The clips made so far wait for the destructor; the canvas is released here
    // when the closing picture fails to load.
    int32_t Init();
    // Driven by the music time alone; the milliseconds are not used.
    int32_t Render(int32_t milliseconds);

private:
    bool initialised;
    VideoTexture* firstClip;
    VideoTexture* secondClip;
    Texture canvas;
    Texture finalTexture;
    // Set on the first frame whose first-clip index runs past that clip; never cleared, so the
    // first clip is not shown again.
    bool onSecondClip;
};
