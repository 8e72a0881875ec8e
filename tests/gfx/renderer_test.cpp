// Device creation against different adapters, frame presentation and the lost device.
#include "gfx/renderer.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/window_test.h"

namespace {

class RendererTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        host::UseOffScreen([this](const host::Frame& frame) {
            ++presented;
            lastFrame.assign(frame.pixels, frame.pixels + frame.width * frame.height);
        });
    }
    void TearDown() override {
        renderer.Release();
        WindowTest::TearDown();
    }

    int32_t Create(bool windowed = false) {
        return renderer.CreateDevice(640, 480, window, windowed, D3DADAPTER_DEFAULT);
    }

    D3DPRESENT_PARAMETERS Presentation() {
        return DeviceQueries::PresentParameters(renderer.GetDevice());
    }

    DWORD BehaviourFlags() {
        D3DDEVICE_CREATION_PARAMETERS creation{};
        DeviceQueries::GetCreationParameters(renderer.GetDevice(), &creation);
        return creation.BehaviorFlags;
    }

    // After a failure the Renderer holds nothing: its Direct3D object is gone.
    void ExpectNothingHeld() {
        EXPECT_EQ(renderer.GetDevice(), nullptr);
        EXPECT_TRUE(Traced("IDirect3D8 destroyed"));
    }

    Renderer renderer;
    int presented = 0;
    std::vector<uint32_t> lastFrame;
};

TEST_F(RendererTest, FullScreenPrefersThe32BitMode) {
    ASSERT_EQ(Create(), 0);
    const D3DPRESENT_PARAMETERS p = Presentation();
    EXPECT_EQ(p.BackBufferWidth, 640u);
    EXPECT_EQ(p.BackBufferHeight, 480u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_COPY);
    EXPECT_EQ(p.Windowed, FALSE);
    EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(p.hDeviceWindow, window);
    EXPECT_EQ(BehaviourFlags(), D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE);
}

TEST_F(RendererTest, SixteenBitOnlyAdapterGivesA16BitBackBuffer) {
    AdapterProfile profile = DefaultAdapterProfile();
    profile.modes = {{640, 480, 60, D3DFMT_R5G6B5}, {800, 600, 60, D3DFMT_X8R8G8B8}};
    host::test::SetAdapterProfile(profile);
    ASSERT_EQ(Create(), 0);
    EXPECT_EQ(Presentation().BackBufferFormat, D3DFMT_R5G6B5);
}

