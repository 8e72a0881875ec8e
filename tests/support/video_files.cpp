#include "tests/support/video_files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

uint8_t BandLevel(int frame, int band) {
    static const uint8_t kLevels[4] = {24, 96, 168, 240};
    return kLevels[(frame >> (2 * band)) & 3];
}

int FrameShown(const uint32_t* pixels, int width, int height, int pitch) {
    int frame = 0;
    for (int band = 0; band < 4; ++band) {
        const int y = height * (2 * band + 1) / 8;
        const uint32_t pixel = reinterpret_cast<const uint32_t*>(
            reinterpret_cast<const uint8_t*>(pixels) + size_t(y) * size_t(pitch))[width / 2];
        const int grey = int(pixel >> 8 & 0xFF);
        int best = -1, bestDistance = 999;
        for (int bits = 0; bits < 4; ++bits) {
            const int distance = std::abs(grey - BandLevel(bits << (2 * band), band));
            if (distance < bestDistance) best = bits, bestDistance = distance;
        }
        if (bestDistance > 30) return -1;
        frame |= best << (2 * band);
    }
    return frame;
}

namespace {

// Writes `frames` frames, pixel (x, y) of frame k being colour(k, x, y) as 0xRRGGBB.
bool Write(const std::string& path, AviCodec codec, int width, int height, int frames,
           const std::function<uint32_t(int, int, int)>& colour) {
    AviWriter writer;
    if (!writer.Open(path, width, height, codec)) return false;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int k = 0; k < frames; ++k) {
        uint8_t* at = rgb.data();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, at += 3) {
                const uint32_t pixel = colour(k, x, y);
                at[0] = uint8_t(pixel >> 16), at[1] = uint8_t(pixel >> 8), at[2] = uint8_t(pixel);
            }
        if (!writer.AddFrame(rgb.data())) return false;
    }
    return writer.Close();
}

} // namespace

bool WriteClip(const std::string& path, AviCodec codec, int width, int height, int frames) {
    return Write(path, codec, width, height, frames, [height](int k, int, int y) {
        return BandLevel(k, std::min(3, y * 4 / height)) * 0x010101u;
    });
}

bool WriteGreyClip(const std::string& path, int width, int height, uint8_t grey) {
    return Write(path, AviCodec::RawBgr24, width, height, 1,
                 [grey](int, int, int) { return grey * 0x010101u; });
}

bool WritePatternClip(const std::string& path, int width, int height,
                      const std::function<uint32_t(int, int)>& colour) {
    return Write(path, AviCodec::RawBgr24, width, height, 1,
                 [&colour](int, int x, int y) { return colour(x, y); });
}

bool WriteResizingClip(const std::string& path, int largeWidth, int largeHeight, int largeFrames,
                       int smallWidth, int smallHeight, int smallFrames) {
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", path.c_str()) < 0) return false;
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    AVStream* stream = avformat_new_stream(format, nullptr);
    // One encoder for each size; their packets go into the one stream.
    const auto open = [&](int width, int height) {
        AVCodecContext* context = avcodec_alloc_context3(encoder);
        context->width = width;
        context->height = height;
        context->time_base = AVRational{1, 25};
        context->pix_fmt = AV_PIX_FMT_YUVJ420P;
        context->qmin = context->qmax = 3;
        if (avcodec_open2(context, encoder, nullptr) < 0) avcodec_free_context(&context);
        return context;
    };
    AVCodecContext* large = open(largeWidth, largeHeight);
    AVCodecContext* small = open(smallWidth, smallHeight);
    bool ok = large && small && avcodec_parameters_from_context(stream->codecpar, large) >= 0;
    stream->time_base = AVRational{1, 25};
    ok = ok && avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(format, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    for (int k = 0; ok && k < largeFrames + smallFrames; ++k) {
        AVCodecContext* context = k < largeFrames ? large : small;
        AVFrame* frame = av_frame_alloc();
        frame->format = context->pix_fmt;
        frame->width = context->width;
        frame->height = context->height;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        for (int plane = 0; ok && plane < 3; ++plane) {
            const int rows = plane == 0 ? frame->height : (frame->height + 1) / 2;
            for (int y = 0; y < rows; ++y)
                std::fill_n(frame->data[plane] + y * frame->linesize[plane], frame->linesize[plane],
                            uint8_t(plane == 0 ? 10 + 10 * k : 128));
        }
        frame->pts = k;
        ok = ok && avcodec_send_frame(context, frame) >= 0 &&
             avcodec_receive_packet(context, packet) >= 0;
        av_frame_free(&frame);
        if (!ok) break;
        packet->pts = packet->dts = k;
        av_packet_rescale_ts(packet, AVRational{1, 25}, stream->time_base);
        packet->stream_index = stream->index;
        ok = av_interleaved_write_frame(format, packet) >= 0;
    }
    if (ok) av_write_trailer(format);
    av_packet_free(&packet);
    avcodec_free_context(&large);
    avcodec_free_context(&small);
    if (format->pb) avio_closep(&format->pb);
    avformat_free_context(format);
    return ok;
}
