// The number conversions the scenes' formulas rely on.
#pragma once

#include <cmath>
#include <cstdint>

// Truncation toward zero to a signed 32-bit integer. A value that does not fit (or is not a
// number) gives 0x80000000, the x87 "integer indefinite": a frame index that no clip has.
inline int32_t TruncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return int32_t(value);
}
