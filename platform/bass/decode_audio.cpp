// Whole-file audio decoding through libavformat/libavcodec, read from memory.
#include "platform/bass/decode_audio.h"
#include "platform/bass/bass.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cstring>
#include <new>

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

int ReadPacket(void* opaque, uint8_t* buffer, int capacity) {
    auto* reader = static_cast<MemoryReader*>(opaque);
    const size_t left = reader->size - reader->position;
    if (left == 0) return AVERROR_EOF;
    const size_t count = left < size_t(capacity) ? left : size_t(capacity);
    std::memcpy(buffer, reader->data + reader->position, count);
    reader->position += count;
    return int(count);
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(opaque);
    if (whence == AVSEEK_SIZE) return int64_t(reader->size);
    int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        target += int64_t(reader->position);
        break;
    case SEEK_END:
        target += int64_t(reader->size);
        break;
    default:
        return -1;
    }
    if (target < 0 || target > int64_t(reader->size)) return -1;
    reader->position = size_t(target);
    return target;
}

bool Accepted(AVCodecID codec) {
    return codec == AV_CODEC_ID_MP3 || codec == AV_CODEC_ID_MP2 || codec == AV_CODEC_ID_MP1 ||
           codec == AV_CODEC_ID_PCM_U8 || codec == AV_CODEC_ID_PCM_S16LE;
}

// Everything one decode holds, released in one place whatever the way out.
struct Decoder {
    MemoryReader reader{};
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;

    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

// Appends the converted samples of `frame` (or what the resampler still holds, for null).
bool Convert(Decoder& decoder, const AVFrame* frame, PcmStream& stream) {
    const int inputCount = frame ? frame->nb_samples : 0;
    const int capacity = swr_get_out_samples(decoder.resampler, inputCount);
    if (capacity <= 0) return true;
    const size_t used = stream.samples.size();
    stream.samples.resize(used + size_t(capacity) * stream.BlockAlign());
    uint8_t* output = stream.samples.data() + used;
    const int converted = swr_convert(
        decoder.resampler, &output, capacity,
        frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inputCount);
    if (converted < 0) return false;
    stream.samples.resize(used + size_t(converted) * stream.BlockAlign());
    return true;
}

int Drain(Decoder& decoder, PcmStream& stream) {
    for (;;) {
        const int result = avcodec_receive_frame(decoder.codec, decoder.frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return 0;
        // A damaged frame is skipped, as a player would; the rest of the stream still plays.
        if (result < 0) return 0;
        const bool converted = Convert(decoder, decoder.frame, stream);
        av_frame_unref(decoder.frame);
        if (!converted) return BASS_ERROR_FILEFORM;
    }
}

int DecodeInto(Decoder& decoder, const uint8_t* data, size_t size, PcmStream& stream) {
    decoder.reader = MemoryReader{data, size, 0};
    constexpr int kBufferSize = 64 * 1024;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer) return BASS_ERROR_MEM;
    decoder.io =
        avio_alloc_context(buffer, kBufferSize, 0, &decoder.reader, ReadPacket, nullptr, Seek);
    if (!decoder.io) {
        av_free(buffer);
        return BASS_ERROR_MEM;
    }
    decoder.format = avformat_alloc_context();
    if (!decoder.format) return BASS_ERROR_MEM;
    decoder.format->pb = decoder.io;
    decoder.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&decoder.format, nullptr, nullptr, nullptr) < 0)
        return BASS_ERROR_FILEFORM; // the context is freed by a failed open
    if (avformat_find_stream_info(decoder.format, nullptr) < 0) return BASS_ERROR_FILEFORM;

    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(decoder.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0 || !codec) return BASS_ERROR_FILEFORM;
    const AVCodecParameters* parameters = decoder.format->streams[index]->codecpar;
    if (!Accepted(parameters->codec_id) || parameters->sample_rate <= 0 ||
        parameters->ch_layout.nb_channels <= 0)
        return BASS_ERROR_FILEFORM;

    decoder.codec = avcodec_alloc_context3(codec);
    if (!decoder.codec) return BASS_ERROR_MEM;
    if (avcodec_parameters_to_context(decoder.codec, parameters) < 0 ||
        avcodec_open2(decoder.codec, codec, nullptr) < 0)
        return BASS_ERROR_FILEFORM;

    stream.rate = uint32_t(parameters->sample_rate);
    stream.channels = parameters->ch_layout.nb_channels == 1 ? 1 : 2;
    stream.bytesPerSample = parameters->codec_id == AV_CODEC_ID_PCM_U8 ? 1 : 2;
    const AVSampleFormat target = stream.bytesPerSample == 1 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;

    AVChannelLayout inputLayout;
    if (decoder.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inputLayout, decoder.codec->ch_layout.nb_channels);
    else if (av_channel_layout_copy(&inputLayout, &decoder.codec->ch_layout) < 0)
        return BASS_ERROR_MEM;
    AVChannelLayout outputLayout;
    av_channel_layout_default(&outputLayout, stream.channels);
    const int made = swr_alloc_set_opts2(&decoder.resampler, &outputLayout, target,
                                         int(stream.rate), &inputLayout, decoder.codec->sample_fmt,
                                         decoder.codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inputLayout);
    av_channel_layout_uninit(&outputLayout);
    if (made < 0 || swr_init(decoder.resampler) < 0) return BASS_ERROR_FILEFORM;

    decoder.packet = av_packet_alloc();
    decoder.frame = av_frame_alloc();
    if (!decoder.packet || !decoder.frame) return BASS_ERROR_MEM;

    while (av_read_frame(decoder.format, decoder.packet) >= 0) {
        int result = 0;
        if (decoder.packet->stream_index == index &&
            avcodec_send_packet(decoder.codec, decoder.packet) >= 0)
            result = Drain(decoder, stream);
        av_packet_unref(decoder.packet);
        if (result != 0) return result;
    }
    avcodec_send_packet(decoder.codec, nullptr);
    if (int result = Drain(decoder, stream); result != 0) return result;
    if (!Convert(decoder, nullptr, stream)) return BASS_ERROR_FILEFORM;
    return stream.samples.empty() ? BASS_ERROR_FILEFORM : 0;
}

} // namespace

int DecodeAudio(const uint8_t* data, size_t size, PcmStream& stream) {
    // FFmpeg's notes on trimmed encoder delay and estimated durations are not for the audience.
    av_log_set_level(AV_LOG_ERROR);
    stream = PcmStream{};
    if (!data || size == 0) return BASS_ERROR_FILEFORM;
    int result;
    try {
        Decoder decoder;
        result = DecodeInto(decoder, data, size, stream);
    } catch (const std::bad_alloc&) {
        result = BASS_ERROR_MEM;
    }
    if (result != 0) stream = PcmStream{};
    return result;
}
