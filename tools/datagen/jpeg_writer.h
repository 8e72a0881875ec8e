// Baseline JPEG through libjpeg.
#pragma once

#include "tools/imaging/image.h"

#include <string>

bool WriteJpeg(const std::string& path, const Image& image, int quality = 92);
