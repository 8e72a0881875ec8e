// The one adapter the Direct3D stand-in reports. The show always runs on the default profile,
// a modern card with hardware transform and lighting whose 640 x 480 modes exist whatever the
// monitor offers (the device draws into its own 640 x 480 target and scales it to the screen).
// Tests swap in others through the test controls.
#pragma once

#include "platform/d3d8/d3d8_types.h"

#include <vector>

struct AdapterProfile {
    // In the order EnumAdapterModes reports them.
    std::vector<D3DDISPLAYMODE> modes;
    D3DDISPLAYMODE desktopMode;
    D3DCAPS8 caps;
    // Formats accepted as display and back-buffer formats by CheckDeviceType.
    std::vector<D3DFORMAT> displayFormats;
    // Depth formats CheckDeviceFormat accepts for D3DUSAGE_DEPTHSTENCIL surfaces.
    std::vector<D3DFORMAT> depthFormats;
    // Render-target formats with which CheckDepthStencilMatch accepts a depth format.
    std::vector<D3DFORMAT> depthMatchFormats;
    // Formats CheckDeviceFormat accepts for D3DRTYPE_TEXTURE.
    std::vector<D3DFORMAT> textureFormats;
};

AdapterProfile DefaultAdapterProfile();

// The profile in force (the default one unless the tests set another).
const AdapterProfile& ActiveAdapterProfile();
// The tests' build only.
void SetActiveAdapterProfile(const AdapterProfile& profile);
