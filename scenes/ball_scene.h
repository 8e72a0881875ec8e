// The wobbling ball of "Data/ball.msh", lit by one light and turning about all three axes, in
// three sections of music time: before 23.2 s four additive reflections of "Data/gejat1.jpg"
// under the band "Data/glintvat.jpg" at half intensity; from 23.2 s the band as the background
// and the ball with its surface "Data/bot1.jpg" while the camera pumps; from 33 s a fast spin
// with a strong highlight.
#pragma once

#include "assets/mesh.h"
#include "fx/camera.h"
#include "gfx/texture.h"

#include <cstdint>

class BallScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    BallScene();
    // Releases what a successful Init made.
    ~BallScene();

    // 0, or -1 after releasing what this call had made. A ball of 32768 vertices or triangles
    // or more is refused: the draw takes 16-bit counts.
    int32_t Init();
    // `milliseconds` is the show's running clock (about 11500 when the scene begins): it drives
    // the wobble and the turn, the music time the sections.
    int32_t Render(int32_t milliseconds);

private:
    bool initialised;
    Mesh mesh;
    Camera camera;
    Rotation rotation;
    Texture environmentTexture;
    Texture surfaceTexture;
    Texture bandTexture;
};
