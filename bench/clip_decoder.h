// A clip's frames as a plain program would decode them for a texture: FFmpeg reads the file and
// decodes, and swscale converts each wanted frame straight into the texture's 32-bit BGRA words.
// The frame after the one handed out is decoded ahead on a thread of its own, as a program that
// plays a clip forward on a machine with more than one core would (not in the browser, which
// gives the page no threads).
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class ClipDecoder {
public:
    explicit ClipDecoder(const std::string& path);
    ~ClipDecoder();
    ClipDecoder(const ClipDecoder&) = delete;
    ClipDecoder& operator=(const ClipDecoder&) = delete;

    bool Ready() const { return ready; }
    int Width() const { return width; }
    int Height() const { return height; }
    // Frame `position` as Width() x Height() words 0xAARRGGBB, top row first; null if the clip
    // has no such frame.
    const uint32_t* Frame(int64_t position);
    // Waits until the frame being decoded ahead is decoded.
    void WaitForAhead() { Join(); }
    // The processor time every decoder's thread has spent decoding ahead, in milliseconds.
    static double AheadMilliseconds();

private:
    struct Decoded {
        std::vector<uint32_t> pixels;
        int64_t position = -1;
    };
    bool DecodeNext(int64_t& number);
    bool DecodeInto(int64_t position, Decoded& into);
    bool Seek(int64_t position);
    bool Convert(Decoded& into);
    void Join();

    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    int stream = -1;
    int width = 0, height = 0;
    bool ready = false;
    bool draining = false;
    // The number of the next frame out of the decoder, counted from the first packet read after
    // a seek (AVI gives its frames no presentation times); -1 before that packet.
    int64_t counted = -1;
    // Where forward decoding stands: the next frame it gives, -1 when unknown.
    int64_t next = -1;
    Decoded shown, ahead;
    std::thread worker;
};
