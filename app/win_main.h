// The program entry: window, device, scenes and music set up, the frame loop on the music clock,
// and the teardown. Every failure before the loop ends in one message box.
#pragma once

#include "platform/win32/win32.h"

// Returns 0 on every path, success or failure; the command line is not read.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int show);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Dispatches every message waiting for `window`, then returns.
void PumpMessages(HWND window);

// Set by the window procedure on WM_CLOSE; ends the frame loop after the frame is presented.
extern bool quitRequested;
// Set when a frame could not be presented; selects the closing message.
extern bool deviceLost;
// The program always runs full screen; both set-ups exist so this can be switched.
constexpr bool windowed = false;
