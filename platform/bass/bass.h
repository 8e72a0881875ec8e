// Audio-library stand-in: the calls the show makes of its MP3 audio library, on FFmpeg
// (libavformat/libavcodec decoding, libswresample conversion) and SDL2 audio output.
//
// Provides: BASS_Init, BASS_Start, BASS_Stop, BASS_Free, BASS_ErrorGetCode,
// BASS_StreamCreateFile (from a file or from memory), BASS_StreamPlay, BASS_StreamFree,
// BASS_ChannelGetAttributes, BASS_ChannelGetFlags, BASS_ChannelGetPosition,
// BASS_ChannelSetPosition, with the library's flag values and error codes.
//
// A stream is decoded whole when it is created: MPEG audio (MP3, MP2, MP1) or a WAV file of 8- or
// 16-bit PCM. It reports its own sample rate, BASS_SAMPLE_MONO for one channel (more than two are
// mixed down to stereo) and BASS_SAMPLE_8BITS for 8-bit PCM; MPEG audio decodes to 16 bits.
// Positions are bytes of that format. The playback position is what has been heard: what was
// handed to the output minus what the output still holds, never running backwards while playing.
// Where the host has no audio device (off screen) the output is a virtual clock.
//
// Left out: mixing (one stream is heard at a time; playing another replaces it), samples, music
// modules, 3D, effects, volume and pan (reported as 100 and 0), recording, CD audio, more than one
// output device.
#pragma once

#include "platform/win32/win32.h"

using HSTREAM = DWORD;

constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_MONO = 2;
constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr DWORD BASS_MP3_SETPOS = 0x20000;

constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_FORMAT = 6;
constexpr int BASS_ERROR_POSITION = 7;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_START = 9;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_ILLPARAM = 20;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_FILEFORM = 41;
constexpr int BASS_ERROR_UNKNOWN = -1;

BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND window);
BOOL BASS_Start();
BOOL BASS_Stop();
void BASS_Free();
int BASS_ErrorGetCode();

HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, DWORD offset, DWORD length,
                              DWORD flags);
BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);
void BASS_StreamFree(HSTREAM handle);

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* frequency, DWORD* volume, int* pan);
DWORD BASS_ChannelGetFlags(DWORD handle);
DWORD BASS_ChannelGetPosition(DWORD handle);
BOOL BASS_ChannelSetPosition(DWORD handle, DWORD position);
