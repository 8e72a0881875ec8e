// The picture loader against different devices: format choice, sizes, resampling, dither and
// every failure with nothing left behind.
#include "gfx/picture/d3dx_texture.h"
#include "gfx/picture/little_endian.h"
#include "gfx/picture/pixel_codec.h"
#include "gfx/picture/triangle_filter.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/device_test.h"
#include "tests/support/image_files.h"
#include "tests/support/test_folder.h"

#include <cmath>
#include <cstring>

namespace {

constexpr DWORD kSystemFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;

// A device whose texture formats are exactly `formats`.
AdapterProfile WithTextureFormats(std::vector<D3DFORMAT> formats) {
    AdapterProfile profile = DefaultAdapterProfile();
    profile.textureFormats = std::move(formats);
    return profile;
}

class TextureLoaderTest : public DeviceTest {
protected:
    // Loads with the parameters the show always uses, into the given pool.
    HRESULT LoadAsTheShowDoes(const Bytes& file, D3DPOOL pool, IDirect3DTexture8** texture,
                              DWORD filter = kSystemFilter) {
        return D3DXCreateTextureFromFileInMemoryEx(
            sharedDevice, file.data(), UINT(file.size()), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
            D3DFMT_UNKNOWN, pool, filter, D3DX_FILTER_LINEAR, 0, nullptr, nullptr, texture);
    }

    D3DSURFACE_DESC Describe(IDirect3DTexture8* texture) {
        D3DSURFACE_DESC description{};
        texture->GetLevelDesc(0, &description);
        return description;
    }