TEST_F(RendererTest, VertexProcessingFollowsTheCaps) {
    AdapterProfile profile = DefaultAdapterProfile();
    profile.caps.DevCaps = 0;
    host::test::SetAdapterProfile(profile);
    ASSERT_EQ(Create(), 0);
    EXPECT_EQ(BehaviourFlags(), D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    renderer.Release();

    profile.caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    host::test::SetAdapterProfile(profile);
    ASSERT_EQ(Create(), 0);
    EXPECT_EQ(BehaviourFlags(), D3DCREATE_MIXED_VERTEXPROCESSING);
}

TEST_F(RendererTest, WindowedUsesTheDesktopFormat) {
    ASSERT_EQ(Create(true), 0);
    const D3DPRESENT_PARAMETERS p = Presentation();
    EXPECT_EQ(p.BackBufferFormat, DefaultAdapterProfile().desktopMode.Format);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.Windowed, TRUE);
    EXPECT_EQ(p.FullScreen_PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
}

struct FailureCase {
    const char* name;
    bool windowed;
    const char* failingCall; // or null when the profile causes it
    void (*adjust)(AdapterProfile&);
    int32_t code;
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
    *out << failure.name;
}

class RendererFailureTest : public RendererTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RendererFailureTest, ReturnsItsCodeAndHoldsNothing) {
    const FailureCase& c = GetParam();
    AdapterProfile profile = DefaultAdapterProfile();
    if (c.adjust) c.adjust(profile);
    host::test::SetAdapterProfile(profile);
    if (c.failingCall) host::test::FailCall(c.failingCall);
    host::test::StartTrace();
    EXPECT_EQ(Create(c.windowed), c.code);
    if (c.code != -2) ExpectNothingHeld();
    // Releasing again afterwards is harmless.
    renderer.Release();
    renderer.Release();
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, RendererFailureTest,
    ::testing::Values(
        FailureCase{"NoDirect3D", false, "Direct3DCreate8", nullptr, -2},
        FailureCase{"NoDesktopMode", true, "GetAdapterDisplayMode", nullptr, -3},
        FailureCase{"DesktopFormatRefused", true, "CheckDeviceType", nullptr, -4},
        FailureCase{"DepthFormatRefused", true, "CheckDeviceFormat", nullptr, -5},
        FailureCase{"DepthMismatchWindowed", true, nullptr,
                    [](AdapterProfile& p) { p.depthMatchFormats.clear(); }, -5},
        FailureCase{"NoCaps", false, "GetDeviceCaps", nullptr, -6},
        FailureCase{"DeviceRefused", false, "CreateDevice", nullptr, -7},
        FailureCase{"NoModes", false, nullptr, [](AdapterProfile& p) { p.modes.clear(); }, -8},
        FailureCase{"EnumerationFails", false, "EnumAdapterModes", nullptr, -9},
        FailureCase{"No640x480", false, nullptr,
                    [](AdapterProfile& p) {
                        p.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}};
                    },
                    -10},
        FailureCase{"DepthFailsFor640x480", false, nullptr,
                    [](AdapterProfile& p) { p.depthMatchFormats = {D3DFMT_X1R5G5B5}; }, -10}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(RendererTest, EndFramePresentsWhatWasDrawnAndOpensAClearedFrame) {
    ASSERT_EQ(Create(), 0);
    IDirect3DDevice8* device = renderer.GetDevice();
    // A frame is open: a second BeginScene is refused.
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);

    // Top-left 10 x 10 corner in orange, to see colour order and which row is the top.
    const D3DRECT corner{0, 0, 10, 10};
    device->Clear(1, &corner, D3DCLEAR_TARGET, 0x00FF8040, 1.0f, 0);
    EXPECT_EQ(renderer.EndFrame(), 0);
    ASSERT_EQ(presented, 1);
    EXPECT_EQ(lastFrame[0], 0xFFFF8040u);
    EXPECT_EQ(lastFrame[9 * 640 + 9], 0xFFFF8040u);
    EXPECT_EQ(lastFrame[10 * 640 + 10], 0xFF000000u);
    EXPECT_EQ(lastFrame[479 * 640], 0xFF000000u);

    // The next frame starts cleared to black.
    EXPECT_EQ(renderer.EndFrame(), 0);
    EXPECT_EQ(lastFrame[0], 0xFF000000u);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
}

TEST_F(RendererTest, LostDeviceEndsTheFrameWithoutPresenting) {
    ASSERT_EQ(Create(), 0);
    EXPECT_EQ(renderer.EndFrame(), 0);
    host::test::StartTrace();
    host::test::ForceDeviceLost();
    EXPECT_EQ(renderer.EndFrame(), -11);
    EXPECT_FALSE(Traced("Present"));
    EXPECT_EQ(presented, 1);
    // No frame was opened again.
    EXPECT_EQ(renderer.GetDevice()->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(RendererTest, ReleaseOfAnEmptyRendererAndASecondReleaseAreHarmless) {
    host::test::StartTrace();
    Renderer empty;
    empty.Release();
    EXPECT_TRUE(host::test::Trace().empty());
    ASSERT_EQ(Create(), 0);
    renderer.Release();
    EXPECT_TRUE(Traced("IDirect3DDevice8 destroyed"));
    EXPECT_TRUE(Traced("IDirect3D8 destroyed"));
    renderer.Release();
    EXPECT_EQ(renderer.GetDevice(), nullptr);
}

} // namespace
