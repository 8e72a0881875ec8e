#include "platform/testing/test_controls.h"
#include "platform/host/test_hooks.h"

#include <utility>

#if !SHOW_TEST_CONTROLS
#error "the test controls belong to the tests' build of the platform only"
#endif

namespace {

struct Controls {
    std::vector<std::pair<std::string, int64_t>> failures;
    bool deviceLost = false;
    bool tracing = false;
    std::vector<std::string> trace;
    std::vector<host::test::MessageBoxRecord> messageBoxes;
    std::vector<host::InputEvent> input;
    bool sdlAudio = false;
    bool decodeAhead = true;
    bool checkHeldGlState = true;
    std::function<void()> presented;
    std::function<void(const char*, int64_t)> clipFrame;
};

Controls& State() {
    static Controls controls;
    return controls;
}

} // namespace

namespace host::hooks {

bool Fails(const char* call, int64_t* code) {
    for (const auto& failure : State().failures) {
        if (failure.first != call) continue;
        if (code && failure.second != 0) *code = failure.second;
        return true;
    }
    return false;
}

void Trace(const char* call) {
    if (State().tracing) State().trace.emplace_back(call);
}

void Trace(const char* call, const char* detail) {
    if (State().tracing) State().trace.push_back(std::string(call) + " " + detail);
}

bool DeviceForcedLost() {
    return State().deviceLost;
}

void RecordMessageBox(const char* caption, const char* text, unsigned type) {
    State().messageBoxes.push_back({caption, text, type});
}

int TakeInjectedInput(InputEvent* events, int capacity) {
    auto& input = State().input;
    int count = 0;
    while (count < capacity && count < int(input.size())) {
        events[count] = input[size_t(count)];
        ++count;
    }
    input.erase(input.begin(), input.begin() + count);
    return count;
}

bool WantsSdlAudio() {
    return State().sdlAudio;
}

bool DecodesClipsAhead() {
    return State().decodeAhead;
}

bool ChecksHeldGlState() {
    return State().checkHeldGlState;
}

void FramePresented() {
    if (State().presented) State().presented();
}

void ClipFrameDelivered(const char* path, int64_t position) {
    if (State().clipFrame) State().clipFrame(path, position);
}

} // namespace host::hooks

namespace host::test {

void CheckHeldGlState(bool on) {
    State().checkHeldGlState = on;
}

void DecodeClipsAhead(bool on) {
    State().decodeAhead = on;
}

void OnFramePresented(std::function<void()> observer) {
    State().presented = std::move(observer);
}

void OnClipFrameDelivered(std::function<void(const char* path, int64_t position)> observer) {
    State().clipFrame = std::move(observer);
}

void Reset() {
    State() = Controls{};
    SetActiveAdapterProfile(DefaultAdapterProfile());
}

void FailCall(const std::string& call, int64_t code) {
    State().failures.emplace_back(call, code);
}
void FailCall(const std::string& call) {
    FailCall(call, 0);
}

void SetAdapterProfile(const AdapterProfile& profile) {
    SetActiveAdapterProfile(profile);
}

void ForceDeviceLost() {
    State().deviceLost = true;
}

void InjectKey(WPARAM virtualKey, bool alt) {
    State().input.push_back({InputEvent::Kind::Key, virtualKey, alt});
}
void InjectCloseButton() {
    State().input.push_back({InputEvent::Kind::CloseButton, 0, false});
}
void InjectScreenTaken() {
    State().input.push_back({InputEvent::Kind::ScreenTaken, 0, false});
}

void StartTrace() {
    State().tracing = true;
    State().trace.clear();
}
const std::vector<std::string>& Trace() {
    return State().trace;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
    return State().messageBoxes;
}

void UseSdlAudioOutput() {
    State().sdlAudio = true;
}

} // namespace host::test
