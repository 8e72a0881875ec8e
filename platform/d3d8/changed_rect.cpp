#include "platform/d3d8/changed_rect.h"

#include <cstring>

namespace {

bool Same(const uint8_t* a, const uint8_t* b, uint32_t from, uint32_t to) {
    return to <= from ||
           std::memcmp(a + size_t(from) * 4, b + size_t(from) * 4, size_t(to - from) * 4) == 0;
}

} // namespace

ChangedRect FindChangedRect(const uint8_t* now, const uint8_t* before, size_t pitch,
                            const ChangedRect& within) {
    ChangedRect changed;
    if (within.Empty()) return changed;
    for (uint32_t y = within.top; y < within.bottom; ++y) {
        const uint8_t* a = now + y * pitch;
        const uint8_t* b = before + y * pitch;
        if (Same(a, b, within.left, within.right)) continue;
        if (changed.Empty()) {
            // The first row that differs sets both edges.
            changed.top = y;
            changed.left = within.left;
            while (Same(a, b, changed.left, changed.left + 1))
                ++changed.left;
            changed.right = within.right;
            while (Same(a, b, changed.right - 1, changed.right))
                --changed.right;
        } else {
            // Later rows can only widen it: their parts outside the known columns are compared
            // whole, and searched a texel at a time only when they differ.
            if (!Same(a, b, within.left, changed.left)) {
                uint32_t left = within.left;
                while (Same(a, b, left, left + 1))
                    ++left;
                changed.left = left;
            }
            if (!Same(a, b, changed.right, within.right)) {
                uint32_t right = within.right;
                while (Same(a, b, right - 1, right))
                    --right;
                changed.right = right;
            }
        }
        changed.bottom = y + 1;
    }
    return changed;
}
