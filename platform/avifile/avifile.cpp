// AVIFile on FFmpeg.
#include "platform/avifile/vfw.h"
#include "platform/ffmpeg/descriptor_io.h"
#include "platform/ffmpeg/ffmpeg_log.h"
#include "platform/ffmpeg/yuv444.h"
#include "platform/files/open_for_reading.h"
#include "platform/files/resolve_path.h"
#include "platform/host/host.h"
#include "platform/host/run_state.h"
#include "platform/host/test_hooks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

struct AVISTREAM {
    ULONG references = 1;
    // The clip's path as the caller gave it, for FFmpeg's notes.
    std::string path;
    // The file, opened here and read by FFmpeg through `reader`.
    int descriptor = -1;
    AVIOContext* reader = nullptr;
    AVFormatContext* format = nullptr;
    int index = -1;
    DWORD frameCount = 0;

    ~AVISTREAM() {
        avformat_close_input(&format);
        FreeDescriptorReader(&reader);
        if (descriptor >= 0) close(descriptor);
    }
    AVStream* Stream() const { return format->streams[index]; }
};

struct GETFRAME {
    AVISTREAM* stream = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    bool draining = false;
    // The frame held in `bitmap`, -1 for none; `next` is where forward decoding stands.
    int64_t current = -1;
    int64_t next = -1;
    // The number the next decoded frame shows, counted on from the first packet after a seek:
    // AVI gives inter-frame clips no presentation times, and the decoder's output lags its
    // input, so a frame's own timestamp cannot be trusted. -1 until that packet is read.
    int64_t counted = -1;
    // Every frame is delivered at the size of the first one delivered, scaled if it differs,
    // so that what a caller reads with the first frame's size is always inside the bitmap.
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bitmap;
    // The converted frame top row first, before it is turned into a bitmap.
    std::vector<uint8_t> topDown;
    // Decoding ahead: once a frame is delivered, the one after it is decoded on a thread of its
    // own into `ahead` while the caller draws; asked for next, as forward play asks, it is
    // handed over at once. The thread owns the FFmpeg state, `ahead` and `topDown` until joined.
    std::thread worker;
    std::vector<uint8_t> ahead;
    int64_t aheadIndex = -1;
    bool aheadReady = false;
    // Playing backwards: a step back into a clip with inter frames decodes from the key frame
    // before it, and every frame on the way is kept here, `run[i]` being frame `runFirst + i`,
    // so that the steps back after it cost a copy each, not a decode from the key frame again.
    std::vector<std::vector<uint8_t>> run;
    int64_t runFirst = -1;

    ~GETFRAME();
};

namespace {

// A clip frame asked for while fast-forwarding, with the surface it was meant for: noted, not
// decoded.
struct DeferredFrame {
    GETFRAME* decoder;
    LONG position;
    const void* surface;
};

// Everything the stand-in keeps between calls.
struct AviFileState {
    int initCount = 0;
    // The frames asked for while fast-forwarding, in the order asked across every clip.
    std::vector<DeferredFrame> deferredFrames;
#if SHOW_TEST_CONTROLS
    // The decoders with a frame being decoded ahead, and the processor time those threads took.
    std::vector<GETFRAME*> decodingAhead;
    std::atomic<int64_t> decodingAheadNanoseconds{0};
#endif
};

AviFileState state;

#if SHOW_TEST_CONTROLS
[[maybe_unused]] int64_t ThreadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}
#endif

// The frame number of a decoded frame, from its timestamp in the stream's time base.
int64_t FrameNumber(const AVStream* stream, int64_t timestamp) {
    if (timestamp == AV_NOPTS_VALUE) return -1;
    const AVRational rate =
        stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    if (!rate.num || !rate.den) return timestamp - start;
    // Frames are 1/rate apart: frame = (timestamp - start) x time base x rate, to the nearest.
    return av_rescale_q_rnd(timestamp - start, stream->time_base, av_inv_q(rate),
                            AVRounding(AV_ROUND_NEAR_INF));
}

DWORD CountFrames(const AVStream* stream, const AVFormatContext* format) {
    if (stream->nb_frames > 0) return DWORD(stream->nb_frames);
    const AVRational rate =
        stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    if (!rate.num) return 0;
    int64_t duration = stream->duration;
    AVRational base = stream->time_base;
    if (duration == AV_NOPTS_VALUE) {
        duration = format->duration;
        base = AVRational{1, AV_TIME_BASE};
    }
    if (duration == AV_NOPTS_VALUE || duration <= 0) return 0;
    return DWORD(av_rescale_q(duration, base, av_inv_q(rate)));
}

