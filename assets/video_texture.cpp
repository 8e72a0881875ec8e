#include "assets/video_texture.h"
#include "assets/opaque_row.h"
#include "platform/files/load_failure.h"

#include <algorithm>
#include <cstring>
#include <string>

VideoTexture::VideoTexture() {
    AVIFileInit();
}

VideoTexture::~VideoTexture() {
    Close();
    AVIFileExit();
}

int32_t VideoTexture::Open(const char* path, uint32_t availableWidth, uint32_t availableHeight) {
    if (open) return 0;
    PAVISTREAM opened = nullptr;
    const HRESULT result =
        AVIStreamOpenFromFileA(&opened, path, streamtypeVIDEO, 0, OF_READ, nullptr);
    if (result != 0) {
        const std::string unreadable = path ? WhyUnreadable(path) : std::string();
        if (path)
            NoteLoadFailure(path, !unreadable.empty()       ? unreadable
                                  : result == AVIERR_NODATA ? "no video stream"
                                                            : "not a video clip that can be read");
        return 0;
    }
    AVISTREAMINFOA described{};
    if (AVIStreamInfoA(opened, &described, sizeof described) != 0) {
        AVIStreamRelease(opened);
        NoteLoadFailure(path, "no stream information");
        return 0;
    }
    PGETFRAME frames = AVIStreamGetFrameOpen(opened, nullptr);
    const auto* first =
        frames ? static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, 0)) : nullptr;
    if (!first) {
        NoteLoadFailure(path, frames ? "its first frame does not decode"
                                     : "no decoder for its video codec");
        if (frames) AVIStreamGetFrameClose(frames);
        AVIStreamRelease(opened);
        return 0;
    }
    stream = opened;
    info = described;
    decoder = frames;
    width = uint32_t(first->biWidth);
    height = uint32_t(first->biHeight);
    bitsPerPixel = first->biBitCount;
    frameCount = info.dwLength;
    spaceWidth = availableWidth;
    spaceHeight = availableHeight;
    open = 1;
    return 1;
}

int32_t VideoTexture::Close() {
    if (!open) return 0;
    AVIStreamGetFrameClose(decoder);
    AVIStreamRelease(stream);
    decoder = nullptr;
    stream = nullptr;
    width = height = bitsPerPixel = frameCount = 0;
    open = 0;
    return 1;
}

int32_t VideoTexture::CopyFrame(uint32_t frameIndex, uint32_t* bits, int32_t pitch,
                                int32_t keyFactor) {
    if (!open) return 0;
    const auto* frame = static_cast<const uint8_t*>(AVIStreamGetFrame(decoder, LONG(frameIndex)));
    if (!frame) return 0;
    // Only the caller's room is written; a larger clip is cut at its right and bottom.
    const uint32_t columns = std::min(width, spaceWidth), rows = std::min(height, spaceHeight);
    auto* row = reinterpret_cast<uint8_t*>(bits);
    if (bitsPerPixel != 24) {
        // A clip that is not 24-bit shows as transparent black.
        for (uint32_t r = 0; r < rows; ++r)
            std::memset(row + size_t(r) * pitch, 0, columns * 4);
        return 0;
    }
    // Bottom-up rows of blue, green, red, each padded to four bytes.
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const uint8_t* pixels = frame + sizeof(BITMAPINFOHEADER);
    for (uint32_t r = 0; r < rows; ++r, row += pitch) {
        const uint8_t* source = pixels + size_t(height - 1 - r) * stride;
        auto* destination = reinterpret_cast<uint32_t*>(row);
        if (keyFactor == 0) {
            // Every scene's case, once a frame: opaque, the colour as it is.
            CopyOpaqueRow(source, destination, columns);
            continue;
        }
        for (uint32_t x = 0; x < columns; ++x, source += 3) {
            uint32_t b = source[0], g = source[1], red = source[2];
            // Signed 32-bit arithmetic, wrapping as the machine's does.
            int32_t m = int32_t((765u - b - g - red) * uint32_t(keyFactor));
            if (m > 255) m = 255;
            const uint32_t alpha = uint32_t(m) & 0xFF;
            b = (alpha * b) >> 8;
            g = (alpha * g) >> 8;
            red = (alpha * red) >> 8;
            destination[x] = alpha << 24 | red << 16 | g << 8 | b;
        }
    }
    return 1;
}
