#include "params/DevParams.h"

#include <cmath>

namespace velmo {

const char* ParamValueName(int& cameraFamily)
{
    switch (cameraFamily) {
    case 1: return "ParamS2";
    case 2: return "ParamF7";
    case 3: return "Param00";
    case 4: return "ParamS20";
    case 5: return "ParamE5";
    case 6: return "ParamS55";
    case 7: return "ParamS3";
    case 9: return "ParamS9";
    case 0: return "Param";
    default:
        cameraFamily = 0;
        return "Param";
    }
}

namespace {

struct IntRange {
    int32_t DevParams::*field;
    int32_t lo, hi;
};

// The ranges of the palettes' controls; indices and divisors need them.
constexpr IntRange kIntRanges[] = {
    {&DevParams::honeycomb, 0, 1},
    {&DevParams::reserved4, 0, 0},
    {&DevParams::twoFrames, 0, 1},
    {&DevParams::iColorNR, 0, 5},
    {&DevParams::iColorNRthreshold, 0, 100},
    {&DevParams::whiteBalance, 0, 12},
    {&DevParams::cameraWhiteBalance, 0, 12},
    {&DevParams::iEnhColor, 0, 2},
    {&DevParams::iEnhGreen, 0, 2},
    {&DevParams::exifOrientation, 0, 8},
    {&DevParams::contrast, -100, 100},
    {&DevParams::brightness, -100, 100},
    {&DevParams::saturation, 0, 400},
    {&DevParams::hue, -100, 100},
    {&DevParams::sharpness, 0, 3},
    {&DevParams::cameraSharpness, 0, 3},
    {&DevParams::rotate, 0, 2},
    {&DevParams::customWB1, 1, 65535},
    {&DevParams::customWB2, 1, 65535},
    {&DevParams::customWB3, 1, 65535},
    {&DevParams::wbTempt, 2500, 9500},
    {&DevParams::mixSR, 0, 100},
    {&DevParams::typeSR, 0, 7},
    {&DevParams::sImageOn, 0, 1},
    {&DevParams::rImageOn, 0, 1},
    {&DevParams::easySR, 0, 1},
    {&DevParams::linearSR, 0, 100},
    {&DevParams::soften, 0, 100},
    {&DevParams::harden, 0, 100},
    {&DevParams::WBfineTuneR, -100, 100},
    {&DevParams::WBfineTuneG, -100, 100},
    {&DevParams::WBfineTuneB, -100, 100},
    {&DevParams::WBfineTune, 0, 1},
    {&DevParams::ICC, 0, 4},
    {&DevParams::bGammaLog, 0, 1},
    {&DevParams::bNR, 0, 2},
    {&DevParams::NR1, 1, 5},
    {&DevParams::NR2, 0, 100},
    {&DevParams::NR3, 1, 200},
    {&DevParams::NR4, 1, 100},
};

struct FloatRange {
    float DevParams::*field;
    float lo, hi;
};

constexpr FloatRange kFloatRanges[] = {
    {&DevParams::gamma, 0.001f, 100.0f},
    {&DevParams::gammaSR, 0.001f, 100.0f},
    {&DevParams::gammaSR2, 0.001f, 100.0f},
    {&DevParams::sensitize, -5.0f, 3.0f},
};

} // namespace

int SanitizeDevParams(DevParams& p, const DevParams& fallback)
{
    int replaced = 0;
    for (const auto& r : kIntRanges) {
        if (p.*r.field < r.lo || p.*r.field > r.hi) {
            p.*r.field = fallback.*r.field;
            ++replaced;
        }
    }
    for (const auto& r : kFloatRanges) {
        const float v = p.*r.field;
        if (!std::isfinite(v) || v < r.lo || v > r.hi) {
            p.*r.field = fallback.*r.field;
            ++replaced;
        }
    }
    return replaced;
}

} // namespace velmo
