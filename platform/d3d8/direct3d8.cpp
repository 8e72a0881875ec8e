// IDirect3D8: the adapter queries, answered from the adapter profile, and device creation.
#include "platform/d3d8/adapter_profile.h"
#include "platform/d3d8/d3d8.h"
#include "platform/host/test_hooks.h"

#include <algorithm>

namespace {

bool Contains(const std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

// The stand-in has one adapter, and only a hardware device on it.
bool ValidTarget(UINT adapter, D3DDEVTYPE type) {
    return adapter == D3DADAPTER_DEFAULT && type == D3DDEVTYPE_HAL;
}

} // namespace

ULONG D3DUnknown::AddRef() {
    return ++references;
}

ULONG D3DUnknown::Release() {
    ULONG left = --references;
    if (left == 0) delete this;
    return left;
}

IDirect3D8* WINAPI Direct3DCreate8(UINT sdkVersion) {
    host::hooks::Trace("Direct3DCreate8");
    if (sdkVersion != D3D_SDK_VERSION || host::hooks::Fails("Direct3DCreate8")) return nullptr;
    return new IDirect3D8();
}

IDirect3D8::~IDirect3D8() {
    host::hooks::Trace("IDirect3D8 destroyed");
}

UINT IDirect3D8::GetAdapterCount() {
    return 1;
}

HRESULT IDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("GetAdapterDisplayMode", &code)) return HRESULT(code);
    *mode = ActiveAdapterProfile().desktopMode;
    return D3D_OK;
}

UINT IDirect3D8::GetAdapterModeCount(UINT adapter) {
    if (adapter != D3DADAPTER_DEFAULT || host::hooks::Fails("GetAdapterModeCount")) return 0;
    return UINT(ActiveAdapterProfile().modes.size());
}

HRESULT IDirect3D8::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* result) {
    const auto& modes = ActiveAdapterProfile().modes;
    if (adapter != D3DADAPTER_DEFAULT || !result || mode >= modes.size()) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_INVALIDCALL;
    if (host::hooks::Fails("EnumAdapterModes", &code)) return HRESULT(code);
    *result = modes[mode];
    return D3D_OK;
}

HRESULT IDirect3D8::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL /*windowed*/) {
    if (!ValidTarget(adapter, type)) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("CheckDeviceType", &code)) return HRESULT(code);
    const auto& formats = ActiveAdapterProfile().displayFormats;
    if (!Contains(formats, displayFormat) || !Contains(formats, backBufferFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT IDirect3D8::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                      DWORD usage, D3DRESOURCETYPE resourceType,
                                      D3DFORMAT checkFormat) {
    if (!ValidTarget(adapter, type)) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("CheckDeviceFormat", &code)) return HRESULT(code);
    const AdapterProfile& profile = ActiveAdapterProfile();
    if (!Contains(profile.displayFormats, adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        return resourceType == D3DRTYPE_SURFACE && Contains(profile.depthFormats, checkFormat)
                   ? D3D_OK
                   : D3DERR_NOTAVAILABLE;
    if (resourceType == D3DRTYPE_TEXTURE)
        return Contains(profile.textureFormats, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D8::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat,
                                           D3DFORMAT depthStencilFormat) {
    if (!ValidTarget(adapter, type)) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("CheckDepthStencilMatch", &code)) return HRESULT(code);
    const AdapterProfile& profile = ActiveAdapterProfile();
    if (!Contains(profile.displayFormats, adapterFormat) ||
        !Contains(profile.depthFormats, depthStencilFormat) ||
        !Contains(profile.depthMatchFormats, renderTargetFormat))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT IDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (!ValidTarget(adapter, type) || !caps) return D3DERR_INVALIDCALL;
    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("GetDeviceCaps", &code)) return HRESULT(code);
    *caps = ActiveAdapterProfile().caps;
    return D3D_OK;
}

HRESULT IDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                 DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                                 IDirect3DDevice8** result) {
    host::hooks::Trace("IDirect3D8::CreateDevice");
    if (!result) return D3DERR_INVALIDCALL;
    *result = nullptr;
    if (!ValidTarget(adapter, type) || !parameters || !focusWindow) return D3DERR_INVALIDCALL;
    const DWORD processing =
        behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                         D3DCREATE_MIXED_VERTEXPROCESSING);
    // Exactly one kind of vertex processing, and a pure device only with hardware processing.
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if ((behaviorFlags & D3DCREATE_PUREDEVICE) && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;

    int64_t code = D3DERR_NOTAVAILABLE;
    if (host::hooks::Fails("CreateDevice", &code)) return HRESULT(code);

    D3DPRESENT_PARAMETERS presentation = *parameters;
    if (presentation.Windowed) {
        if (presentation.BackBufferWidth == 0) presentation.BackBufferWidth = 640;
        if (presentation.BackBufferHeight == 0) presentation.BackBufferHeight = 480;
    } else {
        // Full screen needs a display mode the adapter offers.
        bool offered = false;
        for (const D3DDISPLAYMODE& mode : ActiveAdapterProfile().modes)
            offered |= mode.Width == presentation.BackBufferWidth &&
                       mode.Height == presentation.BackBufferHeight &&
                       mode.Format == presentation.BackBufferFormat;
        if (!offered) return D3DERR_INVALIDCALL;
    }
    if (presentation.BackBufferCount == 0) presentation.BackBufferCount = 1;

    D3DDEVICE_CREATION_PARAMETERS creation{adapter, type, focusWindow, behaviorFlags};
    auto* device = new IDirect3DDevice8(this, creation, presentation);
    if (!device->CreateTarget()) {
        device->Release();
        return D3DERR_NOTAVAILABLE;
    }
    *result = device;
    return D3D_OK;
}
