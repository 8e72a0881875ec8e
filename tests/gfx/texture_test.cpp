// The scenes' texture holder.
#include "gfx/texture.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/device_test.h"
#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"

#include <cstring>

namespace {

using TextureTest = DeviceTest;

TEST_F(TextureTest, LoadingAMissingFileFailsAndStaysEmpty) {
    TestFolder folder;
    Texture texture;
    EXPECT_EQ(texture.Load("Data/nothing.jpg"), -1);
    EXPECT_EQ(texture.Interface(), nullptr);
}

TEST_F(TextureTest, LoadsAPictureCaseInsensitively) {
    TestFolder folder;
    folder.Write("data/logo.jpg", MakeJpeg(64, 32, 3, Gradient));
    Texture texture;
    ASSERT_EQ(texture.Load("Data/logo.jpg"), 0);
    D3DSURFACE_DESC description{};
    texture.Interface()->GetLevelDesc(0, &description);
    EXPECT_EQ(description.Width, 64u);
    EXPECT_EQ(description.Pool, D3DPOOL_DEFAULT);
    host::test::StartTrace();
    EXPECT_EQ(texture.Release(), 0u);
    EXPECT_TRUE(Traced("IDirect3DTexture8 destroyed"));
}

TEST_F(TextureTest, CreateLockFillUnlockRelease) {
    Texture texture;
    ASSERT_EQ(texture.Create(512, 256), 0);
    const TextureLock lock = texture.Lock();
    EXPECT_EQ(lock.pitch, 2048);
    // The whole level as one run of 512 x 256 words.
    std::fill_n(static_cast<uint32_t*>(lock.bits), 512 * 256, 0xFFFFFFFFu);
    static_cast<uint32_t*>(lock.bits)[511 + 255 * 512] = 0xFF123456u;
    EXPECT_EQ(texture.Unlock(), D3D_OK);
    const std::vector<uint32_t> texels = DeviceQueries::ReadBackLevel0(texture.Interface());
    EXPECT_EQ(texels[0], 0xFFFFFFFFu);
    EXPECT_EQ(texels[512 * 256 - 1], 0xFF123456u);
    host::test::StartTrace();
    texture.Release();
    EXPECT_TRUE(Traced("IDirect3DTexture8 destroyed"));
}

TEST_F(TextureTest, FillGoesRowByRowWhenRowsAreNotContiguous) {
    Texture texture;
    ASSERT_EQ(texture.Create(512, 256), 0);
    FillTexture(texture, 512, 256, 0xFF000000u);
    // Filling a 256-wide area of the 512-wide level must step by the pitch.
    FillTexture(texture, 256, 256, 0xFFFFFFFFu);
    const std::vector<uint32_t> texels = DeviceQueries::ReadBackLevel0(texture.Interface());
    EXPECT_EQ(texels[255 * 512 + 255], 0xFFFFFFFFu);
    EXPECT_EQ(texels[255 * 512 + 256], 0xFF000000u);
    EXPECT_EQ(texels[256], 0xFF000000u);
    texture.Release();
}

TEST_F(TextureTest, AFailedLockSaysSoAndGivesHarmlessMemory) {
    Texture texture;
    ASSERT_EQ(texture.Create(512, 256), 0);
    host::test::FailCall("LockRect");
    testing::internal::CaptureStderr();
    const TextureLock lock = texture.Lock();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "brommm!");
    ASSERT_NE(lock.bits, nullptr);
    ASSERT_GE(lock.pitch, 2048);
    // A caller writes the whole canvas without looking; the sanitizers watch the bounds.
    for (int y = 0; y < 256; ++y)
        std::memset(static_cast<uint8_t*>(lock.bits) + y * lock.pitch, 0x7F, 2048);
    EXPECT_NE(texture.Unlock(), D3D_OK);
    texture.Release();

    Texture empty;
    testing::internal::CaptureStderr();
    const TextureLock none = empty.Lock();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "brommm!");
    std::memset(none.bits, 0, size_t(none.pitch) * 256);
}

TEST_F(TextureTest, FailedCreateStaysEmpty) {
    host::test::FailCall("CreateTexture");
    Texture texture;
    EXPECT_EQ(texture.Create(512, 256), -1);
    EXPECT_EQ(texture.Interface(), nullptr);
}

} // namespace
