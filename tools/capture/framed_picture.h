// A frame of the size the capture was asked for (--size), with the show's 4:3 picture in it.
#pragma once

#include "platform/host/host.h"

#include <cstdint>
#include <vector>

// `picture` (drawn at the size FitPicture gives for `width` x `height`) centred in a frame of
// `width` x `height` with black bars around it, kept in `storage`; the picture itself where it
// fills the frame.
host::Frame FramedPicture(const host::Frame& picture, int width, int height,
                          std::vector<uint32_t>& storage);
