// Window classes, windows and the message queue.
#include "platform/host/backend.h"
#include "platform/host/test_hooks.h"
#include "platform/win32/window_record.h"

#include <strings.h>

#include <algorithm>
#include <vector>

namespace {

struct RegisteredClass {
    std::string name;
    WNDCLASSA description;
    ATOM atom;
};

std::vector<RegisteredClass>& Classes() {
    static std::vector<RegisteredClass> classes;
    return classes;
}

// Live windows, oldest first.
std::vector<HWND>& Windows() {
    static std::vector<HWND> windows;
    return windows;
}

// The thread's message queue: a fixed ring, so posting in the frame loop allocates nothing.
constexpr int kQueueCapacity = 256;

struct WindowState {
    HWND focusWindow = nullptr;
    int cursorCount = 0;
    MSG queue[kQueueCapacity];
    int queueHead = 0;
    int queueCount = 0;
};

WindowState state;

MSG& QueueAt(int i) {
    return state.queue[(state.queueHead + i) % kQueueCapacity];
}

void RemoveAt(int index) {
    for (int i = index; i + 1 < state.queueCount; ++i)
        QueueAt(i) = QueueAt(i + 1);
    --state.queueCount;
}

bool IsLive(HWND window) {
    const auto& windows = Windows();
    return window && std::find(windows.begin(), windows.end(), window) != windows.end();
}

RegisteredClass* FindClass(LPCSTR name) {
    if (!name) return nullptr;
    for (RegisteredClass& entry : Classes())
        if (strcasecmp(entry.name.c_str(), name) == 0) return &entry;
    return nullptr;
}

bool Enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (state.queueCount == kQueueCapacity) return false;
    MSG& slot = QueueAt(state.queueCount++);
    slot = MSG{window, message, wParam, lParam, GetTickCount(), POINT{0, 0}};
    return true;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsLive(window) ? window->procedure(window, message, wParam, lParam) : 0;
}

// Input goes to the focus window, or to the newest window when none has the focus.
HWND InputTarget() {
    if (IsLive(state.focusWindow)) return state.focusWindow;
    return Windows().empty() ? nullptr : Windows().back();
}

// Turns what the host gathered into the messages Windows would queue for it.
void GatherInput() {
    host::InputEvent events[32];
    int count = host::Active().PollInput(events, 32);
    count += host::hooks::TakeInjectedInput(events + count, 32 - count);
    for (int i = 0; i < count; ++i) {
        const host::InputEvent& event = events[i];
        HWND target = InputTarget();
        if (!target) continue;
        switch (event.kind) {
        case host::InputEvent::Kind::Key:
            Enqueue(target, event.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, event.virtualKey,
                    1 | (event.alt ? KF_ALTDOWN_LPARAM : 0));
            break;
        case host::InputEvent::Kind::CloseButton:
            Enqueue(target, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case host::InputEvent::Kind::ScreenTaken:
            if (target->fullScreen) target->screenTaken = true;
            break;
        }
    }
}

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

int FindMessage(HWND window, UINT filterMin, UINT filterMax) {
    for (int i = 0; i < state.queueCount; ++i)
        if (Matches(QueueAt(i), window, filterMin, filterMax)) return i;
    return -1;
}

} // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
    host::hooks::Trace("RegisterClassA");
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc) return 0;
    if (FindClass(wndClass->lpszClassName) || host::hooks::Fails("RegisterClassA")) return 0;
    static ATOM nextAtom = 0xC000;
    RegisteredClass entry{wndClass->lpszClassName, *wndClass, nextAtom++};
    entry.description.lpszClassName = nullptr; // the copied name lives in `name`
    Classes().push_back(entry);
    return entry.atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    host::hooks::Trace("UnregisterClassA");
    RegisteredClass* entry = FindClass(className);
    if (!entry) return FALSE;
    for (HWND window : Windows())
        if (strcasecmp(window->className.c_str(), className) == 0) return FALSE;
    Classes().erase(Classes().begin() + (entry - Classes().data()));
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(RECT* rect, DWORD /*style*/, BOOL /*menu*/, DWORD /*exStyle*/) {
    return rect ? TRUE : FALSE;
}

HWND WINAPI CreateWindowExA(DWORD /*exStyle*/, LPCSTR className, LPCSTR windowName, DWORD style,
                            int /*x*/, int /*y*/, int width, int height, HWND /*parent*/,
                            HMENU /*menu*/, HINSTANCE /*instance*/, void* /*param*/) {
    host::hooks::Trace("CreateWindowExA");
    const RegisteredClass* windowClass = FindClass(className);
    if (!windowClass || width <= 0 || height <= 0) return nullptr;
    if (host::hooks::Fails("CreateWindowExA")) return nullptr;

    auto* window = new HWND__();
    window->procedure = windowClass->description.lpfnWndProc;
    window->className = windowClass->name;
    window->title = windowName ? windowName : "";
    window->width = width;
    window->height = height;
    // A pop-up window is the full-screen kind: on this platform it covers the desktop.
    window->fullScreen = (style & WS_POPUP) != 0;
    if (!host::Active().OpenWindow(window)) {
        delete window;
        return nullptr;
    }
    Windows().push_back(window);
    return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
    host::hooks::Trace("DestroyWindow");
    if (!IsLive(window)) return FALSE;
    window->procedure(window, WM_DESTROY, 0, 0);
    for (int i = state.queueCount - 1; i >= 0; --i)
        if (QueueAt(i).hwnd == window) RemoveAt(i);
    if (state.focusWindow == window) state.focusWindow = nullptr;
    host::Active().CloseWindow(window);
    auto& windows = Windows();
    windows.erase(std::find(windows.begin(), windows.end(), window));
    delete window;
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int /*command*/) {
    if (!IsLive(window)) return FALSE;
    host::Active().ShowWindow(window);
    return FALSE; // the window was hidden before
}

HWND WINAPI SetFocus(HWND window) {
    if (window && !IsLive(window)) return nullptr;
    HWND previous = state.focusWindow;
    state.focusWindow = window;
    return previous;
}

int WINAPI ShowCursor(BOOL show) {
    state.cursorCount += show ? 1 : -1;
    host::Active().SetCursorVisible(state.cursorCount >= 0);
    return state.cursorCount;
}

BOOL WINAPI PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) return FALSE;
    GatherInput();
    const int index = FindMessage(window, filterMin, filterMax);
    if (index < 0) return FALSE;
    *msg = QueueAt(index);
    if (removeMsg & PM_REMOVE) RemoveAt(index);
    return TRUE;
}

BOOL WINAPI GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg || (window && !IsLive(window))) return -1;
    for (;;) {
        GatherInput();
        const int index = FindMessage(window, filterMin, filterMax);
        if (index >= 0) {
            *msg = QueueAt(index);
            RemoveAt(index);
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        host::Active().WaitInput();
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    return msg ? Send(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !IsLive(window)) return FALSE;
    return Enqueue(window, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & KF_ALTDOWN_LPARAM))
            return Send(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) return Send(window, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}
