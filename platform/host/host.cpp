#include "platform/host/backends.h"
#include "platform/host/test_controls.h"

#include <malloc.h>

#include <utility>

namespace host {

namespace {

Backend* active = nullptr;
double virtualSeconds = 0;
bool debugOutputShown = true;

// The frame loop frees and takes again blocks of a few hundred kilobytes every frame (the
// driver's vertex storage, decoded video frames). By default glibc hands such blocks back to
// the system and trims the heap as they go, so every frame pays for system calls and fresh
// zeroed pages; kept in the heap they are simply reused.
void KeepFreedMemory() {
    static const bool tuned = [] {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        return true;
    }();
    (void)tuned;
}

} // namespace

Backend& Active() {
    if (!active) active = &OnScreenBackend();
    return *active;
}

void UseOnScreen() {
    KeepFreedMemory();
    active = &OnScreenBackend();
}

void UseOffScreen(FrameCallback onPresent) {
    KeepFreedMemory();
    virtualSeconds = 0;
    active = &OffScreenBackend(std::move(onPresent));
}

void SetFrameCallback(FrameCallback onPresent) {
    OffScreenBackend(std::move(onPresent));
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
