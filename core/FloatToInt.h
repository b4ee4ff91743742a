// Float-to-integer conversion that is defined for every input: the plain cast is undefined for NaN and
// for values outside the int32 range, and data or long running clocks can produce both.
#pragma once

#include <cmath>
#include <cstdint>

// Truncates toward zero; NaN gives 0, values beyond the int32 range give its nearest end.
inline int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// An 8-bit colour channel from a value that may lie outside 0..255: truncated, then clamped (not wrapped).
inline uint32_t ClampToByte(double value) {
    const int32_t truncated = TruncateToInt32(value);
    return static_cast<uint32_t>(truncated < 0 ? 0 : (truncated > 255 ? 255 : truncated));
}
