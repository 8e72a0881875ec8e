// Milliseconds since a start point, on the tick counter.
#pragma once

#include "platform/win32/win32.h"

#include <cstdint>

class Timer {
public:
    Timer() { Reset(); }
    void Reset() { start = GetTickCount(); }
    // Unsigned subtraction, so the count survives the tick counter wrapping after 49.7 days.
    int32_t Elapsed() const { return int32_t(GetTickCount() - start); }

private:
    uint32_t start;
};
