// D3DXLoadSurfaceFromMemory with random formats, sizes, rectangles, filters and colour keys:
// every combination either fills the surface or fails, inside the memory it was given.
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/pixel_codec.h"
#include "gfx/renderer.h"
#include "gfx/shared_device.h"
#include "platform/host/host.h"

#include <vector>

namespace {

const D3DFORMAT kFormats[] = {D3DFMT_R8G8B8,   D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                              D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R3G3B2,
                              D3DFMT_A8,       D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_L8,
                              D3DFMT_A8L8,     D3DFMT_A4L4,     D3DFMT_P8,       D3DFMT_A8P8,
                              D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5,     D3DFMT_V8U8};
const D3DFORMAT kTextureFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                     D3DFMT_A1R5G5B5, D3DFMT_L8,       D3DFMT_A8L8,
                                     D3DFMT_A8,       D3DFMT_DXT1,     D3DFMT_DXT5};
const DWORD kFilters[] = {D3DX_FILTER_NONE,
                          D3DX_FILTER_POINT,
                          D3DX_FILTER_LINEAR,
                          D3DX_FILTER_TRIANGLE,
                          D3DX_FILTER_BOX,
                          0,
                          6};

Renderer* renderer = nullptr;

class Input {
public:
    Input(const uint8_t* data, size_t size) : data(data), size(size) {}
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    const uint8_t* Rest(size_t& count) {
        count = size - at;
        return data + at;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    host::UseOffScreen(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "fuzz";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "fuzz", "fuzz", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                  nullptr, nullptr);
    renderer = new Renderer();
    if (!window || renderer->CreateDevice(640, 480, window, false, 0) < 0 ||
        CreateSharedBuffers(renderer) < 0)
        __builtin_trap();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    const D3DFORMAT sourceFormat = kFormats[input.Byte() % std::size(kFormats)];
    const D3DFORMAT targetFormat = kTextureFormats[input.Byte() % std::size(kTextureFormats)];
    const int sourceWidth = 1 + input.Byte() % 40, sourceHeight = 1 + input.Byte() % 40;
    const UINT targetWidth = 4 * (1 + input.Byte() % 16),
               targetHeight = 4 * (1 + input.Byte() % 16);
    const uint8_t flags = input.Byte();
    DWORD filter = kFilters[flags % std::size(kFilters)];
    if (flags & 0x08) filter |= D3DX_FILTER_DITHER;
    if (flags & 0x10) filter |= D3DX_FILTER_MIRROR_U;
    if (flags & 0x20) filter |= D3DX_FILTER_MIRROR_V;
    const D3DCOLOR colorKey = (flags & 0x40) ? 0xFF000000u | input.Byte() : 0;
    RECT source{input.Byte() % 8, input.Byte() % 8, 0, 0};
    source.right = source.left + sourceWidth;
    source.bottom = source.top + sourceHeight;
    if (flags & 0x80) source.left = source.top = 0; // keeps block formats aligned

    // Pixels for the whole source rectangle, the fuzz bytes repeated to fill them.
    const size_t pitch = RowBytes(sourceFormat, uint32_t(source.right)) + (flags & 3);
    const size_t rows = RowCount(sourceFormat, uint32_t(source.bottom));
    std::vector<uint8_t> pixels(pitch * rows + 1);
    size_t restSize = 0;
    const uint8_t* rest = input.Rest(restSize);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = restSize ? rest[i % restSize] : uint8_t(i);
    std::vector<PALETTEENTRY> palette(256);
    for (size_t i = 0; i < 256; ++i)
        palette[i] = PALETTEENTRY{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7)};

    IDirect3DTexture8* texture = nullptr;
    if (FAILED(sharedDevice->CreateTexture(targetWidth, targetHeight, 1, 0, targetFormat,
                                           D3DPOOL_MANAGED, &texture)))
        return 0;
    IDirect3DSurface8* surface = nullptr;
    if (SUCCEEDED(texture->GetSurfaceLevel(0, &surface))) {
        D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, pixels.data(), sourceFormat,
                                  UINT(pitch), palette.data(), &source, filter, colorKey);
        surface->Release();
    }
    texture->Release();
    return 0;
}
