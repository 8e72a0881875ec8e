// The zoom-blurred photograph and the shape between cube and sphere.
// So far it only keeps the scene contract: it loads nothing and draws nothing.
#pragma once

#include <cstdint>

class PhotoScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    PhotoScene();
    // Releases what a successful Init made.
    ~PhotoScene();

    // 0, or negative after releasing whatever this call had made.
    int32_t Init();
    // Draws one frame into the frame the Renderer holds open. `milliseconds` counts from just
    // before the first frame of the show.
    int32_t Render(int32_t milliseconds);

private:
    bool initialised;
};
