// The show's video clips, rendered frame by frame from code: each a short procedural 3D
// animation.
#pragma once

#include "tools/datagen/avi_writer.h"
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
    // How it is encoded: the quality each clip needs to keep its detail, and key frames closer
    // together for a clip that is also played backwards, each step back then decoding a few
    // frames at most.
    H264Settings coding;
};

std::vector<ClipSpec> ShowClips();
