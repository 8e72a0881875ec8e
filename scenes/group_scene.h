// A clip playing forward and backward behind a twisted tube.
// So far it only keeps the scene contract: it loads nothing and draws nothing.
#pragma once

#include <cstdint>

class GroupScene {
public:
    // Acquires nothing, so destroying a scene whose Init never ran is safe.
    GroupScene();
    // Releases what a successful Init made.
    ~GroupScene();

    // 0, or negative after releasing whatever this call had made.
    int32_t Init();
    // Draws one frame into the frame the Renderer holds open. `milliseconds` counts from just
    // before the first frame of the show.
    int32_t Render(int32_t milliseconds);

private:
    bool initialised;
};
