// AVIFile stand-in: the subset of AVIFile the show uses, on FFmpeg (libavformat, libavcodec,
// libswscale).
//
// Provides: AVIFileInit and AVIFileExit (counted), AVIStreamOpenFromFileA (the first stream of
// the asked type, streamtypeVIDEO), AVIStreamInfoA (dwLength is the frame count),
// AVIStreamGetFrameOpen, AVIStreamGetFrame, AVIStreamGetFrameClose, AVIStreamRelease.
//
// Frames come, whatever the clip's codec, as packed bitmaps: a 40-byte BITMAPINFOHEADER
// followed by 24-bit blue-green-red rows, bottom row first, each padded to four bytes; the
// pointer stays valid until the next request on the same decoder. Asking for the frame after
// the last one decodes just that frame; any other index seeks to the nearest key frame at or
// before it and decodes forward, so playing backwards through a clip with inter frames stays
// right (at the cost of decoding from the key frame each time). Frames are numbered by counting
// on from that key frame, since AVI gives inter-frame clips no presentation times: clips with
// B-frames must have closed groups of pictures (a key frame's place in the file is its place
// in time), as AVI encoders write them. An index outside the clip, or a frame that cannot be
// decoded, gives a null pointer.
//
// While the host fast-forwards (host.h), a frame asked for is only noted with the surface being
// written, and no frame is given; the first frame asked for that surface afterwards settles it,
// giving in place of a frame that cannot be had the last noted one that decodes, which is what
// the surface would then show in a full play.
//
// Left out: writing, editing, audio streams, stream numbers other than 0 of a type, wanted
// formats other than 24-bit (a wanted format is refused unless it is that), and the rest of
// the interface.
#pragma once

#include "platform/win32/win32.h"

struct AVISTREAM;
struct GETFRAME;
using PAVISTREAM = AVISTREAM*;
using PGETFRAME = GETFRAME*;
struct CLSID;

constexpr DWORD mmioFOURCC(char a, char b, char c, char d) {
    return DWORD(uint8_t(a)) | DWORD(uint8_t(b)) << 8 | DWORD(uint8_t(c)) << 16 |
           DWORD(uint8_t(d)) << 24;
}
constexpr DWORD streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');

constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT AVIERR_UNSUPPORTED = HRESULT(0x80044065u);
constexpr HRESULT AVIERR_BADFORMAT = HRESULT(0x80044066u);
constexpr HRESULT AVIERR_MEMORY = HRESULT(0x80044067u);
constexpr HRESULT AVIERR_BADPARAM = HRESULT(0x8004406Au);
constexpr HRESULT AVIERR_BADSIZE = HRESULT(0x8004406Bu);
constexpr HRESULT AVIERR_FILEOPEN = HRESULT(0x8004406Fu);
constexpr HRESULT AVIERR_NODATA = HRESULT(0x80044073u);
constexpr HRESULT AVIERR_ERROR = HRESULT(0x800440C7u);

constexpr UINT OF_READ = 0;

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap header");

constexpr DWORD BI_RGB = 0;

struct AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AVISTREAMINFOA) == 140, "the stream information record");

void WINAPI AVIFileInit();
void WINAPI AVIFileExit();

HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM* stream, LPCSTR file, DWORD type, LONG number,
                                      UINT mode, CLSID* handler);
HRESULT WINAPI AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size);
ULONG WINAPI AVIStreamRelease(PAVISTREAM stream);

PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM stream, BITMAPINFOHEADER* wanted);
void* WINAPI AVIStreamGetFrame(PGETFRAME decoder, LONG position);
HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME decoder);

// The tests' build only: how many AVIFileInit calls are not yet balanced by AVIFileExit.
int AviFileInitCount();
// The tests' build only: waits until every frame being decoded ahead is decoded (the benchmarks
// end a frame's timing there), and the processor time the decoding ahead has taken so far, in
// milliseconds.
void AviFileWaitForDecodingAhead();
double AviFileDecodingAheadMilliseconds();
