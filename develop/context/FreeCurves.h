// The free tone curve: the point arrays and splines of its four channels
// (master, red, green, blue) and the three 65,536-entry tables development
// reads.
#pragma once

#include "develop/context/Spline.h"
#include "params/FreeCurveStore.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmo {

// Entry i of channel c (0 red, 1 green, 2 blue) is the output for the 16-bit
// input i after the master curve and the channel's own curve.
struct FreeCurveLut {
    static constexpr int kSize = 65536;
    uint16_t channel[3][kSize];

    static std::shared_ptr<const FreeCurveLut> Identity();
    bool IsIdentity() const;
};

// The process-wide table; never null (the identity until a curve is built).
std::shared_ptr<const FreeCurveLut> CurrentFreeCurveLut();
// Publishes a new table whole; readers keep the one they took.
void PublishFreeCurveLut(std::shared_ptr<const FreeCurveLut> lut);
// Publishes the identity.
void ResetFreeCurveLut();

// The table for four splines (master, red, green, blue).
std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const std::array<CSpline, 4>& splines);

// The points the free-curve palette edits, values 0..1, one pair of arrays per
// channel, and their splines. Used on the user-interface thread only;
// development reads the published table.
struct FreeCurvePoints {
    std::array<std::vector<double>, 4> x;
    std::array<std::vector<double>, 4> y;
};
FreeCurvePoints& FreeCurvePointArrays();
std::array<CSpline, 4>& FreeCurveSplines();

// True when a stored channel can be used: 1 to 16 points in strictly
// ascending x.
bool IsValidFreeCurveRecord(const FreeCurveRecord& record);
// The straight line (0, 0) - (1, 1).
FreeCurveRecord IdentityFreeCurveRecord();

// Loads store into the point arrays and splines, resetting every channel that
// cannot be used to the identity (in store too), then builds and publishes
// the table. Returns the number of channels reset.
int BuildFreeCurves(FreeCurveStore& store);
// Builds the table from the current splines and publishes it.
void RebuildFreeCurveLut();
// Writes the point arrays back into store (value x 65535 + 0.5, truncated).
void StoreFreeCurvePoints(FreeCurveStore& store);

} // namespace velmo
