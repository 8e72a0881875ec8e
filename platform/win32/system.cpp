// Message boxes, the tick count, debug output, cursors and stock objects.
#include "platform/host/backend.h"
#include "platform/host/host.h"
#include "platform/host/test_hooks.h"
#include "platform/win32/win32.h"

#include <cstdio>

namespace {

// Stock handles only need to be distinct and non-null; nothing draws with them.
struct StockTag {
    int id;
};
StockTag stockObjects[20];
StockTag appStartingCursor{IDC_APPSTARTING_ID};

} // namespace

int WINAPI MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT type) {
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : "Error";
    // Always on standard error too: the message must reach a user who has no screen.
    std::fprintf(stderr, "%s: %s\n", shownCaption, shownText);
    std::fflush(stderr);
    host::hooks::Trace("MessageBoxA", shownText);
    host::hooks::RecordMessageBox(shownCaption, shownText, type);
    host::Active().ShowMessageBox(shownCaption, shownText, (type & MB_ICONERROR) != 0);
    return IDOK;
}

DWORD WINAPI GetTickCount() {
    return host::Active().TickCount();
}

void WINAPI OutputDebugStringA(LPCSTR text) {
    if (!text || !host::DebugOutputShown()) return;
    host::Active().DebugOutput(text);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
    // Only the system's own cursors, named by integer resource, exist here.
    if (instance || reinterpret_cast<uintptr_t>(cursorName) != IDC_APPSTARTING_ID) return nullptr;
    return reinterpret_cast<HCURSOR>(&appStartingCursor);
}

HGDIOBJ WINAPI GetStockObject(int object) {
    if (object < 0 || object >= int(sizeof stockObjects / sizeof stockObjects[0])) return nullptr;
    stockObjects[object].id = object;
    return reinterpret_cast<HGDIOBJ>(&stockObjects[object]);
}
