// The tests' controls of the stand-ins: adapter profiles, a lost device, calls made to fail,
// injected input, and a trace of the calls that matter for start-up and teardown order. Built
// only into the tests' platform library (show_platform_testable), with the stand-ins' hooks
// (platform/host/test_hooks.h) switched on; the show has none of it.
#pragma once

#include "platform/d3d8/adapter_profile.h"
#include "platform/win32/win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace host::test {

// Back to a clean state: default adapter profile, nothing failing, lost or injected, no trace.
void Reset();

// Makes every later call of `call` fail (until Reset) with `code`: an HRESULT for Direct3D
// calls, a library error code for the audio calls; calls that fail with a null result ignore it.
// Names: "RegisterClassA", "CreateWindowExA", "Direct3DCreate8", "GetAdapterDisplayMode",
// "GetAdapterModeCount", "EnumAdapterModes", "CheckDeviceType", "CheckDeviceFormat",
// "CheckDepthStencilMatch", "GetDeviceCaps", "CreateDevice", "CreateVertexBuffer",
// "CreateIndexBuffer", "BASS_Init", "BASS_StreamCreateFile", "BASS_StreamPlay",
// "BASS_ChannelGetAttributes", "BASS_ChannelSetPosition", "AVIStreamOpenFromFileA",
// "AVIStreamGetFrame", "CreateTexture", "GetSurfaceLevel", "LockRect", "UpdateTexture".
void FailCall(const std::string& call, int64_t code);
void FailCall(const std::string& call);

void SetAdapterProfile(const AdapterProfile& profile);

// The device reports itself lost from now on.
void ForceDeviceLost();

// Input as the user would give it.
void InjectKey(WPARAM virtualKey, bool alt = false);
void InjectCloseButton();
// Another program takes the screen: the full-screen window is minimised.
void InjectScreenTaken();

// Records, from now on, the calls that start-up and teardown make (see Trace()).
void StartTrace();
const std::vector<std::string>& Trace();

struct MessageBoxRecord {
    std::string caption;
    std::string text;
    unsigned type;
};
const std::vector<MessageBoxRecord>& MessageBoxes();

// Calls `observer` after every presented frame, on screen or off (the benchmarks time the first).
void OnFramePresented(std::function<void()> observer);

// Calls `observer` with each clip frame that AVIStreamGetFrame hands out: the clip's path as
// its caller gave it, and the frame's number (the benchmarks' plain program decodes the same).
void OnClipFrameDelivered(std::function<void(const char* path, int64_t position)> observer);

// Whether the device checks its record of OpenGL's state against glGet after every Present (it
// does unless turned off: the benchmarks turn it off, its queries not being the show's work).
void CheckHeldGlState(bool on);

// Whether a clip decodes the frame after the one handed out on a thread of its own (it does
// unless turned off: the clip fuzz target, which never asks for that frame, turns it off).
void DecodeClipsAhead(bool on);

// Off screen, plays through the SDL2 audio device instead of the virtual clock (set
// SDL_AUDIODRIVER=dummy to run at real-time pace without sound). Must precede BASS_Init.
void UseSdlAudioOutput();

} // namespace host::test
