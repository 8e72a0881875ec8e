// The device's picture shown in a window or canvas of another size: into a framebuffer of the
// window's size, the picture where the 4:3 rule puts it, upright, with black bars around it.
#include "platform/host/backend.h"
#include "platform/host/letterbox.h"
#include "tests/support/off_screen_test.h"

#include <epoxy/gl.h>

#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

// The test picture's texel at (x, y), top row first: each position tells itself apart.
uint32_t Texel(int x, int y) {
    return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 |
           uint32_t((x >> 8) | (y >> 8) << 4);
}

class LetterboxTest : public OffScreenTest {
protected:
    void SetUp() override {
        OffScreenTest::SetUp();
        context = host::Active().CreateGlContext(nullptr);
        ASSERT_NE(context, nullptr);
        // The device's picture: its rows top first, as the device keeps them.
        std::vector<uint32_t> texels(size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                texels[size_t(y) * kWidth + size_t(x)] = Texel(x, y);
        picture = Framebuffer(kWidth, kHeight, texels.data());
    }
    void TearDown() override {
        for (GLuint texture : textures)
            glDeleteTextures(1, &texture);
        for (GLuint framebuffer : framebuffers)
            glDeleteFramebuffers(1, &framebuffer);
        if (context) host::Active().DestroyGlContext(context);
        OffScreenTest::TearDown();
    }

    // A framebuffer of `width` x `height` RGBA texels, filled with `texels` (BGRA words) or
    // with grey.
    GLuint Framebuffer(int width, int height, const uint32_t* texels = nullptr) {
        GLuint texture = 0, framebuffer = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        std::vector<uint32_t> grey(texels ? 0 : size_t(width) * size_t(height), 0xFF808080u);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     texels ? texels : grey.data());
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        textures.push_back(texture);
        framebuffers.push_back(framebuffer);
        return framebuffer;
    }

    // The window's pixels as BGRA words, top row first (as a person sees them).
    std::vector<uint32_t> Shown(GLuint window, int width, int height) {
        std::vector<uint32_t> rows(size_t(width) * size_t(height));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, window);
        glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
        std::vector<uint32_t> top(rows.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                top[size_t(y) * size_t(width) + size_t(x)] =
                    rows[size_t(height - 1 - y) * size_t(width) + size_t(x)];
        return top;
    }

    // Shows the picture in a window of `width` x `height` that fits it exactly once its bars,
    // `left` and `top` wide, are taken off: every pixel is the picture's, or black in a bar.
    void ExpectExact(int width, int height, int left, int top) {
        const GLuint window = Framebuffer(width, height);
        BlitLetterboxed(picture, kWidth, kHeight, width, height, window);
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const std::vector<uint32_t> shown = Shown(window, width, height);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool inside = x >= left && x < left + kWidth && y >= top && y < top + kHeight;
                const uint32_t expected = inside ? Texel(x - left, y - top) : 0xFF000000u;
                if (shown[size_t(y) * size_t(width) + size_t(x)] != expected && wrong++ < 5)
                    ADD_FAILURE() << width << " x " << height << ": (" << x << ", " << y << ") is "
                                  << std::hex << shown[size_t(y) * size_t(width) + size_t(x)]
                                  << ", not " << expected;
            }
        EXPECT_EQ(wrong, 0) << width << " x " << height;
    }

    host::GlContext* context = nullptr;
    GLuint picture = 0;
    std::vector<GLuint> textures, framebuffers;
};

TEST_F(LetterboxTest, AWindowOfThePicturesSizeShowsItPixelForPixel) {
    ExpectExact(640, 480, 0, 0);
}

TEST_F(LetterboxTest, AWiderWindowHasBarsLeftAndRightATallerOneAboveAndBelow) {
    ExpectExact(800, 480, 80, 0);
    ExpectExact(640, 600, 0, 60);
    // Odd margins: the extra column or row goes to the right or the top.
    ExpectExact(801, 480, 80, 0);
    ExpectExact(640, 601, 0, 61);
}

TEST_F(LetterboxTest, ALargerWindowIsFilledWithThePictureScaledUpright) {
    const GLuint window = Framebuffer(1280, 960);
    BlitLetterboxed(picture, kWidth, kHeight, 1280, 960, window);
    const std::vector<uint32_t> shown = Shown(window, 1280, 960);
    // Each picture texel covers 2 x 2 pixels; at a block's corner the linear filter still
    // gives the texel itself in the red and green bytes' high bits.
    for (int y : {0, 101, 479})
        for (int x : {0, 313, 639}) {
            const uint32_t at = shown[size_t(2 * y) * 1280 + size_t(2 * x)];
            EXPECT_NEAR(int(at >> 16 & 0xFF), x & 0xFF, 1) << x << ", " << y;
            EXPECT_NEAR(int(at >> 8 & 0xFF), y & 0xFF, 1) << x << ", " << y;
        }
}

} // namespace
