// A fixture for drawing tests: the device with the shared buffers, and each presented frame
// kept for reading back.
#pragma once

#include "fx/draw_settings.h"
#include "gfx/texture.h"
#include "tests/support/device_test.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

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
