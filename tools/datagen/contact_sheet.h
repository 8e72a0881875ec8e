// A PNG of small copies of pictures, for looking at the data set at a glance.
#pragma once

#include "tools/datagen/image.h"

#include <string>
#include <vector>

// Lays the images out in rows of `columns`, each scaled to 160 x 120.
bool WriteContactSheet(const std::string& path, const std::vector<const Image*>& images,
                       int columns);
