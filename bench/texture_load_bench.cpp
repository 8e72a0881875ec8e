// The picture loader's cost: a 512 x 512 colour JPEG into a texture on the default device,
// against libjpeg decoding the same file bare; and the 300 x 200 to 512 x 256 triangle resample
// with dither that a power-of-two device asks for.
#include "bench/bench_device.h"
#include "gfx/picture/d3dx_texture.h"
#include "tests/support/image_files.h"

#include <benchmark/benchmark.h>

#include <cstdio>

#include <jpeglib.h>

namespace {

using Device = BenchDevice;

const Bytes& Photo() {
    static const Bytes jpeg = MakeJpeg(512, 512, 3, Gradient, 90);
    return jpeg;
}

void BM_LoadJpeg512IntoTexture(benchmark::State& state) {
    Device device;
    if (!device.ready) return state.SkipWithError("no device");
    const Bytes& jpeg = Photo();
    for (auto _ : state) {
        IDirect3DTexture8* texture = nullptr;
        D3DXCreateTextureFromFileInMemoryEx(
            sharedDevice, jpeg.data(), UINT(jpeg.size()), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
            D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER,
            D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &texture);
        if (texture) texture->Release();
    }
}

void BM_BareLibjpegDecode512(benchmark::State& state) {
    const Bytes& jpeg = Photo();
    std::vector<uint8_t> pixels(512 * 512 * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, jpeg.data(), jpeg.size());
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + size_t(info.output_scanline) * 512 * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void BM_TriangleResample300x200To512x256(benchmark::State& state) {
    Device device;
    if (!device.ready) return state.SkipWithError("no device");
    std::vector<uint32_t> source(300 * 200);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    IDirect3DTexture8* texture = nullptr;
    sharedDevice->CreateTexture(512, 256, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    IDirect3DSurface8* surface = nullptr;
    texture->GetSurfaceLevel(0, &surface);
    const RECT rect{0, 0, 300, 200};
    for (auto _ : state)
        D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source.data(), D3DFMT_X8R8G8B8,
                                  300 * 4, nullptr, &rect,
                                  D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, 0);
    surface->Release();
    texture->Release();
}

BENCHMARK(BM_LoadJpeg512IntoTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareLibjpegDecode512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangleResample300x200To512x256)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
