// PNG files through libpng.
#pragma once

#include "tools/imaging/image.h"

#include <string>

// Writes `image` to `path`; false when it cannot, with the system's reason (such as "No space
// left on device") in `why` where given. libpng says nothing on standard error.
bool WritePng(const std::string& path, const Image& image, std::string* why = nullptr);
