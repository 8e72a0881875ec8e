#include "tools/datagen/clip_writer.h"
#include "tools/datagen/avi_writer.h"

#include <algorithm>
#include <thread>
#include <vector>

bool WriteClip(const std::string& path, const ClipSpec& clip, int threads) {
    AviWriter writer;
    if (!writer.Open(path, clip.width, clip.height, AviCodec::H264, clip.coding)) return false;
    const int batch = threads * 4;
    for (int first = 0; first < clip.frames; first += batch) {
        const int count = std::min(batch, clip.frames - first);
        std::vector<Image> images(size_t(count), Image(clip.width, clip.height));
        std::vector<std::thread> workers;
        for (int w = 0; w < threads; ++w)
            workers.emplace_back([&, w] {
                for (int i = w; i < count; i += threads)
                    clip.render(first + i, images[size_t(i)]);
            });
        for (std::thread& worker : workers)
            worker.join();
        for (const Image& image : images)
            if (!writer.AddFrame(image.Rgb().data())) return false;
    }
    return writer.Close();
}
