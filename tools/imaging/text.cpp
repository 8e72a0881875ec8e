#include "tools/imaging/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

namespace {

const char* const kFontPaths[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                                  "/usr/share/fonts/TTF/DejaVuSans-Bold.ttf"};

} // namespace

TextPainter::TextPainter() {
    FT_Library ft = nullptr;
    if (FT_Init_FreeType(&ft) != 0) return;
    library = ft;
    for (const char* path : kFontPaths) {
        FT_Face loaded = nullptr;
        if (FT_New_Face(ft, path, 0, &loaded) == 0) {
            face = loaded;
            return;
        }
    }
    std::fprintf(stderr, "datagen: no DejaVu Sans Bold font (package fonts-dejavu-core)\n");
}

TextPainter::~TextPainter() {
    if (face) FT_Done_Face(static_cast<FT_Face>(face));
    if (library) FT_Done_FreeType(static_cast<FT_Library>(library));
}

namespace {

void Prepare(FT_Face face, int size, float widthScale) {
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
    FT_Matrix matrix{FT_Fixed(widthScale * 65536.0f), 0, 0, 0x10000};
    FT_Set_Transform(face, &matrix, nullptr);
}

} // namespace

int TextPainter::Measure(const std::string& text, int size, float widthScale) {
    if (!face) return 0;
    FT_Face f = static_cast<FT_Face>(face);
    Prepare(f, size, widthScale);
    long width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(f, c, FT_LOAD_DEFAULT) == 0) width += f->glyph->advance.x >> 6;
    return int(width);
}

void TextPainter::Paint(Image& image, const std::string& text, int x, int baseline, int size,
                        const Colour& colour, float widthScale) {
    if (!face) return;
    FT_Face f = static_cast<FT_Face>(face);
    Prepare(f, size, widthScale);
    for (unsigned char c : text) {
        if (FT_Load_Char(f, c, FT_LOAD_RENDER) != 0) continue;
        const FT_Bitmap& bitmap = f->glyph->bitmap;
        const int left = x + f->glyph->bitmap_left, top = baseline - f->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned column = 0; column < bitmap.width; ++column)
                image.Blend(left + int(column), top + int(row), colour,
                            float(bitmap.buffer[row * unsigned(bitmap.pitch) + column]) / 255.0f);
        x += int(f->glyph->advance.x >> 6);
    }
}

void TextPainter::PaintCentred(Image& image, const std::string& text, int x, int baseline, int size,
                               const Colour& colour, float widthScale) {
    Paint(image, text, x - Measure(text, size, widthScale) / 2, baseline, size, colour, widthScale);
}
