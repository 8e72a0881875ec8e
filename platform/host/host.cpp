#include "platform/host/audio_output.h"
#include "platform/host/backends.h"
#include "platform/host/run_state.h"

#include <malloc.h>

#include <utility>
#include <vector>

namespace host {

namespace {

// Which backend is in force, and whether debug texts are shown; the run's own state apart.
struct HostState {
    Backend* active = nullptr;
    bool debugOutputShown = true;
    RunState run;
};

HostState state;

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

RunState& Run() {
    return state.run;
}

Backend& Active() {
    if (!state.active) state.active = &OnScreenBackend();
    return *state.active;
}

void UseOnScreen() {
    KeepFreedMemory();
    state.run.fastForward = false;
    // The window's picture is the back buffer's own; the page sets its size after this.
    state.run.drawingWidth = state.run.drawingHeight = 0;
    state.active = &OnScreenBackend();
}

void UseOffScreen(FrameCallback onPresent) {
    KeepFreedMemory();
    state.run = RunState{};
    SetOffScreenFrameCallback(std::move(onPresent));
    state.active = &OffScreenBackend();
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

bool MusicLastsTo(double seconds, double& length) {
    const PcmStream* music = VirtualOutputStream();
    if (!music || music->Rate() == 0) return true;
    const uint64_t frame = uint64_t(std::max(0.0, seconds) * music->Rate());
    const uint64_t decoded = music->WaitFor(frame);
    length = double(decoded) / music->Rate();
    return decoded > frame;
}

void SetVirtualTime(double seconds) {
    state.run.virtualSeconds = seconds;
}

double VirtualTime() {
    return state.run.virtualSeconds;
}

void Backend::DebugOutput(const char* text) {
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void ShowDebugOutput(bool shown) {
    state.debugOutputShown = shown;
}

bool DebugOutputShown() {
    return state.debugOutputShown;
}

void SetDrawingSize(int width, int height) {
    const bool set = width > 0 && height > 0;
    state.run.drawingWidth = set ? width : 0;
    state.run.drawingHeight = set ? height : 0;
}

void SetFastForward(bool on) {
    // Never on screen: a viewer sees every frame.
    state.run.fastForward = on && state.active == &OffScreenBackend();
}

bool FastForwarding() {
    return state.run.fastForward;
}

bool FastForwardExact() {
    return state.run.fastForwardExact;
}

} // namespace host
