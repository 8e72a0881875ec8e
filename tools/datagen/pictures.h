// Every picture of the show, painted from code: titles, reflection and surface textures, the
// name band, the greetings and the photograph-like pictures.
#pragma once

#include "tools/imaging/image.h"
#include "tools/imaging/text.h"

#include <string>
#include <vector>

struct NamedPicture {
    std::string name;
    Image image;
};

std::vector<NamedPicture> MakePictures(TextPainter& text);
