// Music decoded before the show asks for it. In the browser there are no threads, so a stream
// would be decoded whole when the show opens it, holding up its first frame by about a second:
// the page decodes the music ahead instead, while its title card offers the show, and a stream
// later opened on the same bytes takes what was decoded. One piece is kept, for every run.
#pragma once

#include "platform/bass/decode_audio.h"

#include <cstdint>
#include <memory>
#include <vector>

// Decoding is done in slices, so that the page stays responsive while it prepares:
// StartPreparingMusic reads the file `path` names and opens it, false when it cannot be read or
// is not music (the stream's own open says why later, as it would anyway); each
// PrepareMoreMusic then decodes up to `packets` more, and gives the decoded stream once it is
// whole, null until then or after a failure.
bool StartPreparingMusic(const char* path);
const PcmStream* PrepareMoreMusic(int packets);

// The decoder PrepareMusicFile made from exactly `bytes`, when no other stream is using it.
std::shared_ptr<AudioDecoder> TakePreparedMusic(const std::vector<uint8_t>& bytes);
