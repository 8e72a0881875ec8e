// The driver: window, device, scenes and music set up, the frame loop on the music clock, and
// the teardown. Every failure before the loop ends in one message box.
#pragma once

#include "platform/win32/win32.h"
#include "scenes/schedule.h"

// The program entry: runs the show's own schedule (win_main.cpp). Returns 0 on every path,
// success or failure; the command line is not read.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show);

// Runs the show with the scenes of `schedule` (the show's own, or the tests'); 0 on every path.
int RunShow(HINSTANCE instance, const Schedule& schedule);

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
