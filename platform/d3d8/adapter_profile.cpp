#include "platform/d3d8/adapter_profile.h"
#include "platform/d3d8/gl.h"

namespace {

AdapterProfile& Active() {
    static AdapterProfile profile = DefaultAdapterProfile();
    return profile;
}

} // namespace

AdapterProfile DefaultAdapterProfile() {
    AdapterProfile profile{};

    // Each size at two refresh rates, 16-bit modes before 32-bit ones, as drivers list them.
    const D3DFORMAT formats[] = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    const UINT sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
    for (D3DFORMAT format : formats)
        for (const auto& size : sizes)
            for (UINT refresh : {60u, 75u})
                profile.modes.push_back({size[0], size[1], refresh, format});
    profile.desktopMode = {1280, 1024, 60, D3DFMT_X8R8G8B8};

    D3DCAPS8& caps = profile.caps;
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = 0;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 1;
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 255;
    caps.MaxPointSize = 1.0f;
    caps.MaxVertexW = 1e10f;

    profile.displayFormats = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    profile.depthFormats = {D3DFMT_D16, D3DFMT_D24S8, D3DFMT_D24X8};
    profile.depthMatchFormats = {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
    profile.textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,   D3DFMT_X1R5G5B5,
                              D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4, D3DFMT_R3G3B2,
                              D3DFMT_A8,       D3DFMT_L8,       D3DFMT_A8L8};
#if !SHOW_GLES
    // In the browser, WebGL 2 has block-compressed textures only as an extension: the picture
    // loader converts DXT pictures instead.
    for (D3DFORMAT compressed : {D3DFMT_DXT1, D3DFMT_DXT2, D3DFMT_DXT3, D3DFMT_DXT4, D3DFMT_DXT5})
        profile.textureFormats.push_back(compressed);
#endif
    return profile;
}

const AdapterProfile& ActiveAdapterProfile() {
    return Active();
}

#if SHOW_TEST_CONTROLS
void SetActiveAdapterProfile(const AdapterProfile& profile) {
    Active() = profile;
}
#endif