    // Every texture made since tracing started has been destroyed again.
    void ExpectNothingLeft() {
        EXPECT_EQ(TraceCount("CreateTexture"), TraceCount("IDirect3DTexture8 destroyed"));
    }
};

TEST(FormatScore, PrefersGainingPrecisionToLosingIt) {
    EXPECT_EQ(FormatScore(D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8), 0u);
    EXPECT_EQ(FormatScore(D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8), 256u);
    EXPECT_EQ(FormatScore(D3DFMT_X8R8G8B8, D3DFMT_R5G6B5), 524288u);
    EXPECT_EQ(FormatScore(D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5), 589824u);
    EXPECT_EQ(FormatScore(D3DFMT_X8R8G8B8, D3DFMT_A1R5G5B5), 590080u);
    EXPECT_EQ(FormatScore(D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8), 0x1000000u);
    EXPECT_EQ(FormatScore(D3DFMT_L8, D3DFMT_X8R8G8B8), 0u);
}

struct Choice {
    const char* name;
    std::vector<D3DFORMAT> offered;
    D3DFORMAT requested;
    D3DFORMAT expected; // D3DFMT_UNKNOWN: nothing can be chosen
};

void PrintTo(const Choice& choice, std::ostream* out) {
    *out << choice.name;
}

class FormatChoiceTest : public TextureLoaderTest, public testing::WithParamInterface<Choice> {
protected:
    void SetUp() override {
        profile = WithTextureFormats(GetParam().offered);
        TextureLoaderTest::SetUp();
    }
};

TEST_P(FormatChoiceTest, TakesTheRequestOrTheBestSubstitute) {
    const Choice& c = GetParam();
    UINT width = 64, height = 64, levels = 1;
    D3DFORMAT format = c.requested;
    const HRESULT result = D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, 0,
                                                        &format, D3DPOOL_MANAGED);
    if (c.expected == D3DFMT_UNKNOWN) {
        EXPECT_EQ(result, D3DERR_NOTAVAILABLE);
    } else {
        EXPECT_EQ(result, D3D_OK);
        EXPECT_EQ(format, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FormatChoiceTest,
    testing::Values(
        Choice{"Exact", {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8},
        Choice{"AlphaAdded", {D3DFMT_R5G6B5, D3DFMT_A8R8G8B8}, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8},
        Choice{"SixteenBit",
               {D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5},
               D3DFMT_X8R8G8B8,
               D3DFMT_R5G6B5},
        Choice{"FourBit", {D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4}, D3DFMT_X8R8G8B8, D3DFMT_X4R4G4B4},
        Choice{"NeverPaletteLuminanceOrBump",
               {D3DFMT_P8, D3DFMT_L8, D3DFMT_A8L8, D3DFMT_V8U8},
               D3DFMT_X8R8G8B8,
               D3DFMT_UNKNOWN},
        Choice{"GreyAsColour", {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_L8, D3DFMT_X8R8G8B8},
        Choice{"GreyTieGoesToFewerBits", {D3DFMT_A8R8G8B8, D3DFMT_A8L8}, D3DFMT_L8, D3DFMT_A8L8},
        Choice{"R8G8B8IsNoSubstitute", {D3DFMT_R8G8B8}, D3DFMT_X8R8G8B8, D3DFMT_UNKNOWN}),
    [](const testing::TestParamInfo<Choice>& info) { return info.param.name; });

struct Sizing {
    const char* name;
    DWORD textureCaps;
    DWORD maxWidth, aspect;
    UINT width, height;
    UINT expectedWidth, expectedHeight;
};

void PrintTo(const Sizing& sizing, std::ostream* out) {
    *out << sizing.name;
}

class SizingTest : public TextureLoaderTest, public testing::WithParamInterface<Sizing> {
protected:
    void SetUp() override {
        profile.caps.TextureCaps = GetParam().textureCaps;
        profile.caps.MaxTextureWidth = GetParam().maxWidth;
        profile.caps.MaxTextureAspectRatio = GetParam().aspect;
        TextureLoaderTest::SetUp();
    }
};

TEST_P(SizingTest, SettlesTheSizeTheDeviceAllows) {
    const Sizing& s = GetParam();
    UINT width = s.width, height = s.height, levels = 1;
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    ASSERT_EQ(D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, 0, &format,
                                           D3DPOOL_DEFAULT),
              D3D_OK);
    EXPECT_EQ(width, s.expectedWidth);
    EXPECT_EQ(height, s.expectedHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, SizingTest,
    testing::Values(Sizing{"AsIs", 0, 4096, 0, 300, 200, 300, 200},
                    Sizing{"PowerOfTwo", D3DPTEXTURECAPS_POW2, 4096, 0, 300, 200, 512, 256},
                    Sizing{"SquareOnly", D3DPTEXTURECAPS_SQUAREONLY, 4096, 0, 300, 200, 200, 200},
                    Sizing{"SquarePowerOfTwo", D3DPTEXTURECAPS_SQUAREONLY | D3DPTEXTURECAPS_POW2,
                           4096, 0, 300, 200, 256, 256},
                    Sizing{"MaximumWidth", 0, 128, 0, 300, 200, 128, 200},
                    Sizing{"MaximumThenPowerOfTwo", D3DPTEXTURECAPS_POW2, 100, 0, 300, 200, 128,
                           256},
                    Sizing{"AspectTwo", 0, 4096, 2, 300, 100, 200, 100},
                    Sizing{"AspectTwoTall", 0, 4096, 2, 50, 300, 50, 100},
                    Sizing{"BothDefault", 0, 4096, 0, D3DX_DEFAULT, D3DX_DEFAULT, 256, 256},
                    Sizing{"OneDefault", 0, 4096, 0, D3DX_DEFAULT, 64, 64, 64},
                    Sizing{"ZeroIsOne", 0, 4096, 0, 0, 5, 1, 5}),
    [](const testing::TestParamInfo<Sizing>& info) { return info.param.name; });

TEST_F(TextureLoaderTest, LevelsAndArgumentChecks) {
    UINT width = 256, height = 256, levels = 0;
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    ASSERT_EQ(D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, 0, &format,
                                           D3DPOOL_MANAGED),
              D3D_OK);
    EXPECT_EQ(levels, 9u);
    width = 300, levels = 3;
    D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, 0, &format,
                                 D3DPOOL_MANAGED);
    EXPECT_EQ(levels, 1u); // not a power of two
    EXPECT_EQ(D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, 0, &format,
                                           D3DPOOL_SCRATCH),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCheckTextureRequirements(sharedDevice, &width, &height, &levels, D3DUSAGE_DYNAMIC,
                                           &format, D3DPOOL_MANAGED),
              D3DERR_INVALIDCALL);
}

TEST_F(TextureLoaderTest, AnAcceptedJpegIsCopiedTexelForTexel) {
    const Bytes jpeg = MakeJpeg(256, 256, 3, Gradient);
    DecodedImage decoded;
    ASSERT_EQ(DecodeImage(jpeg.data(), jpeg.size(), decoded), D3D_OK);

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_MANAGED, &texture), D3D_OK);
    const D3DSURFACE_DESC description = Describe(texture);
    EXPECT_EQ(description.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(description.Width, 256u);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 256; ++y)
        ASSERT_EQ(std::memcmp(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                              decoded.pixels.data() + y * decoded.pitch, 256 * 4),
                  0)
            << "row " << y;
    texture->UnlockRect(0);
    texture->Release();

    // In the default pool, as the show loads it, through the system-memory twin.
    host::test::StartTrace();
    ASSERT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_DEFAULT, &texture), D3D_OK);
    EXPECT_EQ(TraceCount("CreateTexture"), 2);
    EXPECT_EQ(TraceCount("IDirect3DTexture8 destroyed"), 1);
    const std::vector<uint32_t> texels = DeviceQueries::ReadBackLevel0(texture);
    ASSERT_EQ(texels.size(), 256u * 256u);
    for (int i = 0; i < 256 * 256; i += 97)
        EXPECT_EQ(texels[size_t(i)], ReadU32(decoded.pixels.data() + 4 * i) | 0xFF000000u);
    texture->Release();
    ExpectNothingLeft();
}

