// What the stand-ins ask of the test controls (test_controls.h). In the show nothing is ever
// armed, so each hook is a cheap check that answers "no".
#pragma once

#include "platform/host/backend.h"

#include <cstdint>

namespace host::hooks {

// True when the tests made `call` fail; `code` (when given) receives the failure value they chose.
bool Fails(const char* call, int64_t* code = nullptr);

// Notes a call in the trace when the tests are tracing.
void Trace(const char* call);
void Trace(const char* call, const char* detail);

bool DeviceForcedLost();

void RecordMessageBox(const char* caption, const char* text, unsigned type);

// Moves input injected by the tests into `events`; returns how many.
int TakeInjectedInput(InputEvent* events, int capacity);

} // namespace host::hooks

namespace host::hooks {
// Off screen: the tests asked for the real audio device instead of the virtual clock.
bool WantsSdlAudio();
// A frame was presented, on screen or off.
void FramePresented();
} // namespace host::hooks