// Converts the decoded frame into `bitmap`, a packed bottom-up 24-bit bitmap.
bool StoreBitmap(GETFRAME& decoder, std::vector<uint8_t>& bitmap) {
    const AVFrame* frame = decoder.frame;
    const int width = frame->width, height = frame->height;
    if (width <= 0 || height <= 0) return false;
    AVPixelFormat source = AVPixelFormat(frame->format);
    bool fullRange = frame->color_range == AVCOL_RANGE_JPEG;
    // swscale wants JPEG's full-range formats named as the plain ones, the range said apart.
    switch (source) {
    case AV_PIX_FMT_YUVJ420P:
        source = AV_PIX_FMT_YUV420P, fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ422P:
        source = AV_PIX_FMT_YUV422P, fullRange = true;
        break;
    case AV_PIX_FMT_YUVJ444P:
        source = AV_PIX_FMT_YUV444P, fullRange = true;
        break;
    default:
        break;
    }
    if (decoder.width == 0) decoder.width = width, decoder.height = height;
    const int outWidth = decoder.width, outHeight = decoder.height;
    const bool sameSize = outWidth == width && outHeight == height;
    const int stride = (outWidth * 3 + 3) & ~3;
    const size_t size = sizeof(BITMAPINFOHEADER) + size_t(stride) * size_t(outHeight);
    if (bitmap.size() != size) bitmap.assign(size, 0);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = outWidth;
    header.biHeight = outHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride * outHeight);
    std::memcpy(bitmap.data(), &header, sizeof header);
    uint8_t* rows = bitmap.data() + sizeof header;
    if (source == AV_PIX_FMT_YUV444P && sameSize) {
        // Straight into the bitmap's rows, bottom row first.
        for (int y = 0; y < height; ++y) {
            const size_t at[3] = {size_t(y) * size_t(frame->linesize[0]),
                                  size_t(y) * size_t(frame->linesize[1]),
                                  size_t(y) * size_t(frame->linesize[2])};
            Yuv444RowToBgr(frame->data[0] + at[0], frame->data[1] + at[1], frame->data[2] + at[2],
                           width, fullRange, rows + size_t(stride) * size_t(height - 1 - y));
        }
        return true;
    }
    decoder.scaler = sws_getCachedContext(
        decoder.scaler, width, height, source, outWidth, outHeight, AV_PIX_FMT_BGR24,
        sameSize ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!decoder.scaler) return false;
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(decoder.scaler, coefficients, fullRange ? 1 : 0, coefficients, 1, 0,
                             1 << 16, 1 << 16);

    // Converted top row first, then turned into the bitmap's bottom-up order: swscale's vector
    // code, written into bottom-up rows (a negative stride), takes the first pixels of every row
    // from elsewhere. Its vector code may also write a little past a row's end: the scratch
    // buffer carries some slack there.
    constexpr size_t kSlack = 64;
    decoder.topDown.resize(size_t(stride) * size_t(outHeight) + kSlack);
    uint8_t* planes[4] = {decoder.topDown.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(decoder.scaler, frame->data, frame->linesize, 0, height, planes, strides) !=
        outHeight)
        return false;
    for (int y = 0; y < outHeight; ++y)
        std::memcpy(rows + size_t(stride) * size_t(outHeight - 1 - y),
                    decoder.topDown.data() + size_t(stride) * size_t(y), size_t(stride));
    return true;
}

// Decodes the next frame in order into decoder.frame, and gives its number; false at the end
// or on a read error.
bool DecodeNext(GETFRAME& decoder, int64_t& number) {
    AVFormatContext* format = decoder.stream->format;
    const AVStream* stream = decoder.stream->Stream();
    for (;;) {
        const int received = avcodec_receive_frame(decoder.codec, decoder.frame);
        if (received == 0) {
            number = decoder.counted >= 0
                         ? decoder.counted++
                         : FrameNumber(stream, decoder.frame->best_effort_timestamp);
            return true;
        }
        if (received == AVERROR_EOF || decoder.draining) return false;
        // EAGAIN, or a frame that failed: feed more data.
        if (av_read_frame(format, decoder.packet) < 0) {
            avcodec_send_packet(decoder.codec, nullptr);
            decoder.draining = true;
            continue;
        }
        if (decoder.packet->stream_index == decoder.stream->index) {
            if (decoder.counted < 0) {
                const AVPacket* p = decoder.packet;
                decoder.counted = FrameNumber(stream, p->pts != AV_NOPTS_VALUE ? p->pts : p->dts);
            }
            avcodec_send_packet(decoder.codec, decoder.packet);
        }
        av_packet_unref(decoder.packet);
    }
}

