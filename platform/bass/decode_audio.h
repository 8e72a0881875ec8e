// Decodes a whole audio file held in memory into a PcmStream.
#pragma once

#include "platform/bass/audio_output.h"

#include <cstddef>
#include <cstdint>

// 0 on success, else the library error code: BASS_ERROR_FILEFORM for data that is not MPEG audio
// or 8/16-bit PCM WAV, BASS_ERROR_MEM when memory runs out.
int DecodeAudio(const uint8_t* data, size_t size, PcmStream& stream);
