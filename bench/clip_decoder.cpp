#include "bench/clip_decoder.h"
#include "platform/ffmpeg/yuv444.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <time.h>

#include <atomic>

namespace {

std::atomic<int64_t> aheadNanoseconds{0};

[[maybe_unused]] int64_t ThreadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

AVRational FrameRate(const AVStream* stream) {
    return stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
}

} // namespace

ClipDecoder::ClipDecoder(const std::string& path) {
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(format, nullptr) < 0)
        return;
    stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) return;
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    const AVCodec* found = avcodec_find_decoder(parameters->codec_id);
    codec = found ? avcodec_alloc_context3(found) : nullptr;
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (!codec || !packet || !frame || avcodec_parameters_to_context(codec, parameters) < 0 ||
        avcodec_open2(codec, found, nullptr) < 0)
        return;
    width = parameters->width;
    height = parameters->height;
    ready = width > 0 && height > 0;
}

ClipDecoder::~ClipDecoder() {
    Join();
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
}

double ClipDecoder::AheadMilliseconds() {
    return double(aheadNanoseconds.load()) / 1e6;
}

void ClipDecoder::Join() {
    if (worker.joinable()) worker.join();
}

const uint32_t* ClipDecoder::Frame(int64_t position) {
    if (!ready) return nullptr;
    if (shown.position == position) return shown.pixels.data();
    Join();
    if (ahead.position == position) {
        std::swap(shown, ahead);
    } else if (!DecodeInto(position, shown)) {
        shown.position = -1;
        return nullptr;
    }
    ahead.position = -1;
#ifndef __EMSCRIPTEN__
    // Forward play asks for the next frame next: decode it while this one is drawn (the page
    // has no threads, as the show's own clips there).
    const int64_t following = position + 1;
    worker = std::thread([this, following] {
        const int64_t started = ThreadNanoseconds();
        if (!DecodeInto(following, ahead)) ahead.position = -1;
        aheadNanoseconds += ThreadNanoseconds() - started;
    });
#endif
    return shown.pixels.data();
}

bool ClipDecoder::DecodeInto(int64_t position, Decoded& into) {
    if (position != next && !Seek(position)) return false;
    int64_t number = -1;
    while (DecodeNext(number)) {
        next = number + 1;
        if (number == position) {
            const bool converted = Convert(into);
            av_frame_unref(frame);
            into.position = converted ? position : -1;
            return converted;
        }
        av_frame_unref(frame);
        if (number > position) return false;
    }
    next = -1;
    return false;
}

bool ClipDecoder::Seek(int64_t position) {
    const AVStream* video = format->streams[stream];
    const AVRational rate = FrameRate(video);
    const int64_t start = video->start_time == AV_NOPTS_VALUE ? 0 : video->start_time;
    const int64_t timestamp =
        start + (rate.num ? av_rescale_q(position, av_inv_q(rate), video->time_base) : position);
    if (av_seek_frame(format, stream, timestamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(codec);
    draining = false;
    counted = -1;
    next = -1;
    return true;
}

bool ClipDecoder::DecodeNext(int64_t& number) {
    const AVStream* video = format->streams[stream];
    for (;;) {
        const int received = avcodec_receive_frame(codec, frame);
        if (received == 0) {
            number = counted++;
            return true;
        }
        if (received == AVERROR_EOF || draining) return false;
        if (av_read_frame(format, packet) < 0) {
            avcodec_send_packet(codec, nullptr);
            draining = true;
            continue;
        }
        if (packet->stream_index == stream) {
            if (counted < 0) {
                const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                const int64_t start = video->start_time == AV_NOPTS_VALUE ? 0 : video->start_time;
                counted =
                    av_rescale_q_rnd(stamp - start, video->time_base, av_inv_q(FrameRate(video)),
                                     AVRounding(AV_ROUND_NEAR_INF));
            }
            avcodec_send_packet(codec, packet);
        }
        av_packet_unref(packet);
    }
}

bool ClipDecoder::Convert(Decoded& into) {
    if (frame->width != width || frame->height != height) return false;
    // JPEG's full-range formats are named to swscale as the plain ones, the range said apart.
    AVPixelFormat source = AVPixelFormat(frame->format);
    bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
    if (source == AV_PIX_FMT_YUVJ420P) source = AV_PIX_FMT_YUV420P, fullRange = true;
    if (source == AV_PIX_FMT_YUVJ422P) source = AV_PIX_FMT_YUV422P, fullRange = true;
    if (source == AV_PIX_FMT_YUVJ444P) source = AV_PIX_FMT_YUV444P, fullRange = true;
    into.pixels.resize(size_t(width) * size_t(height) + 16);
    if (source == AV_PIX_FMT_YUV444P) {
        // swscale's general path is slow for 4:4:4: a row at a time, as a program would.
        for (int y = 0; y < height; ++y)
            Yuv444RowToArgb(frame->data[0] + size_t(y) * size_t(frame->linesize[0]),
                            frame->data[1] + size_t(y) * size_t(frame->linesize[1]),
                            frame->data[2] + size_t(y) * size_t(frame->linesize[2]), width,
                            fullRange, into.pixels.data() + size_t(y) * size_t(width));
        return true;
    }
    scaler = sws_getCachedContext(scaler, width, height, source, width, height, AV_PIX_FMT_BGRA,
                                  SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler) return false;
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(scaler, coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16,
                             1 << 16);
    // The slack past the last row: swscale's vector code may write beyond a row's end.
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(into.pixels.data()), nullptr, nullptr,
                          nullptr};
    const int strides[4] = {width * 4, 0, 0, 0};
    return sws_scale(scaler, frame->data, frame->linesize, 0, height, planes, strides) == height;
}