TEST_F(TextureLoaderTest, GreyJpegStaysGreyOnEitherDevice) {
    const Bytes jpeg = MakeJpeg(32, 32, 1, Gradient);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(Describe(texture).Format, D3DFMT_L8);
    texture->Release();

    Recreate(WithTextureFormats({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}));
    ASSERT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(Describe(texture).Format, D3DFMT_X8R8G8B8);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const uint32_t pixel = ReadU32(static_cast<uint8_t*>(locked.pBits) + 5 * locked.Pitch + 20);
    EXPECT_EQ(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF);
    EXPECT_EQ(pixel >> 8 & 0xFF, pixel & 0xFF);
    texture->UnlockRect(0);
    texture->Release();
}

TEST(TentWeights, EveryDestinationPixelReceivesWeightOne) {
    for (auto [source, destination] :
         {std::pair{300, 512}, std::pair{200, 256}, std::pair{512, 300}, std::pair{7, 3},
          std::pair{1, 4}, std::pair{4223, 4096}, std::pair{1038, 1024}, std::pair{600, 1024}})
        for (bool mirror : {false, true}) {
            const auto lists = TentWeights(source, destination, mirror);
            std::vector<double> received(size_t(destination), 0.0);
            for (const auto& list : lists)
                for (const TentWeight& w : list) {
                    ASSERT_GE(w.destination, 0);
                    ASSERT_LT(w.destination, destination);
                    EXPECT_GT(w.weight, 0.00001f);
                    received[size_t(w.destination)] += w.weight;
                }
            // Never above one (a white channel would pack as 256), and below it only by the
            // weights of 0.00001 or less that are dropped.
            for (int u = 0; u < destination; ++u) {
                EXPECT_LE(received[size_t(u)], 1.0 + 1e-6)
                    << source << " -> " << destination << (mirror ? " mirrored" : "") << " at "
                    << u;
                EXPECT_GE(received[size_t(u)], 1.0 - 2e-5)
                    << source << " -> " << destination << (mirror ? " mirrored" : "") << " at "
                    << u;
            }
        }
}

TEST(TentWeights, EdgesWrapUnlessMirrored) {
    const auto wrapped = TentWeights(4, 8, false);
    const auto mirrored = TentWeights(4, 8, true);
    const auto reaches = [](const std::vector<TentWeight>& list, int destination) {
        for (const TentWeight& w : list)
            if (w.destination == destination) return true;
        return false;
    };
    // The first source pixel's tent reaches past the left edge onto the last column.
    EXPECT_TRUE(reaches(wrapped[0], 7));
    EXPECT_FALSE(reaches(mirrored[0], 7));
    EXPECT_TRUE(reaches(wrapped[3], 0));
    EXPECT_FALSE(reaches(mirrored[3], 0));
}

