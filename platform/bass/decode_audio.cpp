// Audio decoding through libavformat/libavcodec, read from memory, converted by libswresample.
#include "platform/bass/decode_audio.h"
#include "platform/bass/bass.h"
#include "platform/ffmpeg/ffmpeg_log.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>
#include <system_error>

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

// The decoders of the accepted codings, as FFmpeg's codec whitelist. Probing a file may otherwise
// open any decoder for any stream it finds, and some (the picture ones) print straight to
// standard error about damaged data, outside FFmpeg's log.
const char* AcceptedDecoders() {
    static const std::string names = [] {
        std::string list;
        void* iteration = nullptr;
        while (const AVCodec* codec = av_codec_iterate(&iteration)) {
            if (!av_codec_is_decoder(codec) || !Accepted(codec->id)) continue;
            if (!list.empty()) list += ',';
            list += codec->name;
        }
        return list;
    }();
    return names.c_str();
}

// The length the container claims, in seconds; -1 when it does not say.
double ClaimedSeconds(const AVFormatContext* format, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return double(stream->duration) * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return double(format->duration) / AV_TIME_BASE;
    return -1;
}

} // namespace

// Everything one decode holds, released in one place whatever the way out.
struct AudioDecoder::Codec {
    MemoryReader reader{};
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* context = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int index = -1;
    bool draining = false;
    std::vector<uint8_t> converted;

    ~Codec() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&context);
        avformat_close_input(&format);
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }

    // Opens the data and checks what it claims; 0 or the library error code.
    int Open(const uint8_t* data, size_t size, AudioFormat& out, uint64_t& maxFrames) {
        reader = MemoryReader{data, size, 0};
        constexpr int kBufferSize = 64 * 1024;
        auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
        if (!buffer) return BASS_ERROR_MEM;
        io = avio_alloc_context(buffer, kBufferSize, 0, &reader, ReadPacket, nullptr, Seek);
        if (!io) {
            av_free(buffer);
            return BASS_ERROR_MEM;
        }
        format = avformat_alloc_context();
        if (!format) return BASS_ERROR_MEM;
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        format->codec_whitelist = av_strdup(AcceptedDecoders());
        if (!format->codec_whitelist) return BASS_ERROR_MEM;
        if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0)
            return BASS_ERROR_FILEFORM; // the context is freed by a failed open
        if (avformat_find_stream_info(format, nullptr) < 0) return BASS_ERROR_FILEFORM;

        const AVCodec* codec = nullptr;
        index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (index < 0 || !codec) return BASS_ERROR_FILEFORM;
        const AVStream* stream = format->streams[index];
        const AVCodecParameters* parameters = stream->codecpar;
        // A rate or a length nobody plays is refused before anything is allocated for it.
        const int channels = parameters->ch_layout.nb_channels;
        if (!Accepted(parameters->codec_id) || parameters->sample_rate < int(kLowestAudioRate) ||
            parameters->sample_rate > int(kHighestAudioRate) || channels < 1 || channels > 2 ||
            ClaimedSeconds(format, stream) > kLongestAudioSeconds)
            return BASS_ERROR_FILEFORM;

        context = avcodec_alloc_context3(codec);
        if (!context) return BASS_ERROR_MEM;
        if (avcodec_parameters_to_context(context, parameters) < 0 ||
            avcodec_open2(context, codec, nullptr) < 0)
            return BASS_ERROR_FILEFORM;

        out.rate = uint32_t(parameters->sample_rate);
        out.channels = channels;
        out.bytesPerSample = parameters->codec_id == AV_CODEC_ID_PCM_U8 ? 1 : 2;
        maxFrames = uint64_t(out.rate) * kLongestAudioSeconds;
        const AVSampleFormat target =
            out.bytesPerSample == 1 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
        // The decoder keeps the file's rate and channels; only the sample format changes.
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channels);
        const int made = swr_alloc_set_opts2(&resampler, &layout, target, int(out.rate), &layout,
                                             context->sample_fmt, context->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        if (made < 0 || swr_init(resampler) < 0) return BASS_ERROR_FILEFORM;
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        return packet && frame ? BASS_OK : BASS_ERROR_MEM;
    }

    // Converts `decoded` (or what the resampler holds, for null) into the stream; false when
    // the stream is full or memory ran out.
    bool Convert(const AVFrame* decoded, PcmStream& stream) {
        const int inputCount = decoded ? decoded->nb_samples : 0;
        // A frame that changes its rate or channels midway is skipped.
        if (decoded && (decoded->sample_rate != int(stream.Rate()) ||
                        decoded->ch_layout.nb_channels != stream.Format().channels))
            return true;
        const int capacity = swr_get_out_samples(resampler, inputCount);
        if (capacity <= 0) return true;
        converted.resize(size_t(capacity) * size_t(stream.BlockAlign()));
        uint8_t* output = converted.data();
        const int count = swr_convert(
            resampler, &output, capacity,
            decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr, inputCount);
        if (count <= 0) return true;
        return stream.Append(converted.data(), uint64_t(count)) == uint64_t(count);
    }

    // Decodes what the next packet gives; false once the data is exhausted.
    bool Step(PcmStream& stream) {
        for (;;) {
            const int received = avcodec_receive_frame(context, frame);
            if (received == 0) {
                const bool room = Convert(frame, stream);
                av_frame_unref(frame);
                return room;
            }
            if (received == AVERROR_EOF) {
                Convert(nullptr, stream);
                return false;
            }
            // EAGAIN, or a damaged frame that is skipped, as a player would: feed more data.
            if (draining) return false;
            if (av_read_frame(format, packet) < 0) {
                avcodec_send_packet(context, nullptr);
                draining = true;
                continue;
            }
            if (packet->stream_index == index) avcodec_send_packet(context, packet);
            av_packet_unref(packet);
        }
    }
};

