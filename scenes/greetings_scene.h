// A tunnel of "Data/retro.jpg": a flat grid before the camera whose texture coordinates and
// brightness come from casting a ray per vertex against a cylinder round the view axis, drawn
// four times added up, each copy further back and twisted more. From 88.2 s to 113.1 s of music
// the eight greeting pictures "Data/greet1.jpg" to "Data/greet8.jpg" show over it in turn.
#pragma once

#include "fx/camera.h"
#include "gfx/texture.h"
#include "scenes/timer.h"

#include <cstdint>

class GreetingsScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    GreetingsScene();
    // Releases the textures only a successful Init loaded, and the scene's clock.
    ~GreetingsScene();

    // 0, or -1 after releasing, in reverse order, the textures this call had loaded.
    int32_t Init();
    // The scene runs on a clock of its own that starts at its first frame; the argument is not
    // used. The music time chooses the greeting.
    int32_t Render(int32_t milliseconds);

    static constexpr int kGreetings = 8;

private:
    bool initialised;
    Camera camera;
    Rotation rotation;
    Texture tunnelTexture;
    Texture greetingTextures[kGreetings];
    Timer* timer;
};
