#include "tools/imaging/contact_sheet.h"
#include "tools/imaging/png_writer.h"

bool WriteContactSheet(const std::string& path, const std::vector<const Image*>& images,
                       int columns, int cellWidth, int cellHeight,
                       const std::vector<std::string>& labels, TextPainter* text,
                       std::string* why) {
    constexpr int kGap = 4;
    const int rows = (int(images.size()) + columns - 1) / columns;
    Image sheet(columns * (cellWidth + kGap) + kGap, rows * (cellHeight + kGap) + kGap,
                {0.2f, 0.2f, 0.2f});
    for (size_t i = 0; i < images.size(); ++i) {
        const Image& image = *images[i];
        const int left = kGap + int(i % size_t(columns)) * (cellWidth + kGap);
        const int top = kGap + int(i / size_t(columns)) * (cellHeight + kGap);
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x)
                sheet.At(left + x, top + y) =
                    image.At(x * image.Width() / cellWidth, y * image.Height() / cellHeight);
        if (text && i < labels.size()) {
            for (int y = cellHeight - 22; y < cellHeight; ++y)
                for (int x = 0; x < cellWidth; ++x)
                    sheet.Blend(left + x, top + y, {0, 0, 0}, 0.6f);
            text->Paint(sheet, labels[i], left + 6, top + cellHeight - 6, 15, {1, 1, 1});
        }
    }
    return WritePng(path, sheet, why);
}