std::unique_ptr<AudioDecoder> AudioDecoder::Open(std::vector<uint8_t> bytes,
                                                 const std::string& name, int& error) {
    QuietFfmpegLog();
    FfmpegLogFile log(name.c_str());
    error = BASS_ERROR_FILEFORM;
    if (bytes.empty()) return nullptr;
    try {
        std::unique_ptr<AudioDecoder> decoder(new AudioDecoder());
        decoder->bytes = std::move(bytes);
        decoder->name = name;
        decoder->codec = std::make_unique<Codec>();
        AudioFormat format;
        uint64_t maxFrames = 0;
        error =
            decoder->codec->Open(decoder->bytes.data(), decoder->bytes.size(), format, maxFrames);
        if (error != BASS_OK) return nullptr;
        decoder->stream = std::make_unique<PcmStream>(format, maxFrames);
        // A file that gives no sound at all is no music.
        while (decoder->stream->Decoded() == 0 && decoder->Step()) {
        }
        if (decoder->stream->Decoded() == 0) {
            error = BASS_ERROR_FILEFORM;
            return nullptr;
        }
        error = BASS_OK;
        return decoder;
    } catch (const std::bad_alloc&) {
        error = BASS_ERROR_MEM;
        return nullptr;
    }
}

AudioDecoder::~AudioDecoder() {
    stopping = true;
    if (worker.joinable()) worker.join();
}

bool AudioDecoder::Step() {
    try {
        return codec->Step(*stream);
    } catch (const std::bad_alloc&) {
        return false; // what was decoded stays playable
    }
}

void AudioDecoder::DecodeRest() {
    FfmpegLogFile log(name.c_str());
    while (!stopping && Step()) {
    }
    stream->Finish();
}

bool AudioDecoder::DecodeSome(int packets) {
    FfmpegLogFile log(name.c_str());
    for (int i = 0; i < packets; ++i)
        if (stopping || !Step()) {
            stream->Finish();
            return true;
        }
    return false;
}

bool AudioDecoder::DecodeInBackground() {
#ifdef __EMSCRIPTEN__
    // The page has no threads: the music is decoded now, whole.
    DecodeRest();
    return false;
#else
    try {
        worker = std::thread([this] {
            // Behind the show's own threads: the music decodes a hundred times faster than it
            // plays, and a tenth of a core keeps it well ahead, while starting up goes first.
            setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
            DecodeRest();
        });
        return true;
    } catch (const std::system_error&) {
        DecodeRest();
        return false;
    }
#endif
}

int DecodeAudio(const uint8_t* data, size_t size, DecodedAudio& audio) {
    audio = DecodedAudio{};
    if (!data || size == 0) return BASS_ERROR_FILEFORM;
    int error = BASS_OK;
    try {
        std::unique_ptr<AudioDecoder> decoder =
            AudioDecoder::Open(std::vector<uint8_t>(data, data + size), "audio data", error);
        if (!decoder) return error;
        decoder->DecodeRest();
        PcmStream& stream = decoder->Stream();
        audio.format = stream.Format();
        audio.samples.resize(size_t(stream.Decoded()) * size_t(audio.format.BlockAlign()));
        stream.Read(0, audio.samples.data(), stream.Decoded());
        return BASS_OK;
    } catch (const std::bad_alloc&) {
        audio = DecodedAudio{};
        return BASS_ERROR_MEM;
    }
}
