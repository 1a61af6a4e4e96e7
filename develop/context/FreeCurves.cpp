#include "develop/context/FreeCurves.h"

#include "develop/context/DevelopContext.h"

namespace velmo {

std::shared_ptr<const FreeCurveLut> FreeCurveLut::Identity()
{
    static const std::shared_ptr<const FreeCurveLut> identity = [] {
        auto lut = std::make_shared<FreeCurveLut>();
        for (auto& table : lut->channel)
            for (int i = 0; i < kSize; ++i)
                table[i] = static_cast<uint16_t>(i);
        return lut;
    }();
    return identity;
}

bool FreeCurveLut::IsIdentity() const
{
    for (const auto& table : channel)
        for (int i = 0; i < kSize; ++i)
            if (table[i] != i)
                return false;
    return true;
}

std::array<CSpline, 4> FreeCurveSplines(const FreeCurvePoints& points)
{
    std::array<CSpline, 4> splines;
    for (int c = 0; c < 4; ++c) {
        splines[c].linear = points.linear[c] != 0 ? 1 : 0;
        splines[c].SetPoints(points.x[c], points.y[c]);
    }
    return splines;
}

std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const std::array<CSpline, 4>& splines)
{
    auto lut = std::make_shared<FreeCurveLut>();
    for (int i = 0; i < FreeCurveLut::kSize; ++i) {
        const double a = Clamp01(static_cast<float>(splines[0].Evaluate(i / 65535.0)));
        for (int j = 0; j < 3; ++j)
            lut->channel[j][i] = ToU16(static_cast<float>(splines[j + 1].Evaluate(a)));
    }
    return lut;
}

std::shared_ptr<const FreeCurveLut> MakeFreeCurveLut(const FreeCurvePoints& points)
{
    return MakeFreeCurveLut(FreeCurveSplines(points));
}

} // namespace velmo
