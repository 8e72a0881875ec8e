// The clip "Data/group6.avi" playing forward over five seconds of music, then backward over the
// next five, and so on, behind a tube wearing "Data/1.jpg" that twists about its long axis,
// with the reflection "Data/gejat1.jpg" added over it; from 57 s the camera bounces.
#pragma once

#include "assets/mesh.h"
#include "assets/video_texture.h"
#include "fx/camera.h"
#include "gfx/texture.h"

#include <cstdint>

class GroupScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe. The clip starts
    // forward at 45.7 s, the scene's start.
    GroupScene();
    // Destroys the clip; releases what only a successful Init made.
    ~GroupScene();

    // 0, or -1 after releasing what this call had made (the clip object waits for the
    // destructor).
    int32_t Init();
    // `milliseconds` is the show's running clock: it drives the twist; the music time drives
    // the clip and the bounce.
    int32_t Render(int32_t milliseconds);

private:
    // Picks the clip frame for music time `seconds` and moves the playback state on.
    int32_t NextClipFrame(float seconds, uint32_t frameCount);

    bool initialised;
    Mesh mesh;
    Camera camera;
    Rotation rotation;
    Texture environmentTexture;
    Texture tubeTexture;
    Texture canvas;
    VideoTexture* video;
    // Music time at which the current run began, always on a five-second grid from 45.7 s
    // unless the music went back before it; kept from frame to frame, changed only by Render.
    float clipStart;
    bool playingBackward;
};
