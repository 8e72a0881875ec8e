// An MP4 file of H.264 video (libx264) and AAC sound, written frame by frame. The conversion and
// the encoding run on a thread of their own, in the order the frames and the sound were given,
// so that the show draws the next frame while the last one is encoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Mp4Writer {
public:
    Mp4Writer();
    ~Mp4Writer();

    // Stereo sound at `sampleRate`; false (with a message) when it cannot start.
    bool Open(const std::string& path, int width, int height, int fps, int sampleRate);
    // The next picture: 0xAARRGGBB words, top row first (copied; it may change at once).
    // False once the encoding has failed.
    bool AddFrame(const uint32_t* pixels, int width, int height);
    // More interleaved 16-bit stereo sound.
    bool AddAudio(const int16_t* interleaved, size_t frames);
    // Waits for the encoding, flushes both encoders and finishes the file.
    bool Close();

    // What went wrong first, in words (such as "No space left on device"); empty while nothing
    // has.
    std::string Problem() const;
    // Pictures in the file, once it is closed.
    int64_t PicturesWritten() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};
