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
};

class AviWriter {
public:
    AviWriter();
    ~AviWriter();

    // False (with a message naming `path`) when the file cannot be started.
    bool Open(const std::string& path, int width, int height, AviCodec codec);
    // The next frame: width x height RGB triples, top row first.
    bool AddFrame(const uint8_t* rgb);
    // Flushes the encoder and finishes the file.
    bool Close();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};
