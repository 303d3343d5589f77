// Defined conversions of engine floats to integers.  C++ leaves a
// float-to-integer conversion of an out-of-range value undefined; the engine
// happily stores 1e30 or nan in a variable, so every truncation goes through
// these.
#pragma once

#include <cstdint>

// Truncates toward zero; nan gives 0, values beyond the range give its limit.
inline int64_t TruncateToInt64(double value) {
    if (!(value == value)) return 0;
    if (value >= 9223372036854775807.0) return INT64_MAX;
    if (value <= -9223372036854775808.0) return INT64_MIN;
    return static_cast<int64_t>(value);
}

inline int32_t TruncateToInt32(double value) {
    const int64_t wide = TruncateToInt64(value);
    if (wide > INT32_MAX) return INT32_MAX;
    if (wide < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(wide);
}

// Truncates toward zero and takes the result as an unsigned 32-bit number,
// the way a 32-bit conversion wraps: -1 becomes 4294967295.  Values beyond
// the signed 32-bit range saturate first.
inline uint32_t TruncateToUint32Wrapped(double value) {
    const int64_t wide = TruncateToInt64(value);
    if (wide > UINT32_MAX) return UINT32_MAX;
    if (wide < INT32_MIN) return static_cast<uint32_t>(INT32_MIN);
    return static_cast<uint32_t>(wide);
}
