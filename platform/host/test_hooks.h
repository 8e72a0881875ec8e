// Where the stand-ins let the tests in: calls made to fail, a trace of the calls that matter for
// start-up and teardown order, a lost device, injected input, message boxes kept. The tests'
// build of the platform (SHOW_TEST_CONTROLS) defines these in platform/testing/; the show's build
// has only the answers below, which the compiler folds away, so nothing of it reaches the show.
#pragma once

#include "platform/host/backend.h"

#include <cstdint>

namespace host::hooks {

#if SHOW_TEST_CONTROLS

// True when the tests made `call` fail; `code` (when given) receives the failure value they chose.
bool Fails(const char* call, int64_t* code = nullptr);

// Notes a call in the trace when the tests are tracing.
void Trace(const char* call);
void Trace(const char* call, const char* detail);

bool DeviceForcedLost();

void RecordMessageBox(const char* caption, const char* text, unsigned type);

// Moves input injected by the tests into `events`; returns how many.
int TakeInjectedInput(InputEvent* events, int capacity);

// Off screen: the tests asked for the real audio device instead of the virtual clock.
bool WantsSdlAudio();

// Clips decode the frame after the one handed out ahead, on a thread (unless the tests said no).
bool DecodesClipsAhead();

// The device checks its record of OpenGL's state after every Present (unless a benchmark, whose
// timings the queries would weigh on, said no).
bool ChecksHeldGlState();

// A frame was presented, on screen or off.
void FramePresented();

// A clip handed out frame `position` of the clip at `path` (its path as the caller gave it).
void ClipFrameDelivered(const char* path, int64_t position);

#else

inline bool Fails(const char*, int64_t* = nullptr) {
    return false;
}
inline void Trace(const char*) {}
inline void Trace(const char*, const char*) {}
inline bool DeviceForcedLost() {
    return false;
}
inline void RecordMessageBox(const char*, const char*, unsigned) {}
inline int TakeInjectedInput(InputEvent*, int) {
    return 0;
}
inline bool WantsSdlAudio() {
    return false;
}
inline bool DecodesClipsAhead() {
    return true;
}
inline bool ChecksHeldGlState() {
    return false;
}
inline void FramePresented() {}
inline void ClipFrameDelivered(const char*, int64_t) {}

#endif

} // namespace host::hooks
