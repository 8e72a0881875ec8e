#include "tools/capture/mp4_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A picture or a run of sound, waiting for the encoding thread.
struct Job {
    std::vector<uint32_t> pixels;
    std::vector<int16_t> sound;
    bool isPicture = false;
};

// Pictures that may wait at once: enough to even out the encoder's pace, little memory.
constexpr size_t kWaitingPictures = 4;

} // namespace

struct Mp4Writer::Parts {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int64_t nextPicture = 0;
    int64_t nextSample = 0;
    std::vector<float> pending[2]; // audio not yet a whole encoder frame, per channel
    int width = 0;
    int height = 0;

    // The queue to the encoding thread.
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> jobs;
    size_t waitingPictures = 0;
    bool closing = false;
    bool failed = false;
    int error = 0;                            // the first FFmpeg error, once failed
    std::vector<std::vector<uint32_t>> spare; // picture buffers to reuse
    std::thread worker;
    std::string failedDoing;

    ~Parts() {
        Stop();
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&sound);
        av_frame_free(&picture);
        avcodec_free_context(&audio);
        avcodec_free_context(&video);
        if (format && format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
    }

    // Keeps the first error, and what was being done, where that says more than the error;
    // false, for the caller to return.
    bool Fail(int code, const std::string& doing = std::string()) {
        if (error == 0) {
            error = code < 0 ? code : AVERROR(EIO);
            failedDoing = doing;
        }
        return false;
    }

    bool Drain(AVCodecContext* codec, AVStream* stream) {
        int result;
        while ((result = avcodec_receive_packet(codec, packet)) == 0) {
            // Every picture lasts one frame, the last one included.
            if (codec == video && packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (const int written = av_interleaved_write_frame(format, packet); written < 0)
                return Fail(written);
        }
        return result == AVERROR(EAGAIN) || result == AVERROR_EOF || Fail(result);
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
        }
        changed.notify_all();
        if (worker.joinable()) worker.join();
    }

    bool EncodePicture(const uint32_t* pixels) {
        if (const int made = av_frame_make_writable(picture); made < 0) return Fail(made);
        // 0xAARRGGBB words are B, G, R, A in memory.
        const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(pixels)};
        const int stride[1] = {width * 4};
        sws_scale(scaler, source, stride, 0, height, picture->data, picture->linesize);
        picture->pts = nextPicture++;
        const int sent = avcodec_send_frame(video, picture);
        return sent < 0 ? Fail(sent) : Drain(video, videoStream);
    }

    bool EncodeAudio(const std::vector<int16_t>& interleaved) {
        for (size_t i = 0; 2 * i + 1 < interleaved.size(); ++i)
            for (int c = 0; c < 2; ++c)
                pending[c].push_back(float(interleaved[2 * i + size_t(c)]) / 32768.0f);
        const size_t whole = size_t(audio->frame_size);
        while (pending[0].size() >= whole)
            if (!EncodeSound(whole)) return false;
        return true;
    }

    // The encoding thread: takes the jobs in order until closing with none left.
    void Work() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return !jobs.empty() || closing; });
                if (jobs.empty()) return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            const bool ok = failed          ? false
                            : job.isPicture ? EncodePicture(job.pixels.data())
                                            : EncodeAudio(job.sound);
            {
                std::lock_guard<std::mutex> hold(lock);
                if (!ok) failed = true;
                if (job.isPicture) {
                    --waitingPictures;
                    spare.push_back(std::move(job.pixels));
                }
            }
            changed.notify_all();
        }
    }

    // Queues `job`, waiting while too many pictures wait already; false once encoding failed.
    bool Queue(Job&& job) {
        std::unique_lock<std::mutex> hold(lock);
        if (job.isPicture) {
            changed.wait(hold, [&] { return waitingPictures < kWaitingPictures || failed; });
            ++waitingPictures;
        }
        if (failed) return false;
        jobs.push_back(std::move(job));
        hold.unlock();
        changed.notify_all();
        return true;
    }

    bool EncodeSound(size_t count) {
        if (const int made = av_frame_make_writable(sound); made < 0) return Fail(made);
        sound->nb_samples = int(count);
        for (int c = 0; c < 2; ++c) {
            auto* out = reinterpret_cast<float*>(sound->data[c]);
            for (size_t i = 0; i < count; ++i)
                out[i] = pending[c][i];
            pending[c].erase(pending[c].begin(), pending[c].begin() + long(count));
        }
        sound->pts = nextSample;
        nextSample += int64_t(count);
        const int sent = avcodec_send_frame(audio, sound);
        return sent < 0 ? Fail(sent) : Drain(audio, audioStream);
    }
};

Mp4Writer::Mp4Writer() = default;
Mp4Writer::~Mp4Writer() = default;