// The most a step back keeps: 32 frames, and 16 MB (32 frames of the show's largest canvas, a
// few of a user's clip that is far larger). A clip whose key frames lie further apart keeps the
// last ones before the frame asked for.
constexpr int64_t kLongestRun = 32;
constexpr int64_t kRunBytes = 16 << 20;

int64_t LongestRun(const GETFRAME& decoder) {
    const int64_t frameBytes = int64_t((decoder.width * 3 + 3) & ~3) * decoder.height + 40;
    return std::clamp<int64_t>(kRunBytes / std::max<int64_t>(frameBytes, 1), 1, kLongestRun);
}

// Decodes forward from where the decoder stands until frame `wanted`, into `bitmap`; false if
// it never comes. With `keepRun`, the frames on the way are kept in the decoder's run.
bool DecodeUntil(GETFRAME& decoder, int64_t wanted, std::vector<uint8_t>& bitmap,
                 bool keepRun = false) {
    int64_t number = -1;
    while (DecodeNext(decoder, number)) {
        decoder.next = number + 1;
        if (number == wanted) {
            const bool stored = StoreBitmap(decoder, bitmap);
            av_frame_unref(decoder.frame);
            return stored;
        }
        if (keepRun && number >= 0 && number < wanted && wanted - number < LongestRun(decoder)) {
            if (decoder.run.empty() || decoder.runFirst + int64_t(decoder.run.size()) != number)
                decoder.run.clear(), decoder.runFirst = number;
            decoder.run.emplace_back();
            if (!StoreBitmap(decoder, decoder.run.back())) decoder.run.pop_back();
        }
        av_frame_unref(decoder.frame);
        if (number > wanted) return false;
    }
    decoder.next = -1;
    return false;
}

// Frame `position` from the run kept by the last step back, into the decoder's bitmap.
bool TakeFromRun(GETFRAME& decoder, int64_t position) {
    if (position < decoder.runFirst || position >= decoder.runFirst + int64_t(decoder.run.size()))
        return false;
    const std::vector<uint8_t>& kept = decoder.run[size_t(position - decoder.runFirst)];
    if (kept.size() != decoder.bitmap.size()) return false;
    std::memcpy(decoder.bitmap.data(), kept.data(), kept.size());
    return true;
}

