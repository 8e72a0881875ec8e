#include "platform/ffmpeg/descriptor_io.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kBufferSize = 64 * 1024;

int Descriptor(void* opaque) {
    return int(reinterpret_cast<intptr_t>(opaque));
}

int Read(void* opaque, uint8_t* buffer, int size) {
    for (;;) {
        const ssize_t read = ::read(Descriptor(opaque), buffer, size_t(size));
        if (read > 0) return int(read);
        if (read == 0) return AVERROR_EOF;
        if (errno != EINTR) return AVERROR(errno);
    }
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
    if (whence & AVSEEK_SIZE) {
        struct stat info;
        return fstat(Descriptor(opaque), &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
    }
    const off_t at = lseek(Descriptor(opaque), off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : int64_t(at);
}

} // namespace

AVIOContext* NewDescriptorReader(int descriptor) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (!buffer) return nullptr;
    AVIOContext* reader =
        avio_alloc_context(buffer, kBufferSize, 0, reinterpret_cast<void*>(intptr_t(descriptor)),
                           &Read, nullptr, &Seek);
    if (!reader) av_free(buffer);
    return reader;
}

void FreeDescriptorReader(AVIOContext** reader) {
    if (!*reader) return;
    av_freep(&(*reader)->buffer);
    avio_context_free(reader);
}
