#include "platform/host/audio_output.h"
#include "platform/host/backends.h"

#include <malloc.h>

#include <utility>
#include <vector>

namespace host {

namespace {

Backend* active = nullptr;
double virtualSeconds = 0;
bool debugOutputShown = true;
bool fastForward = false;
bool fastForwardExact = true;
const void* lockedSurface = nullptr;

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
    fastForward = false;
    active = &OnScreenBackend();
}

void UseOffScreen(FrameCallback onPresent) {
    KeepFreedMemory();
    virtualSeconds = 0;
    fastForward = false;
    fastForwardExact = true;
    SetOffScreenFrameCallback(std::move(onPresent));
    active = &OffScreenBackend();
}

void SetFrameCallback(FrameCallback onPresent) {
    SetOffScreenFrameCallback(std::move(onPresent));
}

uint32_t MusicRate() {
    const PcmStream* music = VirtualOutputStream();
    return music ? music->Rate() : 0;
}

size_t ReadMusic(uint64_t first, size_t frames, int16_t* stereo) {
    const PcmStream* music = VirtualOutputStream();
    if (!music || frames == 0) return 0;
    music->WaitFor(first + frames - 1);
    const AudioFormat& format = music->Format();
    std::vector<uint8_t> samples(frames * size_t(format.BlockAlign()));
    const size_t read = size_t(music->Read(first, samples.data(), frames));
    for (size_t i = 0; i < read; ++i)
        for (int c = 0; c < 2; ++c) {
            const size_t at = i * size_t(format.channels) + size_t(c < format.channels ? c : 0);
            stereo[2 * i + size_t(c)] = format.bytesPerSample == 2
                                            ? reinterpret_cast<const int16_t*>(samples.data())[at]
                                            : int16_t((int(samples[at]) - 128) * 256);
        }
    return read;
}

void SetVirtualTime(double seconds) {
    virtualSeconds = seconds;
}

double VirtualTime() {
    return virtualSeconds;
}

void Backend::DebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void ShowDebugOutput(bool shown) {
    debugOutputShown = shown;
}

bool DebugOutputShown() {
    return debugOutputShown;
}

void SetFastForward(bool on) {
    // Never on screen: a viewer sees every frame.
    fastForward = on && active == &OffScreenBackend();
}

bool FastForwarding() {
    return fastForward;
}

bool FastForwardExact() {
    return fastForwardExact;
}

void NoteFastForwardInexact() {
    fastForwardExact = false;
}

void NoteLockedSurface(const void* surface) {
    lockedSurface = surface;
}

const void* LockedSurface() {
    return lockedSurface;
}

} // namespace host