bool SeekBefore(GETFRAME& decoder, int64_t wanted) {
    const AVStream* stream = decoder.stream->Stream();
    const AVRational rate =
        stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t timestamp =
        start + (rate.num ? av_rescale_q(wanted, av_inv_q(rate), stream->time_base) : wanted);
    if (av_seek_frame(decoder.stream->format, decoder.stream->index, timestamp,
                      AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(decoder.codec);
    decoder.draining = false;
    decoder.next = -1;
    decoder.counted = -1;
    return true;
}

// Decodes frame `after` + 1 ahead if it comes next in the file (the browser build, which has
// no threads, does not).
void DecodeAhead(GETFRAME& decoder, int64_t after) {
#ifndef __EMSCRIPTEN__
    const int64_t wanted = after + 1;
    if (wanted != decoder.next || wanted >= int64_t(decoder.stream->frameCount) ||
        !host::hooks::DecodesClipsAhead())
        return;
    // Without a thread to be had (a limit on processes or memory), the frame is decoded when
    // asked for instead.
    try {
        decoder.worker = std::thread([&decoder, wanted] {
#if SHOW_TEST_CONTROLS
            const int64_t started = ThreadNanoseconds();
#endif
            FfmpegLogFile log(decoder.stream->path.c_str());
            try {
                decoder.aheadReady = DecodeUntil(decoder, wanted, decoder.ahead);
            } catch (const std::bad_alloc&) {
                decoder.aheadReady = false;
            }
            decoder.aheadIndex = wanted;
#if SHOW_TEST_CONTROLS
            state.decodingAheadNanoseconds += ThreadNanoseconds() - started;
#endif
        });
    } catch (const std::system_error&) {
        return;
    }
#if SHOW_TEST_CONTROLS
    state.decodingAhead.push_back(&decoder);
#endif
#else
    (void)decoder;
    (void)after;
#endif
}

} // namespace

GETFRAME::~GETFRAME() {
    if (worker.joinable()) worker.join();
#if SHOW_TEST_CONTROLS
    state.decodingAhead.erase(
        std::remove(state.decodingAhead.begin(), state.decodingAhead.end(), this),
        state.decodingAhead.end());
#endif
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(scaler);
    avcodec_free_context(&codec);
}

namespace {

// Frame `position` of the clip, decoded, as the packed bitmap; null if it cannot be.
void* Decode(GETFRAME& decoder, LONG position) {
    host::hooks::Trace("AVIStreamGetFrame");
    if (host::hooks::Fails("AVIStreamGetFrame")) return nullptr;
    if (position == decoder.current) return decoder.bitmap.data();
    if (decoder.worker.joinable()) decoder.worker.join();
    if (decoder.aheadReady && position == decoder.aheadIndex) {
        decoder.bitmap.swap(decoder.ahead);
        decoder.aheadReady = false;
        decoder.current = position;
        host::hooks::Trace("clip frame decoded");
        DecodeAhead(decoder, position);
        return decoder.bitmap.data();
    }
    decoder.aheadReady = false;
    if (TakeFromRun(decoder, position)) {
        decoder.current = position;
        host::hooks::Trace("clip frame decoded");
        return decoder.bitmap.data();
    }
    FfmpegLogFile log(decoder.stream->path.c_str());
    try {
        // The very next frame decodes on from here; anything else starts at a key frame. A step
        // back keeps what it decodes on the way, for the steps back after it.
        const bool back = decoder.current >= 0 && position < decoder.current;
        if (back) decoder.run.clear(), decoder.runFirst = -1;
        if ((position == decoder.next || SeekBefore(decoder, position)) &&
            DecodeUntil(decoder, position, decoder.bitmap, back)) {
            decoder.current = position;
            host::hooks::Trace("clip frame decoded");
            DecodeAhead(decoder, position);
            return decoder.bitmap.data();
        }
    } catch (const std::bad_alloc&) {
    }
    decoder.current = -1;
    return nullptr;
}

void Defer(GETFRAME* decoder, LONG position) {
    const void* surface = host::Run().lockedSurface;
    if (!state.deferredFrames.empty()) {
        const DeferredFrame& last = state.deferredFrames.back();
        if (last.decoder == decoder && last.position == position && last.surface == surface) return;
    }
    state.deferredFrames.push_back({decoder, position, surface});
}

// The first frame asked for a surface once fast-forwarding is over, `asked` being what it gives
// (null when it has none). A full play would have copied every noted frame into the surface as
// it came, so the surface would show the last of them that decodes, which is what the caller's
// copy of `asked` replaces. When `asked` has no frame, the copy is given that last frame in its
// place: landing where the copies of the same clip always land, it leaves the surface as the
// full play did. Frames of a clip of another size noted for the surface would have left parts of
// their pictures that nothing puts back: the fast-forward is then not exact, and says so.
void* Settle(GETFRAME& decoder, void* asked) {
    const void* surface = host::Run().lockedSurface;
    std::vector<DeferredFrame> noted;
    auto kept = state.deferredFrames.begin();
    for (const DeferredFrame& frame : state.deferredFrames)
        (frame.surface == surface ? noted.push_back(frame) : void(*kept++ = frame));
    state.deferredFrames.erase(kept, state.deferredFrames.end());
    for (const DeferredFrame& frame : noted)
        if (frame.decoder->width != decoder.width || frame.decoder->height != decoder.height)
            host::Run().fastForwardExact = false;
    if (asked) return asked;
    for (auto frame = noted.rbegin(); frame != noted.rend(); ++frame)
        if (void* decoded = Decode(*frame->decoder, frame->position)) return decoded;
    return nullptr;
}

} // namespace

void WINAPI AVIFileInit() {
    // FFmpeg's notes on clip headers are not for the audience, and a damaged clip says what is
    // wrong once, not once a frame.
    QuietFfmpegLog();
    ++state.initCount;
}

void WINAPI AVIFileExit() {
    if (state.initCount > 0) --state.initCount;
}

#if SHOW_TEST_CONTROLS
int AviFileInitCount() {
    return state.initCount;
}

void AviFileWaitForDecodingAhead() {
    for (GETFRAME* decoder : state.decodingAhead)
        if (decoder->worker.joinable()) decoder->worker.join();
    state.decodingAhead.clear();
}

double AviFileDecodingAheadMilliseconds() {
    return double(state.decodingAheadNanoseconds.load()) / 1e6;
}
#endif

HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM* result, LPCSTR file, DWORD type, LONG number,
                                      UINT /*mode*/, CLSID* /*handler*/) {
    if (!result) return AVIERR_BADPARAM;
    *result = nullptr;
    if (!file || type != streamtypeVIDEO || number != 0) return AVIERR_BADPARAM;
    if (state.initCount == 0) return AVIERR_ERROR;
    if (host::hooks::Fails("AVIStreamOpenFromFileA")) return AVIERR_FILEOPEN;

    FfmpegLogFile log(file);
    auto* stream = new (std::nothrow) AVISTREAM();
    if (!stream) return AVIERR_MEMORY;
    stream->path = file;
    // Opened here, never by FFmpeg's file protocol: a FIFO in a clip's place is refused at once.
    stream->descriptor = OpenForReading(ResolvePath(file));
    if (stream->descriptor < 0) {
        delete stream;
        return AVIERR_FILEOPEN;
    }
    stream->reader = NewDescriptorReader(stream->descriptor);
    stream->format = stream->reader ? avformat_alloc_context() : nullptr;
    if (!stream->format) {
        delete stream;
        return AVIERR_MEMORY;
    }
    stream->format->pb = stream->reader;
    stream->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // avformat_open_input frees the context when it fails.
    if (avformat_open_input(&stream->format, stream->path.c_str(), nullptr, nullptr) < 0) {
        delete stream;
        return AVIERR_FILEOPEN;
    }
    if (avformat_find_stream_info(stream->format, nullptr) < 0) {
        delete stream;
        return AVIERR_BADFORMAT;
    }
    for (unsigned i = 0; i < stream->format->nb_streams; ++i)
        if (stream->format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            stream->index = int(i);
            break;
        }
    if (stream->index < 0) {
        delete stream;
        return AVIERR_NODATA;
    }
    stream->frameCount = CountFrames(stream->Stream(), stream->format);
    *result = stream;
    return AVIERR_OK;
}