bool Mp4Writer::Open(const std::string& path, int width, int height, int fps, int sampleRate) {
    parts = std::make_unique<Parts>();
    Parts& p = *parts;
    if (const int made = avformat_alloc_output_context2(&p.format, nullptr, "mp4", path.c_str());
        made < 0)
        return p.Fail(made, "cannot make an MP4 container");

    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!h264 || !aac) {
        std::fprintf(stderr, "capture: this FFmpeg has no %s encoder\n", h264 ? "AAC" : "H.264");
        return false;
    }
    p.videoStream = avformat_new_stream(p.format, nullptr);
    p.audioStream = avformat_new_stream(p.format, nullptr);
    p.video = avcodec_alloc_context3(h264);
    p.audio = avcodec_alloc_context3(aac);
    if (!p.videoStream || !p.audioStream || !p.video || !p.audio)
        return p.Fail(AVERROR(ENOMEM), "cannot set up the encoders");

    p.video->width = width;
    p.video->height = height;
    p.video->time_base = AVRational{1, fps};
    p.video->framerate = AVRational{fps, 1};
    p.video->pix_fmt = AV_PIX_FMT_YUV420P;
    p.video->gop_size = 2 * fps;
    av_opt_set(p.video->priv_data, "preset", "veryfast", 0);
    av_opt_set(p.video->priv_data, "crf", "18", 0);
    p.audio->sample_rate = sampleRate;
    av_channel_layout_default(&p.audio->ch_layout, 2);
    p.audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    p.audio->bit_rate = 192000;
    p.audio->time_base = AVRational{1, sampleRate};
    if (p.format->oformat->flags & AVFMT_GLOBALHEADER) {
        p.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        p.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (const int opened = avcodec_open2(p.video, h264, nullptr); opened < 0)
        return p.Fail(opened, "the H.264 encoder (libx264) did not start at " + size);
    if (const int opened = avcodec_open2(p.audio, aac, nullptr); opened < 0)
        return p.Fail(opened, "the AAC encoder did not start");
    if (avcodec_parameters_from_context(p.videoStream->codecpar, p.video) < 0 ||
        avcodec_parameters_from_context(p.audioStream->codecpar, p.audio) < 0)
        return p.Fail(AVERROR(ENOMEM), "cannot set up the encoders");
    p.videoStream->time_base = p.video->time_base;
    p.audioStream->time_base = p.audio->time_base;
    if (const int opened = avio_open(&p.format->pb, path.c_str(), AVIO_FLAG_WRITE); opened < 0)
        return p.Fail(opened);
    if (const int written = avformat_write_header(p.format, nullptr); written < 0)
        return p.Fail(written);

    p.picture = av_frame_alloc();
    p.sound = av_frame_alloc();
    p.packet = av_packet_alloc();
    if (!p.picture || !p.sound || !p.packet)
        return p.Fail(AVERROR(ENOMEM), "cannot set up the encoders");
    p.picture->format = p.video->pix_fmt;
    p.picture->width = width;
    p.picture->height = height;
    p.sound->format = p.audio->sample_fmt;
    p.sound->nb_samples = p.audio->frame_size;
    av_channel_layout_copy(&p.sound->ch_layout, &p.audio->ch_layout);
    p.sound->sample_rate = sampleRate;
    if (av_frame_get_buffer(p.picture, 0) < 0 || av_frame_get_buffer(p.sound, 0) < 0)
        return p.Fail(AVERROR(ENOMEM), "cannot hold a " + size + " picture");
    // Same size: only the colours are converted (and the chroma halved), for which the fast
    // bilinear path is as good as any.
    p.scaler = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, AV_PIX_FMT_YUV420P,
                              SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (!p.scaler) return p.Fail(AVERROR(ENOMEM), "cannot set up the colour conversion");
    p.width = width;
    p.height = height;
    try {
        p.worker = std::thread([&p] { p.Work(); });
    } catch (const std::system_error& error) {
        return p.Fail(AVERROR(error.code().value()), "cannot start the encoding thread");
    }
    return true;
}

bool Mp4Writer::AddFrame(const uint32_t* pixels, int width, int height) {
    Parts& p = *parts;
    if (width != p.width || height != p.height) return false;
    Job job;
    job.isPicture = true;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        if (!p.spare.empty()) {
            job.pixels = std::move(p.spare.back());
            p.spare.pop_back();
        }
    }
    job.pixels.assign(pixels, pixels + size_t(width) * size_t(height));
    return p.Queue(std::move(job));
}

bool Mp4Writer::AddAudio(const int16_t* interleaved, size_t frames) {
    Job job;
    job.sound.assign(interleaved, interleaved + 2 * frames);
    return parts->Queue(std::move(job));
}

bool Mp4Writer::Close() {
    Parts& p = *parts;
    p.Stop();
    if (p.failed) return false;
    if (!p.pending[0].empty() && !p.EncodeSound(p.pending[0].size())) return false;
    for (auto [codec, stream] : {std::pair{p.video, p.videoStream}, {p.audio, p.audioStream}}) {
        if (const int sent = avcodec_send_frame(codec, nullptr); sent < 0) return p.Fail(sent);
        if (!p.Drain(codec, stream)) return false;
    }
    if (const int written = av_write_trailer(p.format); written < 0) return p.Fail(written);
    // What is still buffered reaches the file only here.
    if (const int closed = avio_closep(&p.format->pb); closed < 0) return p.Fail(closed);
    return true;
}

std::string Mp4Writer::Problem() const {
    if (!parts || parts->error == 0) return std::string();
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(parts->error, text, sizeof text);
    return parts->failedDoing.empty() ? std::string(text) : parts->failedDoing + ": " + text;
}

int64_t Mp4Writer::PicturesWritten() const {
    return parts ? parts->nextPicture : 0;
}
