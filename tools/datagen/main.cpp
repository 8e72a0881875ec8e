// Writes the show's whole data set into the folder named on the command line: the pictures,
// the clips, the ball mesh and the music. Everything is made from code, the same bytes on
// every run.
//   datagen FOLDER [--sheet FILE]   FILE: a PNG of every picture and a few clip frames
#include "tools/datagen/ball_mesh.h"
#include "tools/datagen/clip_writer.h"
#include "tools/datagen/clips.h"
#include "tools/datagen/jpeg_writer.h"
#include "tools/datagen/mp3_writer.h"
#include "tools/datagen/music.h"
#include "tools/datagen/pictures.h"
#include "tools/imaging/contact_sheet.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr int kSampleRate = 44100;
// A little beyond the 191 s at which the show ends.
constexpr float kMusicSeconds = 195.5f;

} // namespace

int main(int argc, char** argv) {
    std::string folder, sheet;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc)
            sheet = argv[++i];
        else if (folder.empty() && argv[i][0] != '-')
            folder = argv[i];
        else
            folder.clear(), i = argc;
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: %s FOLDER [--sheet FILE]\n", argv[0]);
        return 2;
    }
    ::mkdir(folder.c_str(), 0755);

    // The music takes one core while the pictures take the other; the clips' frames are then
    // drawn on every core, sharing them with the music while it lasts.
    std::atomic<bool> musicWritten{false};
    std::thread music([&] {
        musicWritten = WriteMp3(folder + "/avseq01.mp3",
                                SynthesiseMusic(kSampleRate, kMusicSeconds), 2, kSampleRate, 128);
    });

    bool ok = true;
    TextPainter text;
    ok &= text.Ready();
    const std::vector<NamedPicture> pictures = MakePictures(text);
    for (const NamedPicture& picture : pictures)
        ok &= WriteJpeg(folder + "/" + picture.name, picture.image);
    ok &= WriteBallMesh(folder + "/ball.msh");
    std::vector<Image> samples;
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    for (const ClipSpec& clip : ShowClips()) {
        ok &= WriteClip(folder + "/" + clip.name, clip, cores);
        samples.emplace_back(clip.width, clip.height);
        clip.render(clip.frames / 3, samples.back());
    }
    music.join();
    ok &= musicWritten;

    if (!sheet.empty()) {
        std::vector<const Image*> shown;
        for (const NamedPicture& picture : pictures)
            shown.push_back(&picture.image);
        for (const Image& sample : samples)
            shown.push_back(&sample);
        ok &= WriteContactSheet(sheet, shown, 6);
    }
    if (!ok) std::fprintf(stderr, "datagen: the data set in %s is incomplete\n", folder.c_str());
    return ok ? 0 : 1;
}
