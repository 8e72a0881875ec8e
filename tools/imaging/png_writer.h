// PNG files through libpng.
#pragma once

#include "tools/imaging/image.h"

#include <string>

bool WritePng(const std::string& path, const Image& image);
