#include "tools/datagen/mp3_writer.h"

#include <lame/lame.h>

#include <cstdio>
#include <memory>

namespace {

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool WriteMp3(const std::string& path, const std::vector<int16_t>& samples, int channels,
              int sampleRate, int kilobitsPerSecond) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) return false;
    lame_set_in_samplerate(lame.get(), sampleRate);
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_num_channels(lame.get(), channels);
    lame_set_mode(lame.get(), channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame.get(), kilobitsPerSecond);
    lame_set_quality(lame.get(), 5);
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) {
        std::fprintf(stderr, "%s: LAME refused the parameters\n", path.c_str());
        return false;
    }

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        std::fprintf(stderr, "%s: cannot write\n", path.c_str());
        return false;
    }
    const size_t frames = samples.size() / size_t(channels);
    constexpr size_t kChunk = 8192;
    std::vector<unsigned char> encoded(kChunk * 5 / 4 + 7200);
    for (size_t at = 0; at < frames; at += kChunk) {
        const int count = int(frames - at < kChunk ? frames - at : kChunk);
        const int16_t* chunk = samples.data() + at * size_t(channels);
        // lame_encode_buffer_interleaved takes a non-const pointer but only reads it.
        const int made =
            channels == 2
                ? lame_encode_buffer_interleaved(lame.get(), const_cast<int16_t*>(chunk), count,
                                                 encoded.data(), int(encoded.size()))
                : lame_encode_buffer(lame.get(), chunk, chunk, count, encoded.data(),
                                     int(encoded.size()));
        if (made < 0 || std::fwrite(encoded.data(), 1, size_t(made), file.get()) != size_t(made))
            return false;
    }
    const int flushed = lame_encode_flush(lame.get(), encoded.data(), int(encoded.size()));
    if (flushed < 0 ||
        std::fwrite(encoded.data(), 1, size_t(flushed), file.get()) != size_t(flushed))
        return false;

    // The Info tag is only known now; it replaces the placeholder frame at the start.
    std::vector<unsigned char> tag(2880);
    const size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
    if (tagSize > 0 && tagSize <= tag.size()) {
        if (std::fseek(file.get(), 0, SEEK_SET) != 0 ||
            std::fwrite(tag.data(), 1, tagSize, file.get()) != tagSize)
            return false;
    }
    return std::fflush(file.get()) == 0;
}
