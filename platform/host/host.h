// What an executable tells the stand-ins: which host it runs on (on screen for the show, off
// screen for the capture tool and the tests; backend.h lists what differs between the two),
// and, off screen, between frames: the virtual clock, fast-forwarding, and where presented
// frames go. It also hands back the music being played, for a tool that records it. The state
// the stand-ins share while the show runs is run_state.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace host {

// One presented frame: 640 x 480 pixels as 0xAARRGGBB words (alpha always 0xFF, as on the
// X8R8G8B8 back buffer), top row first; no pixels for a frame that was fast-forwarded.
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

// Off screen: whether the music being played lasts to `seconds`, waiting until it is decoded
// that far or has ended; false, with its whole length in `length`, when it ends before. True
// while no music plays (nothing to check).
bool MusicLastsTo(double seconds, double& length);

// Whether the system's debug texts (OutputDebugStringA) reach standard error; they do unless
// an executable turns them off.
void ShowDebugOutput(bool shown);
bool DebugOutputShown();

// The size the device draws the show's frames at, from the next frame (or device) on: its
// 640 x 480 back buffer's positions, viewports and clears scaled to it, the textures as they
// are; 0 x 0 (the default) for 640 x 480 itself. The capture tool and the page set it; the
// show on screen never does.
void SetDrawingSize(int width, int height);

// Off screen: fast-forwarding. While it is on, every frame runs as it would in a full play (the
// driver and the scenes make the same calls at the same music times, so what they keep from
// frame to frame evolves identically) but nothing is drawn: the device leaves out draws, clears,
// texture and buffer uploads, and the host the read-back, handing the frame callback a frame
// without pixels. A clip frame asked for is only noted, and decoded when it is next shown, as
// part of the first frame drawn after: what a canvas shows then is what the full play would
// show. The capture tool turns it on for the frames before what it captures.
void SetFastForward(bool on);
bool FastForwarding();

// False once something fast-forwarded could not be shown exactly as a full play would show it:
// clips of different sizes copied into one texture, which leaves part of the earlier clip's
// picture that was never decoded. Starts true with UseOffScreen.
bool FastForwardExact();

} // namespace host
