// The Direct3D object and the program's one device. A frame is always open between
// CreateDevice and each EndFrame, so scenes draw without beginning or presenting frames.
#pragma once

#include "platform/d3d8/d3d8.h"

#include <cstdint>

class Renderer {
public:
    Renderer();
    ~Renderer();

    // 0, or the code of the step that failed (then nothing is held):
    // -2 no Direct3D object, -3 no desktop mode, -4 desktop format refused, -5 depth format
    // refused (windowed), -6 no caps, -7 device creation failed, -8 no display modes,
    // -9 mode enumeration failed, -10 no usable mode of the requested size (full screen).
    int32_t CreateDevice(int32_t width, int32_t height, HWND window, bool windowed,
                         uint32_t adapter);

    // Presents the frame and opens the next: 0, or -11 when the device is lost (nothing
    // presented, no frame opened).
    int32_t EndFrame();

    IDirect3DDevice8* GetDevice() { return device; }

    // Releases the device, then the Direct3D object; harmless when either is already gone.
    void Release();

private:
    int32_t Fail(int32_t code);
    int32_t FillWindowed(uint32_t adapter, HWND window, D3DPRESENT_PARAMETERS& parameters);
    int32_t FillFullScreen(int32_t width, int32_t height, uint32_t adapter, HWND window,
                           D3DPRESENT_PARAMETERS& parameters);
    void OpenFrame();

    IDirect3D8* d3d;
    D3DCAPS8 caps;
    IDirect3DDevice8* device;
};
