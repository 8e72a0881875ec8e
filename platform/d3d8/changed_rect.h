// The smallest rectangle of 32-bit texels that differs between two copies of a level, so that
// a texture written again sends up only what changed (and nothing when nothing did).
#pragma once

#include <cstddef>
#include <cstdint>

struct ChangedRect {
    // Texel columns [left, right) and rows [top, bottom); empty when nothing differs.
    uint32_t left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

// `now` and `before` hold rows of 32-bit texels `pitch` bytes apart; only the rectangle
// `within` is looked at (what may have been written), whole rows compared at once and the
// edges found a word at a time only where a row's outer part differs.
ChangedRect FindChangedRect(const uint8_t* now, const uint8_t* before, size_t pitch,
                            const ChangedRect& within);
