// The free tone curve: its stored form (FreeCurveStore) and the points the
// curve editors work on (FreeCurvePoints), with the conversions between them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

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

bool operator==(const FreeCurveStore& a, const FreeCurveStore& b);

// The points of the four channels (master, red, green, blue), values 0..1,
// x ascending, and each channel's straight-segments flag. The development's
// tables are built from these (develop/context/FreeCurves.h).
struct FreeCurvePoints {
    std::array<std::vector<double>, 4> x;
    std::array<std::vector<double>, 4> y;
    std::array<int, 4> linear{};

    bool operator==(const FreeCurvePoints&) const = default;
};

// True when a stored channel can be used: 1 to 16 points in strictly
// ascending x.
bool IsValidFreeCurveRecord(const FreeCurveRecord& record);
// The straight line (0, 0) - (1, 1).
FreeCurveRecord IdentityFreeCurveRecord();
// Replaces every channel that cannot be used by the identity. Returns the
// number of channels replaced.
int NormalizeFreeCurveStore(FreeCurveStore& store);

// The points of a store (each value the stored u16 / 65535); a channel that
// cannot be used gives the identity's points.
FreeCurvePoints FreeCurvePointsOf(const FreeCurveStore& store);
// The stored form of points: at most 16 per channel, each value x 65535
// + 0.5 truncated (clamped to 0..65535).
FreeCurveStore FreeCurveStoreOf(const FreeCurvePoints& points);
// The points of the identity on every channel.
FreeCurvePoints IdentityFreeCurvePoints();

} // namespace velmo
