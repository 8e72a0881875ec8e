// The show's video clips, rendered frame by frame from code: each a short procedural 3D
// animation.
#pragma once

#include "tools/imaging/image.h"

#include <functional>
#include <string>
#include <vector>

struct ClipSpec {
    std::string name;
    int width;
    int height;
    int frames;
    // Paints frame `frame` into an image of the clip's size.
    std::function<void(int frame, Image&)> render;
};

std::vector<ClipSpec> ShowClips();
