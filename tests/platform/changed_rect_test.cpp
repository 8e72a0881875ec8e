// The rectangle a texture sends up again, against the bounding box of the changed texels found
// one texel at a time.
#include "platform/d3d8/changed_rect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// The bounding box of the texels of `within` that differ, by looking at every one.
ChangedRect BoundingBox(const std::vector<uint32_t>& now, const std::vector<uint32_t>& before,
                        uint32_t width, const ChangedRect& within) {
    ChangedRect box;
    bool any = false;
    for (uint32_t y = within.top; y < within.bottom; ++y)
        for (uint32_t x = within.left; x < within.right; ++x)
            if (now[y * width + x] != before[y * width + x]) {
                if (!any) box = {x, y, x + 1, y + 1};
                box.left = std::min(box.left, x), box.right = std::max(box.right, x + 1);
                box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y + 1);
                any = true;
            }
    return any ? box : ChangedRect{};
}

TEST(FindChangedRect, IsTheBoundingBoxOfWhatDiffersInsideWhatWasWritten) {
    constexpr uint32_t kWidth = 37, kHeight = 23;
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint32_t> before(kWidth * kHeight);
        for (uint32_t& texel : before)
            texel = random();
        std::vector<uint32_t> now = before;
        // None, one, or a few texels changed; some outside the rectangle looked at.
        const int changes = int(random() % 5);
        for (int c = 0; c < changes; ++c)
            now[random() % now.size()] ^= 1u << (random() % 32);
        uint32_t x0 = random() % kWidth, x1 = random() % (kWidth + 1);
        uint32_t y0 = random() % kHeight, y1 = random() % (kHeight + 1);
        if (x0 > x1) std::swap(x0, x1);
        if (y0 > y1) std::swap(y0, y1);
        const ChangedRect within{x0, y0, x1, y1};
        const ChangedRect found =
            FindChangedRect(reinterpret_cast<const uint8_t*>(now.data()),
                            reinterpret_cast<const uint8_t*>(before.data()), kWidth * 4, within);
        const ChangedRect expected = BoundingBox(now, before, kWidth, within);
        ASSERT_EQ(found.Empty(), expected.Empty()) << "round " << round;
        if (expected.Empty()) continue;
        ASSERT_EQ(found.left, expected.left) << "round " << round;
        ASSERT_EQ(found.right, expected.right) << "round " << round;
        ASSERT_EQ(found.top, expected.top) << "round " << round;
        ASSERT_EQ(found.bottom, expected.bottom) << "round " << round;
    }
}

} // namespace
