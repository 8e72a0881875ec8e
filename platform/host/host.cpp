#include "platform/host/backends.h"

#include <utility>

namespace host {

namespace {

Backend* active = nullptr;
double virtualSeconds = 0;

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

} // namespace host
