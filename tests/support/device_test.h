// A fixture for tests that need the Renderer's device with the shared buffers, off screen.
#pragma once

#include "gfx/renderer.h"
#include "gfx/shared_device.h"
#include "tests/support/window_test.h"

// The Renderer's device with the shared buffers, as the scenes find it. The adapter profile can
// be changed before SetUp through `profile`.
class DeviceTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        host::test::SetAdapterProfile(profile);
        ASSERT_EQ(renderer.CreateDevice(640, 480, window, false, 0), 0);
        ASSERT_EQ(CreateSharedBuffers(&renderer), 0);
    }
    void TearDown() override {
        ReleaseSharedBuffers();
        renderer.Release();
        WindowTest::TearDown();
    }

    // Starts again on a device of another adapter.
    void Recreate(const AdapterProfile& other) {
        ReleaseSharedBuffers();
        renderer.Release();
        profile = other;
        host::test::SetAdapterProfile(profile);
        ASSERT_EQ(renderer.CreateDevice(640, 480, window, false, 0), 0);
        ASSERT_EQ(CreateSharedBuffers(&renderer), 0);
    }

    AdapterProfile profile = DefaultAdapterProfile();
    Renderer renderer;
};
