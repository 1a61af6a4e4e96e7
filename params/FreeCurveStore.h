// The stored form of the free tone curve.
#pragma once

#include <cstdint>

namespace velmo {

// One channel of the free tone curve: up to 16 points in ascending x, values
// scaled by 65535.
struct FreeCurveRecord {
    uint16_t count;
    uint16_t linear; // 1 straight segments, 0 spline
    struct Point {
        uint16_t x, y;
    } points[16];
};
static_assert(sizeof(FreeCurveRecord) == 68);

// Master, red, green, blue; stored whole as "FreeCurve" (272 bytes).
struct FreeCurveStore {
    FreeCurveRecord channel[4];
};
static_assert(sizeof(FreeCurveStore) == 272);

// The process-wide free curve that the palettes edit and development reads.
FreeCurveStore& FreeCurves();

} // namespace velmo
