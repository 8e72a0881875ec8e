// The show's own pictures for where it is presented: a poster for the page's title card (a JPEG
// still of the twisted tube) and square icons for the desktop's menu (PNG, the middle of the
// tunnel). Both are drawn by the show itself, off screen as the capture tool draws its stills.
// Run from the folder that holds the data, as the capture tool is.
#include "tools/capture/plan.h"
#include "tools/capture/play.h"
#include "tools/datagen/jpeg_writer.h"
#include "tools/imaging/frame_image.h"
#include "tools/imaging/png_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kArtworkUsage =
    "usage: artwork [--poster FILE] [--icon SIZE FILE]...\n"
    "Draws the show off screen and writes its poster (a JPEG under 100 kB) and square PNG icons\n"
    "of SIZE pixels (16 to 1024). Run it from the folder that holds the show's data.\n";

constexpr double kPosterTime = 54.2;
constexpr double kIconTime = 86.2;
constexpr size_t kLargestPoster = 100 * 1000;

// The square in the middle of `image`, averaged down to `size` pixels a side: each icon pixel
// is the mean of the picture's area it covers, weighting the pixels it cuts by their share.
Image SquareIcon(const Image& image, int size) {
    const int side = std::min(image.Width(), image.Height());
    const double left = (image.Width() - side) / 2.0, top = (image.Height() - side) / 2.0;
    const double step = double(side) / size;
    Image icon(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double x0 = left + x * step, x1 = x0 + step;
            const double y0 = top + y * step, y1 = y0 + step;
            double r = 0, g = 0, b = 0, weight = 0;
            for (int sy = int(y0); sy < int(y1 + 0.999999) && sy < image.Height(); ++sy)
                for (int sx = int(x0); sx < int(x1 + 0.999999) && sx < image.Width(); ++sx) {
                    const double w = (std::min(x1, sx + 1.0) - std::max(x0, double(sx))) *
                                     (std::min(y1, sy + 1.0) - std::max(y0, double(sy)));
                    if (w <= 0) continue;
                    const Colour& c = image.At(sx, sy);
                    r += c.r * w;
                    g += c.g * w;
                    b += c.b * w;
                    weight += w;
                }
            icon.At(x, y) = {float(r / weight), float(g / weight), float(b / weight)};
        }
    return icon;
}

// The best quality that keeps the poster under its size.
bool WritePoster(const std::string& path, const Image& image) {
    const std::vector<uint8_t> rgb = image.Rgb();
    for (int quality = 90; quality >= 30; quality -= 5) {
        const std::vector<uint8_t> jpeg =
            EncodeJpeg(image.Width(), image.Height(), 3, rgb.data(), quality);
        if (jpeg.size() >= kLargestPoster) continue;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        const bool written = file && std::fwrite(jpeg.data(), 1, jpeg.size(), file) == jpeg.size();
        if (file && std::fclose(file) != 0) return false;
        return written;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::string poster;
    std::vector<std::pair<int, std::string>> icons;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--poster" && i + 1 < argc) {
            poster = argv[++i];
        } else if (option == "--icon" && i + 2 < argc) {
            const int size = std::atoi(argv[++i]);
            if (size < 16 || size > 1024) {
                std::fprintf(stderr, "artwork: an icon is 16 to 1024 pixels a side\n%s",
                             kArtworkUsage);
                return 2;
            }
            icons.emplace_back(size, argv[++i]);
        } else {
            std::fprintf(stderr, "%s", kArtworkUsage);
            return 2;
        }
    }

    host::ShowDebugOutput(false);
    CaptureOptions options;
    options.stills = {kPosterTime, kIconTime};
    std::vector<Image> stills;
    const PlayOutcome outcome =
        PlayShots(PlanShots(options), true, [&stills](const Shot&, const host::Frame& frame) {
            stills.push_back(ImageOfFrame(frame));
            return true;
        });
    if (!outcome.finished || stills.size() != 2) {
        std::fprintf(stderr, "artwork: the show could not be drawn (is the data here?)\n");
        return 1;
    }
    if (!poster.empty() && !WritePoster(poster, stills[0])) {
        std::fprintf(stderr, "artwork: cannot write %s\n", poster.c_str());
        return 1;
    }
    for (const auto& [size, path] : icons)
        if (!WritePng(path, SquareIcon(stills[1], size))) {
            std::fprintf(stderr, "artwork: cannot write %s\n", path.c_str());
            return 1;
        }
    return 0;
}
