// A fixture for drawing tests: the device with the shared buffers, and each presented frame
// kept for reading back.
#pragma once

#include "fx/draw_settings.h"
#include "gfx/texture.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/device_test.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// The device is back at the baseline every draw routine leaves: the seven states, no
// texture, no generated texture coordinates, no light enabled.
inline void ExpectBaseline() {
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } baseline[] = {{D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_CULLMODE, D3DCULL_CCW},
                    {D3DRS_ALPHABLENDENABLE, FALSE},     {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                    {D3DRS_ZWRITEENABLE, TRUE},          {D3DRS_LIGHTING, FALSE},
                    {D3DRS_SPECULARENABLE, TRUE},        {D3DRS_SRCBLEND, D3DBLEND_ONE}};
    for (const auto& b : baseline) {
        DWORD value = 0;
        DeviceQueries::GetRenderState(sharedDevice, b.state, &value);
        EXPECT_EQ(value, b.value) << "render state " << b.state;
    }
    IDirect3DTexture8* bound = reinterpret_cast<IDirect3DTexture8*>(1);
    DeviceQueries::GetTexture(sharedDevice, 0, &bound);
    EXPECT_EQ(bound, nullptr);
    DWORD flags = 1, index = 1;
    DeviceQueries::GetTextureStageState(sharedDevice, 0, D3DTSS_TEXTURETRANSFORMFLAGS, &flags);
    DeviceQueries::GetTextureStageState(sharedDevice, 0, D3DTSS_TEXCOORDINDEX, &index);
    EXPECT_EQ(flags, D3DTTFF_DISABLE);
    EXPECT_EQ(index, 0u);
    for (DWORD i = 0; i < 8; ++i) {
        BOOL enabled = TRUE;
        DeviceQueries::GetLightEnable(sharedDevice, i, &enabled);
        EXPECT_EQ(enabled, FALSE) << "light " << i;
    }
}

struct Pixel {
    int r, g, b;
};

class DrawTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        host::UseOffScreen([this](const host::Frame& frame) {
            frameWidth = frame.width;
            lastFrame.assign(frame.pixels, frame.pixels + frame.width * frame.height);
        });
        ResetDrawSettings();
        drawSettings.multiplyBlend = false;
    }
    void TearDown() override {
        for (Texture& texture : textures)
            texture.Release();
        DeviceTest::TearDown();
    }

    // Ends the frame and returns what was presented; the next frame starts cleared.
    const std::vector<uint32_t>& Present() {
        EXPECT_EQ(renderer.EndFrame(), 0);
        return lastFrame;
    }

    Pixel At(int x, int y) const {
        const uint32_t p = lastFrame[size_t(y) * size_t(frameWidth) + size_t(x)];
        return Pixel{int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
    }

    // A width x height texture filled by `colour(x, y)` (0xAARRGGBB); released by the fixture.
    const Texture& MakeTexture(int width, int height,
                               const std::function<uint32_t(int, int)>& colour) {
        textures.emplace_back();
        Texture& texture = textures.back();
        EXPECT_EQ(texture.Create(width, height), 0);
        const TextureLock lock = texture.Lock();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lock.bits) +
                                            size_t(y) * size_t(lock.pitch))[x] = colour(x, y);
        texture.Unlock();
        return texture;
    }

    const Texture& SolidTexture(uint32_t colour) {
        return MakeTexture(4, 4, [colour](int, int) { return colour; });
    }

    std::vector<uint32_t> lastFrame;
    int frameWidth = 640;
    std::deque<Texture> textures; // stable addresses: callers keep references
};

// Channels within `tolerance` of each other.
inline ::testing::AssertionResult Near(const Pixel& actual, const Pixel& expected,
                                       int tolerance = 2) {
    if (std::abs(actual.r - expected.r) <= tolerance &&
        std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.r << ", " << actual.g << ", " << actual.b << ") instead of ("
           << expected.r << ", " << expected.g << ", " << expected.b << ")";
}