TEST_F(TextureLoaderTest, PowerOfTwoDeviceResamplesWithTheTriangleFilter) {
    AdapterProfile powerOfTwo = DefaultAdapterProfile();
    powerOfTwo.caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
    Recreate(powerOfTwo);
    // A flat colour survives resampling exactly: the weights sum to one and the dither offset
    // never lifts an 8-bit value.
    const Bytes flat = MakeJpeg(300, 200, 3, [](int, int) { return Rgba{90, 160, 30, 255}; });
    DecodedImage decoded;
    ASSERT_EQ(DecodeImage(flat.data(), flat.size(), decoded), D3D_OK);
    const uint32_t colour = ReadU32(decoded.pixels.data() + 4 * (100 * 300 + 150));

    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadAsTheShowDoes(flat, D3DPOOL_MANAGED, &texture), D3D_OK);
    const D3DSURFACE_DESC description = Describe(texture);
    EXPECT_EQ(description.Width, 512u);
    EXPECT_EQ(description.Height, 256u);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    int differing = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x)
            differing +=
                ReadU32(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + 4 * x) != colour;
    EXPECT_EQ(differing, 0);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(TextureLoaderTest, PureWhiteStaysPureWhiteThroughTheResample) {
    // Sizes where weights summing a hair above one used to pack a channel as 256 and carry it
    // into the next: 4223 wide is cut to the default adapter's 4096, and 1038 x 600 grows to
    // 2048 x 1024 on an adapter that wants powers of two.
    const auto white = [](int, int) { return Rgba{255, 255, 255, 255}; };
    const auto expectWhite = [&](const Bytes& file, UINT width, UINT height) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(LoadAsTheShowDoes(file, D3DPOOL_MANAGED, &texture), D3D_OK);
        const D3DSURFACE_DESC description = Describe(texture);
        EXPECT_EQ(description.Width, width);
        EXPECT_EQ(description.Height, height);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        int wrong = 0;
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x)
                wrong += ReadU32(static_cast<uint8_t*>(locked.pBits) + y * UINT(locked.Pitch) +
                                 4 * x) != 0x00FFFFFFu;
        EXPECT_EQ(wrong, 0) << width << " x " << height;
        texture->UnlockRect(0);
        texture->Release();
    };
    expectWhite(MakeJpeg(4223, 64, 3, white), 4096, 64);
    AdapterProfile powerOfTwo = DefaultAdapterProfile();
    powerOfTwo.caps.TextureCaps |= D3DPTEXTURECAPS_POW2;
    Recreate(powerOfTwo);
    expectWhite(MakeJpeg(1038, 600, 3, white), 2048, 1024);
}

TEST_F(TextureLoaderTest, TriangleFilterWrapsTheLeftEdgeIntoTheRightColumn) {
    // Black with a white left column, 4 x 4 to 8 x 8: the last destination column takes some
    // white from across the edge.
    std::vector<uint32_t> source(16, 0xFF000000u);
    for (int y = 0; y < 4; ++y)
        source[size_t(y * 4)] = 0xFFFFFFFFu;
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(sharedDevice->CreateTexture(8, 8, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3D_OK);
    IDirect3DSurface8* surface = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(0, &surface), D3D_OK);
    const RECT rect{0, 0, 4, 4};
    for (DWORD mirror : {DWORD(0), D3DX_FILTER_MIRROR_U}) {
        ASSERT_EQ(D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source.data(),
                                            D3DFMT_A8R8G8B8, 16, nullptr, &rect,
                                            D3DX_FILTER_TRIANGLE | mirror, 0),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        const uint32_t right = ReadU32(static_cast<uint8_t*>(locked.pBits) + 3 * locked.Pitch + 28);
        texture->UnlockRect(0);
        if (mirror)
            EXPECT_EQ(right & 0xFF, 0u);
        else
            EXPECT_GT(right & 0xFF, 0u);
    }
    surface->Release();
    texture->Release();
}

TEST(Dither, EightBitValuesComeBackExactlyAndFiveBitRoundingSpreads) {
    std::vector<WorkingPixel> row(4);
    uint8_t out[16];
    for (int value = 0; value < 256; ++value) {
        const float v = float(value) / 255.0f;
        std::fill(row.begin(), row.end(), WorkingPixel{v, v, v, v});
        for (int y = 0; y < 4; ++y) {
            WritePixels(D3DFMT_A8R8G8B8, row.data(), 4, y, true, out);
            for (int i = 0; i < 16; ++i)
                ASSERT_EQ(out[i], value) << "row " << y;
        }
    }
    // 100 / 255 of 31 is 12.16: a 4 x 4 block dithers into a mix of 12 and 13 averaging that.
    const float v = 100.0f / 255.0f;
    std::fill(row.begin(), row.end(), WorkingPixel{v, v, v, 1});
    int sum = 0, thirteens = 0;
    for (int y = 0; y < 4; ++y) {
        WritePixels(D3DFMT_R5G6B5, row.data(), 4, y, true, out);
        for (int x = 0; x < 4; ++x) {
            const int red = (out[2 * x] | out[2 * x + 1] << 8) >> 11;
            EXPECT_TRUE(red == 12 || red == 13);
            sum += red;
            thirteens += red == 13;
        }
    }
    EXPECT_NEAR(sum / 16.0, v * 31.0, 1.0 / 16.0);
    EXPECT_GT(thirteens, 0);
    // Without dither every pixel rounds the same way.
    WritePixels(D3DFMT_R5G6B5, row.data(), 4, 0, false, out);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ((out[2 * x] | out[2 * x + 1] << 8) >> 11, 12);
}

