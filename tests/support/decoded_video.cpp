#include "tests/support/decoded_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

int DecodeVideo(const std::string& path,
                const std::function<bool(int, const RgbPicture&)>& onFrame) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return -1;
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) {
        avformat_close_input(&format);
        return -1;
    }
    const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    avcodec_open2(context, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    bool more = true;
    RgbPicture picture;
    const auto take = [&] {
        while (more && avcodec_receive_frame(context, frame) == 0) {
            picture.width = frame->width;
            picture.height = frame->height;
            picture.rgb.resize(size_t(frame->width) * size_t(frame->height) * 3);
            SwsContext* scaler = sws_getContext(frame->width, frame->height,
                                                AVPixelFormat(frame->format), frame->width,
                                                frame->height, AV_PIX_FMT_RGB24, SWS_BICUBIC,
                                                nullptr, nullptr, nullptr);
            uint8_t* planes[1] = {picture.rgb.data()};
            const int strides[1] = {frame->width * 3};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scaler);
            more = onFrame(frames++, picture);
            av_frame_unref(frame);
        }
    };
    while (more && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) avcodec_send_packet(context, packet);
        av_packet_unref(packet);
        take();
    }
    avcodec_send_packet(context, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return frames;
}

bool DecodeVideoFrame(const std::string& path, int index, RgbPicture& picture) {
    bool found = false;
    DecodeVideo(path, [&](int number, const RgbPicture& decoded) {
        if (number != index) return true;
        picture = decoded;
        found = true;
        return false;
    });
    return found;
}
