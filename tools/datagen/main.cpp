// Writes the show's data set into the folder named on the command line. Everything is made
// from code, the same bytes on every run.
#include "tools/datagen/mp3_writer.h"
#include "tools/datagen/music.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kSampleRate = 44100;
// A little beyond the 191 s at which the show ends.
constexpr float kMusicSeconds = 195.5f;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    ::mkdir(folder.c_str(), 0755);

    const std::string music = folder + "/avseq01.mp3";
    if (!WriteMp3(music, SynthesiseMusic(kSampleRate, kMusicSeconds), 2, kSampleRate, 192)) {
        std::fprintf(stderr, "datagen: could not write %s\n", music.c_str());
        return 1;
    }
    return 0;
}