TEST_F(TextureLoaderTest, FailuresReturnTheirResultAndLeaveNothing) {
    TestFolder folder;
    host::test::StartTrace();
    IDirect3DTexture8* texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(sharedDevice, "Data/missing.jpg", D3DX_DEFAULT,
                                           D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                           kSystemFilter, D3DX_FILTER_LINEAR, 0, nullptr, nullptr,
                                           &texture),
              HRESULT(0x80070002));
    const Bytes jpeg = MakeJpeg(16, 16, 3, Gradient);
    EXPECT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_DEFAULT, &texture, 0x80006), D3DERR_INVALIDCALL);
    EXPECT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_DEFAULT, &texture, 0x100004), D3DERR_INVALIDCALL);
    const Bytes junk(300, 0x42);
    EXPECT_EQ(LoadAsTheShowDoes(junk, D3DPOOL_DEFAULT, &texture), D3DXERR_INVALIDDATA);
    host::test::FailCall("UpdateTexture", E_FAIL);
    EXPECT_EQ(LoadAsTheShowDoes(jpeg, D3DPOOL_DEFAULT, &texture), E_FAIL);
    EXPECT_EQ(LoadAsTheShowDoes({}, D3DPOOL_DEFAULT, &texture), D3DERR_INVALIDCALL);
    // The result is written only on success.
    EXPECT_EQ(texture, reinterpret_cast<IDirect3DTexture8*>(0x1));
    EXPECT_GE(TraceCount("CreateTexture"), 4);
    ExpectNothingLeft();
}

TEST_F(TextureLoaderTest, SourceInformationDescribesTheFile) {
    const Bytes dds = MakeDdsArgb(16, 8, 3, Gradient);
    IDirect3DTexture8* texture = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(sharedDevice, dds.data(), UINT(dds.size()),
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 3, 0, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  &info, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(info.Width, 16u);
    EXPECT_EQ(info.Height, 8u);
    EXPECT_EQ(info.Depth, 1u);
    EXPECT_EQ(info.MipLevels, 3u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();
}

TEST_F(TextureLoaderTest, DxtFilesLoadAsTheyAreOrDecompressed) {
    const Bytes dds = MakeDdsDxt1(8, 8, 0xF800, 0x001F, 0); // every texel colour 0: red
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(LoadAsTheShowDoes(dds, D3DPOOL_DEFAULT, &texture), D3D_OK);
    EXPECT_EQ(Describe(texture).Format, D3DFMT_DXT1);
    EXPECT_EQ(DeviceQueries::ReadBackLevel0(texture)[0], 0xFFFF0000u);
    texture->Release();

    Recreate(WithTextureFormats({D3DFMT_A8R8G8B8}));
    ASSERT_EQ(LoadAsTheShowDoes(dds, D3DPOOL_MANAGED, &texture), D3D_OK);
    EXPECT_EQ(Describe(texture).Format, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(ReadU32(static_cast<uint8_t*>(locked.pBits)), 0xFFFF0000u);
    texture->UnlockRect(0);
    texture->Release();
}

TEST_F(TextureLoaderTest, ColourKeyMakesMatchingPixelsTransparent) {
    const Bytes bmp = MakeBitmap(4, 4, 24, [](int x, int) {
        return x == 0 ? Rgba{255, 0, 255, 255} : Rgba{10, 20, 30, 255};
    });
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(
                  sharedDevice, bmp.data(), UINT(bmp.size()), D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0xFFFF00FF,
                  nullptr, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(Describe(texture).Format, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(ReadU32(static_cast<uint8_t*>(locked.pBits)), 0u);
    EXPECT_EQ(ReadU32(static_cast<uint8_t*>(locked.pBits) + 4), 0xFF0A141Eu);
    texture->UnlockRect(0);
    texture->Release();
}

} // namespace
