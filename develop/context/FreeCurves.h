// The free tone curve's tables: the splines of the four channels (master,
// red, green, blue) and the three 65,536-entry tables development reads,
// built from the edit state's points (params/FreeCurveStore.h).
#pragma once

#include "develop/context/Spline.h"
#include "params/FreeCurveStore.h"

#include <array>
#include <cstdint>
#include <memory>

namespace velmo {

// Entry i of channel c (0 red, 1 green, 2 blue) is the output for the 16-bit
// input i after the master curve and the channel's own curve.
struct FreeCurveLut {
    static constexpr int kSize = 65536;
    uint16_t channel[3][kSize];

    static std::shared_ptr<const FreeCurveLut> Identity();
    bool IsIdentity() const;
};

// The solved splines of the four channels of points.
std::array<CSpline, 4> FreeCurveSplines(const FreeCurvePoints& points);

// The table for four splines (master, red, green, blue), or for points.
std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const std::array<CSpline, 4>& splines);
std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const FreeCurvePoints& points);

} // namespace velmo
