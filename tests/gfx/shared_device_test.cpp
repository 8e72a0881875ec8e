// The shared buffers and the baseline states every draw returns to.
#include "gfx/renderer.h"
#include "gfx/shared_device.h"
#include "platform/d3d8/device_queries.h"
#include "tests/support/draw_test.h"
#include "tests/support/window_test.h"

#include <cstring>

namespace {

class SharedDeviceTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(renderer.CreateDevice(640, 480, window, false, 0), 0);
    }
    void TearDown() override {
        ReleaseSharedBuffers();
        renderer.Release();
        WindowTest::TearDown();
    }

    DWORD State(D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(DeviceQueries::GetRenderState(sharedDevice, state, &value), D3D_OK);
        return value;
    }

    Renderer renderer;
};

TEST_F(SharedDeviceTest, SetsTheBaselineOverTheDeviceDefaults) {
    ASSERT_EQ(CreateSharedBuffers(&renderer), 0);
    EXPECT_EQ(sharedDevice, renderer.GetDevice());
    ExpectBaseline();
    // Device defaults the drawing relies on and nothing sets.
    EXPECT_EQ(State(D3DRS_ZENABLE), DWORD(D3DZB_TRUE));
    EXPECT_EQ(State(D3DRS_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
    EXPECT_EQ(State(D3DRS_AMBIENT), 0u);
    EXPECT_EQ(State(D3DRS_COLORVERTEX), DWORD(TRUE));
    EXPECT_EQ(State(D3DRS_LOCALVIEWER), DWORD(TRUE));
    EXPECT_EQ(State(D3DRS_NORMALIZENORMALS), DWORD(FALSE));
    EXPECT_EQ(State(D3DRS_DIFFUSEMATERIALSOURCE), DWORD(D3DMCS_COLOR1));
    EXPECT_EQ(State(D3DRS_SPECULARMATERIALSOURCE), DWORD(D3DMCS_COLOR2));
    EXPECT_EQ(State(D3DRS_AMBIENTMATERIALSOURCE), DWORD(D3DMCS_MATERIAL));
    EXPECT_EQ(State(D3DRS_EMISSIVEMATERIALSOURCE), DWORD(D3DMCS_MATERIAL));
    EXPECT_EQ(State(D3DRS_FOGENABLE), DWORD(FALSE));
    EXPECT_EQ(State(D3DRS_DITHERENABLE), DWORD(FALSE));
}

TEST_F(SharedDeviceTest, BuffersHoldTheCapacitiesAndKeepContentsBetweenLocks) {
    ASSERT_EQ(CreateSharedBuffers(&renderer), 0);
    BYTE* vertices = nullptr;
    ASSERT_EQ(sharedVertexBuffer->Lock(0, 0, &vertices, 0), D3D_OK);
    EXPECT_EQ(sharedVertexBuffer->Contents().size(), 65536u * 36u);
    std::memset(vertices, 0xAB, 36);
    vertices[0x240000 - 1] = 0x5C;
    sharedVertexBuffer->Unlock();

    BYTE* again = nullptr;
    ASSERT_EQ(sharedVertexBuffer->Lock(0, 0, &again, 0), D3D_OK);
    EXPECT_EQ(again[35], 0xAB);
    EXPECT_EQ(again[0x240000 - 1], 0x5C);
    sharedVertexBuffer->Unlock();

    BYTE* indices = nullptr;
    ASSERT_EQ(sharedIndexBuffer->Lock(0, 0, &indices, 0), D3D_OK);
    EXPECT_EQ(sharedIndexBuffer->Contents().size(), 65536u * 3u * 2u);
    sharedIndexBuffer->Unlock();
    // A lock reaching past the end is refused.
    EXPECT_EQ(sharedIndexBuffer->Lock(0x60000 - 2, 4, &indices, 0), D3DERR_INVALIDCALL);
}

TEST_F(SharedDeviceTest, FailingIndexBufferLeavesNoBufferAlive) {
    host::test::FailCall("CreateIndexBuffer");
    host::test::StartTrace();
    EXPECT_EQ(CreateSharedBuffers(&renderer), -1);
    EXPECT_TRUE(Traced("IDirect3DVertexBuffer8 destroyed"));
    EXPECT_EQ(sharedVertexBuffer, nullptr);
    EXPECT_EQ(sharedIndexBuffer, nullptr);
    // No buffer holds the device any more: releasing the Renderer destroys it.
    renderer.Release();
    EXPECT_TRUE(Traced("IDirect3DDevice8 destroyed"));
}

TEST_F(SharedDeviceTest, FailingVertexBufferReturnsFailureAndReleaseStaysHarmless) {
    host::test::FailCall("CreateVertexBuffer");
    EXPECT_EQ(CreateSharedBuffers(&renderer), -1);
    EXPECT_EQ(sharedVertexBuffer, nullptr);
    ReleaseSharedBuffers();
    ReleaseSharedBuffers();
}

} // namespace
