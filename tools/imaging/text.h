// Text set with FreeType in a Debian font, painted onto a picture.
#pragma once

#include "tools/imaging/image.h"

#include <string>

class TextPainter {
public:
    // Loads the bold sans face of fonts-dejavu-core; Ready() says whether that worked.
    TextPainter();
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;
    bool Ready() const { return face != nullptr; }

    // Width in pixels of `text` at `size` pixels high.
    int Measure(const std::string& text, int size) { return Measure(text, size, 1.0f); }
    // Paints `text` with its baseline at y, starting at x, blended with the glyphs' coverage.
    // `widthScale` narrows (below 1) or widens the letters, for pictures that are shown
    // stretched.
    void Paint(Image& image, const std::string& text, int x, int baseline, int size,
               const Colour& colour, float widthScale = 1.0f);
    // The same, centred on x.
    void PaintCentred(Image& image, const std::string& text, int x, int baseline, int size,
                      const Colour& colour, float widthScale = 1.0f);
    int Measure(const std::string& text, int size, float widthScale);

private:
    void* library = nullptr;
    void* face = nullptr;
};
