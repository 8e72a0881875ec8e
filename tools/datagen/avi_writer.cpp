#include "tools/datagen/avi_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// Everything one clip's encoding holds, released in one place.
struct Encoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;

    ~Encoder() {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
    }

    bool Drain() {
        int result;
        while ((result = avcodec_receive_packet(codec, packet)) == 0) {
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(format, packet) < 0) return false;
        }
        return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
    }
};

bool Open(Encoder& e, const std::string& path, int width, int height) {
    if (avformat_alloc_output_context2(&e.format, nullptr, "avi", path.c_str()) < 0) return false;
    // No encoder or muxer version strings: the same bytes whatever FFmpeg built them.
    e.format->flags |= AVFMT_FLAG_BITEXACT;
    const AVCodec* mjpeg = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!mjpeg) return false;
    e.stream = avformat_new_stream(e.format, nullptr);
    e.codec = avcodec_alloc_context3(mjpeg);
    if (!e.stream || !e.codec) return false;
    e.codec->width = width;
    e.codec->height = height;
    e.codec->time_base = AVRational{1, 25};
    e.codec->framerate = AVRational{25, 1};
    e.codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    e.codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
    e.codec->global_quality = FF_QP2LAMBDA * 4;
    if (avcodec_open2(e.codec, mjpeg, nullptr) < 0 ||
        avcodec_parameters_from_context(e.stream->codecpar, e.codec) < 0)
        return false;
    e.stream->time_base = e.codec->time_base;
    if (avio_open(&e.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(e.format, nullptr) < 0)
        return false;
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.frame || !e.packet) return false;
    e.frame->format = e.codec->pix_fmt;
    e.frame->width = width;
    e.frame->height = height;
    if (av_frame_get_buffer(e.frame, 0) < 0) return false;
    e.scaler =
        sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
    if (!e.scaler) return false;
    // Full-range output, as the JPEG colour space wants.
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(e.scaler, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
    return true;
}

} // namespace

bool WriteClip(const std::string& path, const ClipSpec& clip, int threads) {
    Encoder e;
    if (!Open(e, path, clip.width, clip.height)) {
        std::fprintf(stderr, "%s: cannot start the clip\n", path.c_str());
        return false;
    }
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
        for (int i = 0; i < count; ++i) {
            const std::vector<uint8_t> rgb = images[size_t(i)].Rgb();
            if (av_frame_make_writable(e.frame) < 0) return false;
            const uint8_t* source[1] = {rgb.data()};
            const int stride[1] = {clip.width * 3};
            sws_scale(e.scaler, source, stride, 0, clip.height, e.frame->data, e.frame->linesize);
            e.frame->pts = first + i;
            if (avcodec_send_frame(e.codec, e.frame) < 0 || !e.Drain()) return false;
        }
    }
    if (avcodec_send_frame(e.codec, nullptr) < 0 || !e.Drain() || av_write_trailer(e.format) < 0)
        return false;
    return true;
}
