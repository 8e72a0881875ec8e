// Writes the fuzzers' seed corpora: a valid file of every picture format and layout, a few
// loader settings, meshes, small clips in each codec the tests know and small music files.
// Usage: make_corpus FOLDER
#include "tests/support/audio_files.h"
#include "tests/support/image_files.h"
#include "tests/support/video_files.h"

#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

void Write(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const std::string images = root + "/decode_image", loads = root + "/load_surface",
                      meshes = root + "/mesh", clips = root + "/clip", music = root + "/music";
    for (const std::string& folder : {root, images, loads, meshes, clips, music})
        ::mkdir(folder.c_str(), 0755);

    Write(images + "/grey.jpg", MakeJpeg(17, 9, 1, Gradient));
    Write(images + "/colour.jpg", MakeJpeg(24, 16, 3, Gradient));
    Write(images + "/cmyk.jpg", MakeJpeg(8, 8, 4, Gradient));
    for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_PALETTE})
        Write(images + "/type" + std::to_string(type) + ".png", MakePng(7, 5, type, Gradient));
    for (auto [type, bits] : {std::pair{1, 8}, std::pair{9, 8}, std::pair{2, 16}, std::pair{10, 24},
                              std::pair{2, 32}, std::pair{11, 8}})
        Write(images + "/type" + std::to_string(type) + "_" + std::to_string(bits) + ".tga",
              MakeTga(6, 4, type, bits, Gradient));
    for (int bits : {8, 16, 24, 32}) {
        Write(images + "/" + std::to_string(bits) + ".bmp", MakeBitmap(5, 3, bits, Gradient));
        Write(images + "/" + std::to_string(bits) + ".dib",
              MakeBitmap(5, 3, bits, Gradient, false));
    }
    Write(images + "/binary.ppm", MakePpm(4, 3, true, Gradient));
    Write(images + "/text.ppm", MakePpm(4, 3, false, Gradient));
    Write(images + "/mips.dds", MakeDdsArgb(8, 4, 3, Gradient));
    Write(images + "/cube.dds", MakeDdsArgb(4, 4, 1, Gradient, true));
    Write(images + "/dxt1.dds", MakeDdsDxt1(8, 8, 0xF800, 0x001F, 2));

    for (int i = 0; i < 16; ++i) {
        Bytes settings;
        for (int k = 0; k < 12; ++k)
            settings.push_back(uint8_t(i * 37 + k * 11));
        for (int k = 0; k < 64; ++k)
            settings.push_back(uint8_t(k * 13 + i));
        Write(loads + "/settings" + std::to_string(i), settings);
    }
    // Meshes: empty, one triangle, and a small fan.
    const auto mesh = [](int vertices, int triangles) {
        Bytes bytes = {'E', 'M', 'V'};
        const auto put = [&bytes](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(uint8_t(v >> (8 * i)));
        };
        put(uint32_t(vertices));
        for (int i = 0; i < vertices * 3; ++i)
            put(0x3F800000u + uint32_t(i) * 0x10000u);
        put(uint32_t(triangles));
        for (int t = 0; t < triangles; ++t) {
            put(0);
            put(uint32_t(t + 1));
            put(uint32_t(t + 2));
        }
        return bytes;
    };
    Write(meshes + "/empty.msh", mesh(0, 0));
    Write(meshes + "/triangle.msh", mesh(3, 1));
    Write(meshes + "/fan.msh", mesh(10, 8));

    // Clips: a few frames of each codec, one that changes size, and one of a single grey.
    WriteClip(clips + "/mjpeg.avi", AviCodec::Mjpeg, 32, 16, 4);
    WriteClip(clips + "/raw.avi", AviCodec::RawBgr24, 18, 8, 3);
    WriteClip(clips + "/mpeg4.avi", AviCodec::Mpeg4, 32, 16, 12);
    WriteClip(clips + "/h264.avi", AviCodec::H264, 32, 16, 30);
    WriteResizingClip(clips + "/resizing.avi", 32, 16, 2, 8, 8, 2);
    WriteGreyClip(clips + "/grey.avi", 8, 8, 200);

    // Music: short tones as MP3 and as 8- and 16-bit WAV, mono and stereo.
    Write(music + "/tone.mp3", ToneMp3(44100, 2, 0.2));
    Write(music + "/tone-mono.mp3", ToneMp3(22050, 1, 0.2));
    Write(music + "/tone8.wav", ToneWav(8000, 1, 8, 0.1));
    Write(music + "/tone16.wav", ToneWav(44100, 2, 16, 0.05));
    return 0;
}
