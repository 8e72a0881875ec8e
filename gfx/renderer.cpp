#include "gfx/renderer.h"

namespace {

DWORD BehaviourFlags(DWORD devCaps) {
    if (!(devCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) return D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (devCaps & D3DDEVCAPS_PUREDEVICE)
        return D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    return D3DCREATE_MIXED_VERTEXPROCESSING;
}

} // namespace

Renderer::Renderer() : d3d(nullptr), caps{}, device(nullptr) {}

Renderer::~Renderer() {
    Release();
}

void Renderer::Release() {
    if (device) device->Release();
    device = nullptr;
    if (d3d) d3d->Release();
    d3d = nullptr;
}

int32_t Renderer::Fail(int32_t code) {
    Release();
    return code;
}

int32_t Renderer::CreateDevice(int32_t width, int32_t height, HWND window, bool windowed,
                               uint32_t adapter) {
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d) return Fail(-2);
    if (FAILED(d3d->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps))) return Fail(-6);
    // No D3DCREATE_FPU_PRESERVE: the program's floating point runs in single precision.
    const DWORD behaviour = BehaviourFlags(caps.DevCaps);

    D3DPRESENT_PARAMETERS parameters{};
    const int32_t filled = windowed ? FillWindowed(adapter, window, parameters)
                                    : FillFullScreen(width, height, adapter, window, parameters);
    if (filled < 0) return Fail(filled);

    if (FAILED(d3d->CreateDevice(adapter, D3DDEVTYPE_HAL, window, behaviour, &parameters, &device)))
        return Fail(-7);
    OpenFrame();
    return 0;
}

int32_t Renderer::FillWindowed(uint32_t adapter, HWND window, D3DPRESENT_PARAMETERS& parameters) {
    D3DDISPLAYMODE desktop;
    if (FAILED(d3d->GetAdapterDisplayMode(adapter, &desktop))) return -3;
    if (FAILED(d3d->CheckDeviceType(adapter, D3DDEVTYPE_HAL, desktop.Format, desktop.Format, TRUE)))
        return -4;
    if (FAILED(d3d->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, desktop.Format,
                                      D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16)) ||
        FAILED(d3d->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, desktop.Format, desktop.Format,
                                           D3DFMT_D16)))
        return -5;
    // The window's client area gives the size.
    parameters.BackBufferFormat = desktop.Format;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    return 0;
}

int32_t Renderer::FillFullScreen(int32_t width, int32_t height, uint32_t adapter, HWND window,
                                 D3DPRESENT_PARAMETERS& parameters) {
    const UINT count = d3d->GetAdapterModeCount(adapter);
    if (count == 0) return -8;

    // Of the modes of exactly the requested size that pass all three checks, the numerically
    // smallest format wins (so 32-bit X8R8G8B8 before 16-bit R5G6B5); on equal formats the
    // highest index, visited first, stays.
    bool found = false;
    D3DDISPLAYMODE chosen{};
    for (UINT index = count; index-- > 0;) {
        D3DDISPLAYMODE mode;
        if (FAILED(d3d->EnumAdapterModes(adapter, index, &mode))) return -9;
        if (mode.Width != UINT(width) || mode.Height != UINT(height)) continue;
        if (FAILED(
                d3d->CheckDeviceType(adapter, D3DDEVTYPE_HAL, mode.Format, mode.Format, FALSE)) ||
            FAILED(d3d->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, mode.Format,
                                          D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16)) ||
            FAILED(d3d->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, mode.Format, mode.Format,
                                               D3DFMT_D16)))
            continue;
        if (!found || mode.Format < chosen.Format) chosen = mode;
        found = true;
    }
    if (!found) return -10;

    parameters.BackBufferWidth = chosen.Width;
    parameters.BackBufferHeight = chosen.Height;
    parameters.BackBufferFormat = chosen.Format;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    parameters.hDeviceWindow = window;
    parameters.Windowed = FALSE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.FullScreen_RefreshRateInHz = D3DPRESENT_RATE_DEFAULT;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return 0;
}

void Renderer::OpenFrame() {
    // The target to black and the depth buffer to 1.0 in one call: one pass over the target
    // instead of two.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    device->BeginScene();
}

int32_t Renderer::EndFrame() {
    if (!device) return -11;
    device->EndScene();
    if (device->TestCooperativeLevel() != D3D_OK) return -11;
    device->Present(nullptr, nullptr, nullptr, nullptr);
    OpenFrame();
    return 0;
}
