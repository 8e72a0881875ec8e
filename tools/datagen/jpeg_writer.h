// Baseline JPEG through libjpeg.
#pragma once

#include "tools/datagen/image.h"

#include <string>

bool WriteJpeg(const std::string& path, const Image& image, int quality = 92);