HRESULT WINAPI AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size) {
    if (!stream || !info || size < LONG(sizeof *info)) return AVIERR_BADPARAM;
    const AVStream* video = stream->Stream();
    const AVRational rate = video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate;
    *info = AVISTREAMINFOA{};
    info->fccType = streamtypeVIDEO;
    info->fccHandler = video->codecpar->codec_tag;
    info->dwScale = DWORD(rate.den);
    info->dwRate = DWORD(rate.num);
    info->dwLength = stream->frameCount;
    info->rcFrame = RECT{0, 0, video->codecpar->width, video->codecpar->height};
    std::strncpy(info->szName, "video", sizeof info->szName - 1);
    return AVIERR_OK;
}

ULONG WINAPI AVIStreamRelease(PAVISTREAM stream) {
    if (!stream) return 0;
    const ULONG left = --stream->references;
    if (left == 0) delete stream;
    return left;
}

PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM stream, BITMAPINFOHEADER* wanted) {
    if (!stream) return nullptr;
    if (wanted && (wanted->biBitCount != 24 || wanted->biCompression != BI_RGB)) return nullptr;
    const AVCodecParameters* parameters = stream->Stream()->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) return nullptr;
    FfmpegLogFile log(stream->path.c_str());
    auto* decoder = new (std::nothrow) GETFRAME();
    if (!decoder) return nullptr;
    decoder->stream = stream;
    decoder->codec = avcodec_alloc_context3(codec);
    decoder->packet = av_packet_alloc();
    decoder->frame = av_frame_alloc();
    if (!decoder->codec || !decoder->packet || !decoder->frame ||
        avcodec_parameters_to_context(decoder->codec, parameters) < 0 ||
        avcodec_open2(decoder->codec, codec, nullptr) < 0) {
        delete decoder;
        return nullptr;
    }
    // The decoder keeps the stream alive, as AVIFile's does.
    ++stream->references;
    return decoder;
}

void* WINAPI AVIStreamGetFrame(PGETFRAME decoder, LONG position) {
    if (!decoder) return nullptr;
    const bool inClip = position >= 0 && DWORD(position) < decoder->stream->frameCount;
    if (host::Run().fastForward) {
        if (inClip) Defer(decoder, position);
        return nullptr;
    }
    void* frame = inClip ? Decode(*decoder, position) : nullptr;
    if (frame) host::hooks::ClipFrameDelivered(decoder->stream->path.c_str(), position);
    return state.deferredFrames.empty() ? frame : Settle(*decoder, frame);
}

HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME decoder) {
    if (!decoder) return AVIERR_BADPARAM;
    state.deferredFrames.erase(
        std::remove_if(state.deferredFrames.begin(), state.deferredFrames.end(),
                       [decoder](const DeferredFrame& noted) { return noted.decoder == decoder; }),
        state.deferredFrames.end());
    AVISTREAM* stream = decoder->stream;
    delete decoder;
    AVIStreamRelease(stream);
    return AVIERR_OK;
}
