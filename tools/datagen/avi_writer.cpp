#include "tools/datagen/avi_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <string>

// Everything one file's encoding holds, released in one place.
struct AviWriter::Parts {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int64_t next = 0;

    ~Parts() {
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

    bool Start(const std::string& path, int width, int height, AviCodec kind,
               const H264Settings& h264) {
        if (avformat_alloc_output_context2(&format, nullptr, "avi", path.c_str()) < 0) return false;
        // No encoder or muxer version strings: the same bytes whatever FFmpeg built them.
        format->flags |= AVFMT_FLAG_BITEXACT;
        const AVCodec* encoder =
            kind == AviCodec::H264
                ? avcodec_find_encoder_by_name("libx264")
                : avcodec_find_encoder(kind == AviCodec::Mjpeg      ? AV_CODEC_ID_MJPEG
                                       : kind == AviCodec::RawBgr24 ? AV_CODEC_ID_RAWVIDEO
                                                                    : AV_CODEC_ID_MPEG4);
        if (!encoder) return false;
        // x264 reports its statistics for every file at the log's information level.
        if (kind == AviCodec::H264) av_log_set_level(AV_LOG_ERROR);
        stream = avformat_new_stream(format, nullptr);
        codec = avcodec_alloc_context3(encoder);
        if (!stream || !codec) return false;
        codec->width = width;
        codec->height = height;
        codec->time_base = AVRational{1, 25};
        codec->framerate = AVRational{25, 1};
        codec->flags |= AV_CODEC_FLAG_BITEXACT;
        switch (kind) {
        case AviCodec::Mjpeg:
            codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
            codec->flags |= AV_CODEC_FLAG_QSCALE;
            codec->global_quality = FF_QP2LAMBDA * 4;
            break;
        case AviCodec::RawBgr24:
            codec->pix_fmt = AV_PIX_FMT_BGR24;
            break;
        case AviCodec::Mpeg4:
            codec->pix_fmt = AV_PIX_FMT_YUV420P;
            codec->gop_size = 10;
            codec->max_b_frames = 2;
            // Closed groups of pictures, as AVI encoders write them: nothing after a key frame
            // in the file shows before it.
            codec->flags |= AV_CODEC_FLAG_CLOSED_GOP;
            av_opt_set_int(codec, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
            codec->bit_rate = 2000000;
            break;
        case AviCodec::H264: {
            // 4:4:4: the clips' fine coloured detail (chequers, strings, stars) survives, where
            // halved chroma alone costs more than the whole codec does. Full range, as the
            // decoder's conversion back to RGB assumes for these files.
            codec->pix_fmt = AV_PIX_FMT_YUV444P;
            codec->color_range = AVCOL_RANGE_JPEG;
            codec->gop_size = h264.keyInterval;
            codec->max_b_frames = 0;
            // One thread: x264's choices, and so its bytes, then depend on nothing but the
            // pictures and these settings, whatever machine builds the data set.
            codec->thread_count = 1;
            av_opt_set(codec->priv_data, "preset", "slow", 0);
            // Tuned for fidelity to the drawn frames rather than for the eye's tricks.
            av_opt_set(codec->priv_data, "tune", "psnr", 0);
            av_opt_set_double(codec->priv_data, "crf", h264.constantRateFactor, 0);
            const std::string params = "keyint_min=" + std::to_string(h264.keyInterval) +
                                       ":scenecut=0:repeat-headers=1:bframes=0";
            av_opt_set(codec->priv_data, "x264-params", params.c_str(), 0);
            break;
        }
        }
        if (avcodec_open2(codec, encoder, nullptr) < 0 ||
            avcodec_parameters_from_context(stream->codecpar, codec) < 0)
            return false;
        stream->time_base = codec->time_base;
        if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(format, nullptr) < 0)
            return false;
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        if (!frame || !packet) return false;
        frame->format = codec->pix_fmt;
        frame->width = width;
        frame->height = height;
        if (av_frame_get_buffer(frame, 0) < 0) return false;
        // MJPEG's full-range YUV is laid out as plain YUV 4:2:0; the range is set apart.
        const AVPixelFormat layout =
            kind == AviCodec::Mjpeg ? AV_PIX_FMT_YUV420P : AVPixelFormat(codec->pix_fmt);
        const bool fullRange = kind == AviCodec::Mjpeg || kind == AviCodec::H264;
        scaler = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, layout,
                                SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr,
                                nullptr);
        if (!scaler) return false;
        if (fullRange) {
            const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
            sws_setColorspaceDetails(scaler, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
        }
        return true;
    }
};

AviWriter::AviWriter() = default;
AviWriter::~AviWriter() = default;

bool AviWriter::Open(const std::string& path, int width, int height, AviCodec codec,
                     const H264Settings& h264) {
    parts = std::make_unique<Parts>();
    if (parts->Start(path, width, height, codec, h264)) return true;
    std::fprintf(stderr, "%s: cannot start the clip\n", path.c_str());
    parts.reset();
    return false;
}

bool AviWriter::AddFrame(const uint8_t* rgb) {
    if (!parts || av_frame_make_writable(parts->frame) < 0) return false;
    const uint8_t* source[1] = {rgb};
    const int stride[1] = {parts->codec->width * 3};
    sws_scale(parts->scaler, source, stride, 0, parts->codec->height, parts->frame->data,
              parts->frame->linesize);
    parts->frame->pts = parts->next++;
    return avcodec_send_frame(parts->codec, parts->frame) >= 0 && parts->Drain();
}

bool AviWriter::Close() {
    if (!parts) return false;
    const bool ok = avcodec_send_frame(parts->codec, nullptr) >= 0 && parts->Drain() &&
                    av_write_trailer(parts->format) >= 0;
    parts.reset();
    return ok;
}
