// The driver: window, device, scenes and music set up, the frame loop on the music clock, and
// the teardown. Every failure before the loop ends in one message box.
#pragma once

#include "platform/win32/win32.h"
#include "scenes/schedule.h"

#include <memory>

// The program entry: runs the show's own schedule (win_main.cpp). Returns 0 on every path,
// success or failure; the command line is not read.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show);

// Runs the show with the scenes of `schedule` (the show's own, or the tests'); 0 on every path.
// It loops over a ShowRun's frames.
int RunShow(HINSTANCE instance, const Schedule& schedule);

// One run of the show for a caller that owns the loop (RunShow, the capture tool, the page, the
// benchmarks), as a game's caller runs one frame function. Constructed, it has started up: the
// window, the device, the scenes and the music, or whatever part of them was made before a
// failure, which it then holds. Each Frame is one frame of the loop. Destroyed, it tears down
// what exists in the driver's order and shows the closing message: the failure's, or the lost
// device's.
class ShowRun {
public:
    ShowRun(HINSTANCE instance, const Schedule& schedule);
    ~ShowRun();
    ShowRun(const ShowRun&) = delete;
    ShowRun& operator=(const ShowRun&) = delete;

    // Whether start-up succeeded.
    bool Started() const;
    // One position query, one message pump, one Render and one EndFrame. False once the run is
    // over: it never started, the music reached its end (that frame drawn but not presented),
    // the device was lost, or a close was asked for (that frame still presented); no frame
    // runs after that.
    bool Frame();

    struct Parts;

private:
    std::unique_ptr<Parts> parts;
};

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dispatches every message waiting for `window`, then returns.
void PumpMessages(HWND window);

// Set by the window procedure on WM_CLOSE; ends the frame loop after the frame is presented.
extern bool quitRequested;
// Set when a frame could not be presented; selects the closing message.
extern bool deviceLost;
// The music the show plays and is clocked by.
inline constexpr char kMusicFile[] = "data/avseq01.mp3";

// The program always runs full screen; both set-ups exist so this can be switched.
constexpr bool windowed = false;
