// The library's calls: one global state, as the real library has.
#include "platform/bass/bass.h"
#include "platform/bass/decode_audio.h"
#include "platform/bass/prepared_music.h"
#include "platform/files/load_failure.h"
#include "platform/files/resolve_path.h"
#include "platform/host/audio_output.h"
#include "platform/host/backend.h"
#include "platform/host/test_hooks.h"

#include <cerrno>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

struct Stream {
    // Decodes on its own thread while the stream is heard; stopped when the stream goes. Shared
    // with the music prepared ahead, where the stream is that music.
    std::shared_ptr<AudioDecoder> decoder;
    PcmStream& Pcm() { return decoder->Stream(); }
    DWORD flags = 0;
    // Where playback starts when the stream is not playing, in frames.
    uint64_t position = 0;
};

struct Library {
    AudioOutput* output = nullptr; // set while initialised
    int error = BASS_OK;
    std::map<HSTREAM, std::unique_ptr<Stream>> streams;
    HSTREAM nextHandle = 1;
};

Library library;

BOOL Fail(int error) {
    library.error = error;
    return FALSE;
}

BOOL Succeed() {
    library.error = BASS_OK;
    return TRUE;
}

Stream* Find(DWORD handle) {
    auto found = library.streams.find(handle);
    return found == library.streams.end() ? nullptr : found->second.get();
}

// A call the tests made fail: FALSE with the library error they chose.
bool Injected(const char* call, int fallbackError) {
    int64_t code = fallbackError;
    if (!host::hooks::Fails(call, &code)) return false;
    library.error = int(code);
    return true;
}

} // namespace

BOOL BASS_Init(int device, DWORD frequency, DWORD /*flags*/, HWND /*window*/) {
    host::hooks::Trace("BASS_Init");
    if (Injected("BASS_Init", BASS_ERROR_DRIVER)) return FALSE;
    if (library.output) return Fail(BASS_ERROR_ALREADY);
    // -1 is the default device, 0 "no sound" (not offered), 1 the first real device.
    if (device != -1 && device != 1) return Fail(BASS_ERROR_DEVICE);
    if (frequency == 0) return Fail(BASS_ERROR_FORMAT);
    AudioOutput& output = host::Active().Audio();
    if (!output.Open(frequency)) return Fail(BASS_ERROR_DRIVER);
    library.output = &output;
    return Succeed();
}

BOOL BASS_Start() {
    host::hooks::Trace("BASS_Start");
    if (!library.output) return Fail(BASS_ERROR_INIT);
    library.output->Start();
    return Succeed();
}

BOOL BASS_Stop() {
    host::hooks::Trace("BASS_Stop");
    if (!library.output) return Fail(BASS_ERROR_INIT);
    library.output->Stop();
    return Succeed();
}

void BASS_Free() {
    host::hooks::Trace("BASS_Free");
    if (!library.output) {
        library.error = BASS_ERROR_INIT;
        return;
    }
    for (auto& entry : library.streams)
        library.output->Halt(&entry.second->Pcm());
    library.streams.clear();
    library.output->Close();
    library.output = nullptr;
    library.error = BASS_OK;
}

int BASS_ErrorGetCode() {
    return library.error;
}

HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, DWORD offset, DWORD length,
                              DWORD flags) {
    host::hooks::Trace("BASS_StreamCreateFile");
    if (!library.output) return Fail(BASS_ERROR_INIT);
    if (!file) return Fail(BASS_ERROR_ILLPARAM);
    if (Injected("BASS_StreamCreateFile", BASS_ERROR_FILEOPEN)) return 0;

    // Nothing here may end the program: a file too large to hold is the library's
    // out-of-memory error, as the real library reports it.
    try {
        std::vector<uint8_t> contents;
        std::string name;
        if (memory) {
            if (length == 0) return Fail(BASS_ERROR_ILLPARAM);
            const auto* data = static_cast<const uint8_t*>(file) + offset;
            contents.assign(data, data + length);
            name = "music in memory";
        } else {
            name = static_cast<const char*>(file);
            if (const int error = ReadWholeFile(name.c_str(), contents, kMaxMusicFileBytes)) {
                const std::string why = WhyUnreadable(name, kMaxMusicFileBytes);
                NoteLoadFailure(name, error == ENOMEM ? "out of memory while reading it"
                                      : why.empty()   ? "unreadable"
                                                      : why);
                return Fail(error == ENOMEM ? BASS_ERROR_MEM : BASS_ERROR_FILEOPEN);
            }
            if (offset > contents.size()) return Fail(BASS_ERROR_FILEFORM);
            const size_t left = contents.size() - offset;
            const size_t size = length == 0 || length > left ? left : length;
            contents.erase(contents.begin() + std::ptrdiff_t(offset + size), contents.end());
            contents.erase(contents.begin(), contents.begin() + std::ptrdiff_t(offset));
        }
        int error = BASS_OK;
        auto stream = std::make_unique<Stream>();
        stream->decoder = TakePreparedMusic(contents);
        if (!stream->decoder)
            stream->decoder = AudioDecoder::Open(std::move(contents), name, error);
        if (!stream->decoder) {
            NoteLoadFailure(name, error == BASS_ERROR_MEM
                                      ? "out of memory"
                                      : "not music that can be played (MP3, MP2, MP1, or 8- or "
                                        "16-bit PCM WAV; 8 to 192 kHz, one or two channels, at "
                                        "most an hour)");
            return Fail(error);
        }
        // The rest decodes while the stream is heard: the position only counts what was heard.
        if (!stream->decoder->Stream().Complete()) stream->decoder->DecodeInBackground();
        stream->flags = flags & (BASS_SAMPLE_LOOP | BASS_MP3_SETPOS);
        const HSTREAM handle = library.nextHandle++;
        library.streams.emplace(handle, std::move(stream));
        library.error = BASS_OK;
        return handle;
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM);
    }
}

BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags) {
    host::hooks::Trace("BASS_StreamPlay");
    Stream* stream = Find(handle);
    if (!stream) return Fail(BASS_ERROR_HANDLE);
    if (Injected("BASS_StreamPlay", BASS_ERROR_START)) return FALSE;
    stream->flags = (stream->flags & ~BASS_SAMPLE_LOOP) | (flags & BASS_SAMPLE_LOOP);
    uint64_t from = stream->position;
    if (flush)
        from = 0;
    else if (library.output->IsPlaying(&stream->Pcm()))
        from = library.output->HeardFrame(&stream->Pcm());
    library.output->Play(&stream->Pcm(), from, (stream->flags & BASS_SAMPLE_LOOP) != 0);
    return Succeed();
}

void BASS_StreamFree(HSTREAM handle) {
    host::hooks::Trace("BASS_StreamFree");
    Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return;
    }
    library.output->Halt(&stream->Pcm());
    library.streams.erase(handle);
    library.error = BASS_OK;
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* frequency, DWORD* volume, int* pan) {
    const Stream* stream = Find(handle);
    if (!stream) return Fail(BASS_ERROR_HANDLE);
    if (Injected("BASS_ChannelGetAttributes", BASS_ERROR_HANDLE)) return FALSE;
    if (frequency) *frequency = stream->decoder->Stream().Rate();
    if (volume) *volume = 100;
    if (pan) *pan = 0;
    return Succeed();
}

DWORD BASS_ChannelGetFlags(DWORD handle) {
    Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return DWORD(-1);
    }
    DWORD flags = stream->flags;
    if (stream->Pcm().Format().channels == 1) flags |= BASS_SAMPLE_MONO;
    if (stream->Pcm().Format().bytesPerSample == 1) flags |= BASS_SAMPLE_8BITS;
    library.error = BASS_OK;
    return flags;
}

DWORD BASS_ChannelGetPosition(DWORD handle) {
    Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return DWORD(-1);
    }
    const uint64_t frame = library.output->IsPlaying(&stream->Pcm())
                               ? library.output->HeardFrame(&stream->Pcm())
                               : stream->position;
    library.error = BASS_OK;
    return DWORD(frame * uint64_t(stream->Pcm().BlockAlign()));
}

BOOL BASS_ChannelSetPosition(DWORD handle, DWORD position) {
    host::hooks::Trace("BASS_ChannelSetPosition");
    Stream* stream = Find(handle);
    if (!stream) return Fail(BASS_ERROR_HANDLE);
    if (Injected("BASS_ChannelSetPosition", BASS_ERROR_POSITION)) return FALSE;
    PcmStream& pcm = stream->Pcm();
    const uint64_t frame = position / uint64_t(pcm.BlockAlign());
    // A position not decoded yet waits for the decoder: it may be past the end.
    if (frame >= pcm.WaitFor(frame)) return Fail(BASS_ERROR_POSITION);
    stream->position = frame;
    if (library.output->IsPlaying(&pcm))
        library.output->Play(&pcm, frame, (stream->flags & BASS_SAMPLE_LOOP) != 0);
    return Succeed();
}
