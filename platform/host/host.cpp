#include "platform/host/backends.h"
#include "platform/host/test_controls.h"

#include <utility>

namespace host {

namespace {

Backend* active = nullptr;
double virtualSeconds = 0;
bool debugOutputShown = true;

} // namespace

Backend& Active() {
    if (!active) active = &OnScreenBackend();
    return *active;
}

void UseOnScreen() {
    active = &OnScreenBackend();
}

void UseOffScreen(FrameCallback onPresent) {
    virtualSeconds = 0;
    active = &OffScreenBackend(std::move(onPresent));
}

void SetVirtualTime(double seconds) {
    virtualSeconds = seconds;
}

double VirtualTime() {
    return virtualSeconds;
}

void ShowDebugOutput(bool shown) {
    debugOutputShown = shown;
}

bool DebugOutputShown() {
    return debugOutputShown;
}

// The close arrives through the same queue as the tests' injected input.
void RequestClose() {
    test::InjectCloseButton();
}

} // namespace host
