// Music decoded before the show asks for it. In the browser there are no threads, so a stream
// would be decoded whole when the show opens it, holding up its first frame by about a second:
// the page decodes the music ahead instead, while its title card offers the show, and a stream
// later opened on the same bytes takes what was decoded. One piece is kept, for every run.
#pragma once

#include "platform/bass/decode_audio.h"

#include <cstdint>
#include <memory>
#include <vector>

// Decodes the file `path` names, whole, and keeps it; the decoded stream, or null when the file
// cannot be read or is not music (the stream's own open says why later, as it would anyway).
const PcmStream* PrepareMusicFile(const char* path);

// The decoder PrepareMusicFile made from exactly `bytes`, when no other stream is using it.
std::shared_ptr<AudioDecoder> TakePreparedMusic(const std::vector<uint8_t>& bytes);
