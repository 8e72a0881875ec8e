// The photograph "Data/pleksvriendin.jpg" as seven faint additive layers that pulse like a zoom
// blur (twisting from 127.6 s of music), and in front a lit, tumbling cube wearing
// "Data/goodyokek.jpg" that drifts about a fixed sphere: every part of it that comes inside the
// sphere is pushed out onto its surface, so the shape moves between cube and ball.
#pragma once

#include "assets/mesh.h"
#include "fx/camera.h"
#include "gfx/texture.h"

#include <cstdint>

class PhotoScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    PhotoScene();
    // Releases what a successful Init made.
    ~PhotoScene();

    // 0, or -1 after releasing what this call had made.
    int32_t Init();
    // `milliseconds` is the show's running clock: it drives the pulse, the drift and the turn;
    // the music time switches the layers' twist on.
    int32_t Render(int32_t milliseconds);

private:
    bool initialised;
    Mesh shape;
    Camera camera;
    Rotation rotation;
    Texture shapeTexture;
    Texture backgroundTexture;
};
