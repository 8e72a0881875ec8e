// The clip "Data/kalf5.avi" behind a 5 x 5 x 5 grid of pulsing boxes wearing the picture
// "Data/paarsebalken.jpg" through swirling texture coordinates; the grid turns and the camera's
// field of view swings while its eye moves to keep the grid in view.
#pragma once

#include "assets/mesh.h"
#include "assets/video_texture.h"
#include "fx/camera.h"
#include "gfx/texture.h"

#include <cstdint>
#include <vector>

class BarsScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    BarsScene();
    // Destroys the clip; releases what only a successful Init made.
    ~BarsScene();

    // 0, or -1 after releasing what this call had made (the clip object waits for the
    // destructor).
    int32_t Init();
    // `milliseconds` is the show's running clock: it drives the boxes and the camera, the music
    // time the clip.
    int32_t Render(int32_t milliseconds);

    // The clip frame shown at music time `seconds` of a clip of `frameCount` frames: from 0 at
    // the scene's start to about frameCount / 2 - 48 at its end. A clip too short for that
    // (under 96 frames) shows frame 0 throughout.
    static uint32_t FrameAt(float seconds, uint32_t frameCount);

private:
    bool initialised;
    Mesh mesh;
    VideoTexture* video;
    Camera camera;
    Rotation rotation;
    Texture barsTexture;
    Texture canvas;
    // For each vertex of the box, the first vertex at the same position.
    std::vector<int32_t> samePosition;
};
