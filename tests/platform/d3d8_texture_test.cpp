// Textures and surfaces of the Direct3D stand-in: pools, levels, pitches, and what OpenGL
// receives for each format.
#include "platform/d3d8/d3d8.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/raw_device_test.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

using D3D8TextureTest = RawDeviceTest;

TEST_F(D3D8TextureTest, ManagedCanvasLocksWithPitch2048AndAFullChain) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(512, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 10u);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 2048);
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC last;
    ASSERT_EQ(texture->GetLevelDesc(9, &last), D3D_OK);
    EXPECT_EQ(last.Width, 1u);
    EXPECT_EQ(last.Height, 1u);
    // A rectangle lock starts at its corner.
    const RECT corner{8, 2, 16, 4};
    ASSERT_EQ(texture->LockRect(0, &locked, &corner, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[0] = 0xFFABCDEFu;
    texture->UnlockRect(0);
    EXPECT_EQ(DeviceQueries::ReadBackLevel0(texture)[2 * 512 + 8], 0xFFABCDEFu);
    texture->Release();
}

// A texture written again and again, as a clip's canvas is once a frame, sends up only what
// changed: whatever the writings, OpenGL must end up holding exactly what was written.
TEST_F(D3D8TextureTest, ATextureWrittenAgainAndAgainHoldsEachWriting) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(64, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    std::vector<uint32_t> written(64 * 32, 0xFF102030u);
    const auto write = [&](const std::vector<std::pair<int, int>>& places, uint32_t colour) {
        for (const auto& [x, y] : places)
            written[size_t(y * 64 + x)] = colour;
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 32; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                        written.data() + y * 64, 64 * 4);
        texture->UnlockRect(0);
        EXPECT_EQ(DeviceQueries::ReadBackLevel0(texture), written);
    };
    write({}, 0);                           // the first upload
    write({{5, 5}}, 0xFF0000FFu);           // the second, whole
    write({}, 0);                           // nothing changed
    write({{0, 0}}, 0xFFFFFFFFu);           // the first texel alone
    write({{0, 0}}, 0xFF102030u);           // and back as it was before
    write({{63, 31}}, 0xFF00FF00u);         // the last alone
    write({{2, 30}, {60, 1}}, 0xFFFF0000u); // two far apart: everything between goes up
    write({{63, 0}, {0, 31}}, 0xFF808080u); // the other two corners
    write({{10, 7}, {11, 7}, {12, 8}}, 0u); // a small patch, alpha included

    // Through locks of rectangles: what is written inside each goes up, wherever it lies, and
    // several locks before a draw add up.
    const auto writeInside = [&](const std::vector<RECT>& rects, uint32_t colour) {
        for (const RECT& rect : rects) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(texture->LockRect(0, &locked, &rect, 0), D3D_OK);
            for (LONG y = rect.top; y < rect.bottom; ++y)
                for (LONG x = rect.left; x < rect.right; ++x) {
                    static_cast<uint32_t*>(
                        locked.pBits)[(y - rect.top) * (locked.Pitch / 4) + (x - rect.left)] =
                        colour;
                    written[size_t(y * 64 + x)] = colour;
                }
            texture->UnlockRect(0);
        }
        EXPECT_EQ(DeviceQueries::ReadBackLevel0(texture), written);
    };
    writeInside({RECT{3, 4, 9, 6}}, 0xFF0F0F0Fu);
    writeInside({RECT{3, 4, 9, 6}}, 0xFF0F0F0Fu); // the same again: nothing differs
    writeInside({RECT{60, 0, 64, 1}, RECT{0, 30, 2, 32}}, 0xFFEEDDCCu);
    writeInside({RECT{0, 0, 64, 32}}, 0xFF123456u);
    // A lock of a rectangle, then one of the whole level that writes elsewhere.
    writeInside({RECT{8, 8, 9, 9}}, 0xFFAAAAAAu);
    write({{40, 20}}, 0xFF000001u);
    texture->Release();
}

TEST_F(D3D8TextureTest, DefaultPoolIsFilledThroughASystemMemoryTwin) {
    IDirect3DTexture8 *target = nullptr, *twin = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target), D3D_OK);
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &twin), D3D_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(target->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(twin->GetSurfaceLevel(0, &surface), D3D_OK);
    ASSERT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
    std::memset(locked.pBits, 0x40, 16 * 4);
    surface->UnlockRect();
    surface->Release();
    EXPECT_EQ(DeviceQueries::ReadBackLevel0(twin).size(), 0u); // never drawn from system memory
    EXPECT_EQ(device->UpdateTexture(target, twin), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->UpdateTexture(twin, target), D3D_OK);
    EXPECT_EQ(DeviceQueries::ReadBackLevel0(target)[15], 0xFF404040u);
    twin->Release();
    target->Release();
}

TEST_F(D3D8TextureTest, RefusesSizesAndFormatsTheDeviceCannotMake) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(8192, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_P8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateTexture(6, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
}

struct Upload {
    D3DFORMAT format;
    uint32_t stored;
    uint32_t seen;
};

TEST_F(D3D8TextureTest, EveryOfferedFormatKeepsItsMeaningOnUpload) {
    const Upload cases[] = {
        {D3DFMT_A8R8G8B8, 0x80123456, 0x80123456},
        {D3DFMT_X8R8G8B8, 0x00123456, 0xFF123456},
        {D3DFMT_R5G6B5, 0xF800, 0xFFFF0000},
        {D3DFMT_R5G6B5, 0x07E0, 0xFF00FF00},
        {D3DFMT_X1R5G5B5, 0x7C00, 0xFFFF0000},
        {D3DFMT_A1R5G5B5, 0x03E0, 0x0000FF00},
        {D3DFMT_A1R5G5B5, 0x801F, 0xFF0000FF},
        {D3DFMT_A4R4G4B4, 0x8F00, 0x88FF0000},
        {D3DFMT_X4R4G4B4, 0x00F0, 0xFF00FF00},
        {D3DFMT_R3G3B2, 0xE0, 0xFFFF0000},
        {D3DFMT_A8, 0x7F, 0x7F000000},
        {D3DFMT_L8, 0x80, 0xFF808080},
        {D3DFMT_A8L8, 0x4080, 0x40808080},
        {D3DFMT_R5G6B5, 0x8410, 0xFF848284},
    };
    for (const Upload& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "format " << c.format << " value " << std::hex << c.stored);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, c.format, D3DPOOL_MANAGED, &texture), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const size_t bytes = size_t(locked.Pitch) / 4;
        for (int i = 0; i < 16; ++i)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(i) * bytes, &c.stored, bytes);
        texture->UnlockRect(0);
        const std::vector<uint32_t> texels = DeviceQueries::ReadBackLevel0(texture);
        EXPECT_EQ(texels[5], c.seen);
        texture->Release();
    }
}

} // namespace
