// The library's calls: one global state, as the real library has.
#include "platform/bass/bass.h"
#include "platform/bass/audio_output.h"
#include "platform/bass/decode_audio.h"
#include "platform/files/resolve_path.h"
#include "platform/host/backend.h"
#include "platform/host/test_hooks.h"

#include <map>
#include <memory>
#include <new>

namespace {

struct Stream {
    PcmStream pcm;
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
    if (int error = output.Open(frequency); error != BASS_OK) return Fail(error);
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
        library.output->Halt(&entry.second->pcm);
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

    std::vector<uint8_t> contents;
    const uint8_t* data;
    size_t size;
    if (memory) {
        if (length == 0) return Fail(BASS_ERROR_ILLPARAM);
        data = static_cast<const uint8_t*>(file) + offset;
        size = length;
    } else {
        if (ReadWholeFile(static_cast<const char*>(file), contents) != 0)
            return Fail(BASS_ERROR_FILEOPEN);
        if (offset > contents.size()) return Fail(BASS_ERROR_FILEFORM);
        const size_t left = contents.size() - offset;
        data = contents.data() + offset;
        size = length == 0 || length > left ? left : length;
    }

    auto stream = std::make_unique<Stream>();
    if (int error = DecodeAudio(data, size, stream->pcm); error != BASS_OK) return Fail(error);
    stream->flags = flags & (BASS_SAMPLE_LOOP | BASS_MP3_SETPOS);
    const HSTREAM handle = library.nextHandle++;
    library.streams.emplace(handle, std::move(stream));
    library.error = BASS_OK;
    return handle;
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
    else if (library.output->IsPlaying(&stream->pcm))
        from = library.output->HeardFrame(&stream->pcm);
    library.output->Play(&stream->pcm, from, (stream->flags & BASS_SAMPLE_LOOP) != 0);
    return Succeed();
}

void BASS_StreamFree(HSTREAM handle) {
    host::hooks::Trace("BASS_StreamFree");
    Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return;
    }
    library.output->Halt(&stream->pcm);
    library.streams.erase(handle);
    library.error = BASS_OK;
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* frequency, DWORD* volume, int* pan) {
    const Stream* stream = Find(handle);
    if (!stream) return Fail(BASS_ERROR_HANDLE);
    if (Injected("BASS_ChannelGetAttributes", BASS_ERROR_HANDLE)) return FALSE;
    if (frequency) *frequency = stream->pcm.rate;
    if (volume) *volume = 100;
    if (pan) *pan = 0;
    return Succeed();
}

DWORD BASS_ChannelGetFlags(DWORD handle) {
    const Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return DWORD(-1);
    }
    DWORD flags = stream->flags;
    if (stream->pcm.channels == 1) flags |= BASS_SAMPLE_MONO;
    if (stream->pcm.bytesPerSample == 1) flags |= BASS_SAMPLE_8BITS;
    library.error = BASS_OK;
    return flags;
}

DWORD BASS_ChannelGetPosition(DWORD handle) {
    Stream* stream = Find(handle);
    if (!stream) {
        library.error = BASS_ERROR_HANDLE;
        return DWORD(-1);
    }
    const uint64_t frame = library.output->IsPlaying(&stream->pcm)
                               ? library.output->HeardFrame(&stream->pcm)
                               : stream->position;
    library.error = BASS_OK;
    return DWORD(frame * uint64_t(stream->pcm.BlockAlign()));
}

BOOL BASS_ChannelSetPosition(DWORD handle, DWORD position) {
    host::hooks::Trace("BASS_ChannelSetPosition");
    Stream* stream = Find(handle);
    if (!stream) return Fail(BASS_ERROR_HANDLE);
    if (Injected("BASS_ChannelSetPosition", BASS_ERROR_POSITION)) return FALSE;
    const uint64_t frame = position / uint64_t(stream->pcm.BlockAlign());
    if (frame >= stream->pcm.FrameCount()) return Fail(BASS_ERROR_POSITION);
    stream->position = frame;
    if (library.output->IsPlaying(&stream->pcm))
        library.output->Play(&stream->pcm, frame, (stream->flags & BASS_SAMPLE_LOOP) != 0);
    return Succeed();
}
