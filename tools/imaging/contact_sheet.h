// A PNG of small copies of pictures, for looking at many at a glance.
#pragma once

#include "tools/imaging/image.h"
#include "tools/imaging/text.h"

#include <string>
#include <vector>

// Lays the images out in rows of `columns`, each scaled to cellWidth x cellHeight. With
// `labels` (one per image) and a text painter, each cell is captioned along its bottom. False
// when it cannot be written, with the reason in `why` where given.
bool WriteContactSheet(const std::string& path, const std::vector<const Image*>& images,
                       int columns, int cellWidth = 160, int cellHeight = 120,
                       const std::vector<std::string>& labels = {}, TextPainter* text = nullptr,
                       std::string* why = nullptr);
