#include "platform/d3d8/changed_rect.h"

#include <algorithm>
#include <cstring>

ChangedRect FindChangedRect(const uint8_t* now, const uint8_t* before, uint32_t width,
                            uint32_t height, size_t pitch) {
    ChangedRect changed;
    changed.left = width;
    const size_t rowBytes = size_t(width) * 4;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* a = now + y * pitch;
        const uint8_t* b = before + y * pitch;
        if (std::memcmp(a, b, rowBytes) == 0) continue;
        if (changed.bottom == 0) changed.top = y;
        changed.bottom = y + 1;
        // Only what lies outside the columns already known to change needs looking at.
        uint32_t left = 0;
        while (left < changed.left && std::memcmp(a + left * 4, b + left * 4, 4) == 0)
            ++left;
        changed.left = std::min(changed.left, left);
        uint32_t right = width;
        while (right > changed.right &&
               std::memcmp(a + (right - 1) * 4, b + (right - 1) * 4, 4) == 0)
            --right;
        changed.right = std::max(changed.right, right);
    }
    if (changed.bottom == 0) changed = ChangedRect{};
    return changed;
}
