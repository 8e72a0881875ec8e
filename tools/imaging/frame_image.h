// A presented frame as an Image, for the tools that write the show's pictures.
#pragma once

#include "platform/host/host.h"
#include "tools/imaging/image.h"

Image ImageOfFrame(const host::Frame& frame);
