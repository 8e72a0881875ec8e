// JPEG through libjpeg: a memory source, errors turned into a jump back here, warnings silent.
#include "gfx/picture/decoded_image.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf jump;
};

void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings about corrupt data are not shown; decoding carries on.
void Discard(j_common_ptr) {}

struct MemorySource {
    jpeg_source_mgr manager;
    const uint8_t* data;
    size_t size;
    bool supplied;
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// The first request for data is answered with the whole block. Once it is used up, every
// further request gets an end-of-image marker: answering with the block again, as a plain
// memory source might, makes a marker segment that runs past the end wrap around and repeat
// forever.
boolean FillInputBuffer(j_decompress_ptr info) {
    static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<MemorySource*>(info->src);
    if (!source->supplied) {
        source->supplied = true;
        source->manager.next_input_byte = source->data;
        source->manager.bytes_in_buffer = source->size;
    } else {
        WARNMS(info, JWRN_JPEG_EOF);
        source->manager.next_input_byte = kEndOfImage;
        source->manager.bytes_in_buffer = 2;
    }
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
    jpeg_source_mgr* source = info->src;
    if (count <= 0) return;
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        FillInputBuffer(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

// The part that libjpeg may jump out of; it owns no C++ object whose destructor could be
// skipped.
bool Decode(jpeg_decompress_struct& info, DecodedImage& image) {
    jpeg_read_header(&info, TRUE);
    if (!AcceptableSize(info.image_width, info.image_height)) return false;
    jpeg_start_decompress(&info);
    const uint32_t width = info.output_width, height = info.output_height;
    if (info.output_components == 1) {
        image.format = D3DFMT_L8;
        image.pitch = width;
    } else if (info.output_components == 3) {
        image.format = D3DFMT_X8R8G8B8;
        image.pitch = width * 4;
    } else {
        return false;
    }
    image.rect = RECT{0, 0, LONG(width), LONG(height)};
    image.pixels.resize(size_t(image.pitch) * height);
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               width * JDIMENSION(info.output_components), 1);
    while (info.output_scanline < height) {
        const uint32_t y = info.output_scanline;
        if (jpeg_read_scanlines(&info, row, 1) != 1) return false;
        uint8_t* out = image.pixels.data() + size_t(y) * image.pitch;
        if (info.output_components == 1) {
            for (uint32_t x = 0; x < width; ++x)
                out[x] = row[0][x];
        } else {
            // R x 65536 + G x 256 + B, stored little-endian with the top byte 0.
            for (uint32_t x = 0; x < width; ++x) {
                out[4 * x + 0] = row[0][3 * x + 2];
                out[4 * x + 1] = row[0][3 * x + 1];
                out[4 * x + 2] = row[0][3 * x + 0];
                out[4 * x + 3] = 0;
            }
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

bool DecodeGuarded(jpeg_decompress_struct& info, ErrorManager& errors, DecodedImage& image) {
    if (setjmp(errors.jump)) return false;
    return Decode(info, image);
}

} // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data || size == 0) return false;
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = JumpBack;
    errors.standard.output_message = Discard;
    if (setjmp(errors.jump)) return false; // the decompressor could not even be created
    jpeg_create_decompress(&info);

    MemorySource source{};
    source.manager.init_source = InitSource;
    source.manager.fill_input_buffer = FillInputBuffer;
    source.manager.skip_input_data = SkipInputData;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = TermSource;
    source.data = data;
    source.size = size;
    info.src = &source.manager;

    bool decoded = false;
    try {
        decoded = DecodeGuarded(info, errors, image);
    } catch (const std::bad_alloc&) {
        decoded = false; // the decompressor must still be destroyed
    }
    jpeg_destroy_decompress(&info);
    return decoded;
}
