#include "platform/bass/prepared_music.h"
#include "platform/bass/bass.h"
#include "platform/files/resolve_path.h"

#include <new>

namespace {

struct Prepared {
    std::vector<uint8_t> bytes;
    std::shared_ptr<AudioDecoder> decoder;
};

Prepared prepared;

} // namespace

const PcmStream* PrepareMusicFile(const char* path) {
    try {
        std::vector<uint8_t> bytes;
        if (ReadWholeFile(path, bytes) != 0) return nullptr;
        if (prepared.decoder && bytes == prepared.bytes) return &prepared.decoder->Stream();
        int error = BASS_OK;
        std::shared_ptr<AudioDecoder> decoder = AudioDecoder::Open(bytes, path, error);
        if (!decoder) return nullptr;
        decoder->DecodeRest();
        prepared = Prepared{std::move(bytes), std::move(decoder)};
        return &prepared.decoder->Stream();
    } catch (const std::bad_alloc&) {
        prepared = Prepared{};
        return nullptr;
    }
}

std::shared_ptr<AudioDecoder> TakePreparedMusic(const std::vector<uint8_t>& bytes) {
    if (!prepared.decoder || prepared.decoder.use_count() > 1 || bytes != prepared.bytes)
        return nullptr;
    return prepared.decoder;
}
