// How an executable wires the stand-ins before it calls WinMain: on screen for the show, off
// screen for the capture tool and the tests. backend.h lists what differs between the two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace host {

// One presented frame: 640 x 480 pixels as 0xAARRGGBB words (alpha always 0xFF, as on the
// X8R8G8B8 back buffer), top row first.
struct Frame {
    const uint32_t* pixels;
    int width;
    int height;
};

using FrameCallback = std::function<void(const Frame&)>;

// The show: a real window, OpenGL on it, the audio device, the monotonic clock.
void UseOnScreen();

// No window and no sound: OpenGL through EGL on Mesa, a virtual clock that only SetVirtualTime
// moves, and every presented frame handed to `onPresent` (which may be empty). The clock starts
// at 0.
void UseOffScreen(FrameCallback onPresent);

// Off screen: hands later frames to `onPresent` instead, the clock as it stands.
void SetFrameCallback(FrameCallback onPresent);

// Off screen only: the virtual clock, in seconds. It drives GetTickCount and the music position,
// so a run that sets it from a frame number gets the same music time in every run.
void SetVirtualTime(double seconds);
double VirtualTime();

// Off screen: the music being played, for a tool that records it beside the pictures: its rate
// (0 while none plays), and up to `frames` frames from frame `first` as 16-bit stereo into
// `stereo`, waiting for them to be decoded; how many there were.
uint32_t MusicRate();
size_t ReadMusic(uint64_t first, size_t frames, int16_t* stereo);

// Whether the system's debug texts (OutputDebugStringA) reach standard error; they do unless
// an executable turns them off.
void ShowDebugOutput(bool shown);
bool DebugOutputShown();

// Off screen: asks the show to close, as the window's close button does; the frame being drawn
// is still presented, then the run ends.
void RequestClose();

} // namespace host
