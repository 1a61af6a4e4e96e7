// An inclusive range of integer values: what a field of a record may hold.
#pragma once

#include <algorithm>
#include <cstdint>

namespace velmo {

struct IntRange {
    int32_t min;
    int32_t max;

    constexpr bool Contains(int64_t value) const { return value >= min && value <= max; }
    constexpr int32_t Clamp(int32_t value) const { return std::clamp(value, min, max); }
};

} // namespace velmo
