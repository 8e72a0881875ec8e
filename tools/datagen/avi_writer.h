// AVI files of one video stream through libavformat and libavcodec, written frame by frame
// from RGB pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum class AviCodec {
    Mjpeg,    // every frame a key frame, full-range YUV 4:2:0 at a fixed quantiser
    RawBgr24, // uncompressed
    Mpeg4,    // inter frames: closed groups of 10, two B-frames between references
    H264,     // inter frames, no B-frames: full-range YUV 4:4:4 through x264, at the quality and
              // key-frame interval of H264Settings
};

// The H.264 encoder's settings. A key frame every `keyInterval` frames, each carrying the
// stream's parameter sets, so that decoding may start at any of them.
struct H264Settings {
    int constantRateFactor = 23; // x264's quality scale: lower is better and larger
    int keyInterval = 25;
};

class AviWriter {
public:
    AviWriter();
    ~AviWriter();

    // False (with a message naming `path`) when the file cannot be started.
    bool Open(const std::string& path, int width, int height, AviCodec codec,
              const H264Settings& h264 = {});
    // The next frame: width x height RGB triples, top row first.
    bool AddFrame(const uint8_t* rgb);
    // Flushes the encoder and finishes the file.
    bool Close();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};
