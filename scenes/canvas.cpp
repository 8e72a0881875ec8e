#include "scenes/canvas.h"

void CopyClipFrame(VideoTexture& clip, uint32_t frame, Texture& canvas, uint32_t column) {
    const TextureLock lock = canvas.Lock();
    clip.CopyFrame(frame, static_cast<uint32_t*>(lock.bits) + column, lock.pitch, 0);
    canvas.Unlock();
}
