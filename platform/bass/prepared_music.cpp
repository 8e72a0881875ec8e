#include "platform/bass/prepared_music.h"
#include "platform/bass/bass.h"
#include "platform/files/resolve_path.h"

#include <new>

namespace {

struct Prepared {
    std::vector<uint8_t> bytes;
    std::shared_ptr<AudioDecoder> decoder;
    bool whole = false;
};

Prepared prepared;

} // namespace

bool StartPreparingMusic(const char* path) {
    try {
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, bytes, kMaxMusicFileBytes) != 0) return false;
        if (prepared.decoder && bytes == prepared.bytes) return true;
        int error = BASS_OK;
        std::shared_ptr<AudioDecoder> decoder = AudioDecoder::Open(bytes, path, error);
        if (!decoder) return false;
        prepared = Prepared{std::move(bytes), std::move(decoder)};
        return true;
    } catch (const std::bad_alloc&) {
        prepared = Prepared{};
        return false;
    }
}

const PcmStream* PrepareMoreMusic(int packets) {
    if (!prepared.decoder) return nullptr;
    if (!prepared.whole) prepared.whole = prepared.decoder->DecodeSome(packets);
    return prepared.whole ? &prepared.decoder->Stream() : nullptr;
}

std::shared_ptr<AudioDecoder> TakePreparedMusic(const std::vector<uint8_t>& bytes) {
    if (!prepared.decoder || !prepared.whole || prepared.decoder.use_count() > 1 ||
        bytes != prepared.bytes)
        return nullptr;
    return prepared.decoder;
}
