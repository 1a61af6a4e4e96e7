#include "params/ExponentMapping.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

// NaN goes to the lower end.
float ClampValue(float v, float lo, float hi)
{
    if (!(v >= lo))
        return lo;
    return v > hi ? hi : v;
}

} // namespace

int ExponentToPosition(float value)
{
    // Beyond 16 the power only gets smaller; the clamp keeps the int
    // conversion defined for any input.
    const float v = ClampValue(value, kExponentMin, kExponentMax);
    const int position = 4097 - int(std::pow(0.5f, v) * 4096.0f);
    return std::clamp(position, kExponentSliderMin, kExponentSliderMax);
}

float PositionToExponent(int position)
{
    const int p = std::clamp(position, kExponentSliderMin, kExponentSliderMax);
    const double exponent = std::log((4097 - p) / 4097.0) / std::log(0.5);
    return float(int(exponent * 100) / 100.0);
}

float ExponentSpinValue(float value, int delta)
{
    // Values far outside 0..16 end at a bound anyway; the pre-clamp keeps the
    // int conversion of the step defined.
    const float v = ClampValue(value, -1000.0f, 1000.0f);
    const float d = float(std::clamp(delta, -1000, 1000));
    float step = float(int(v / 20.0f * d * 100.0f)) / 100.0f;
    if (step == 0.0f)
        step = d / 100.0f;
    return ClampValue(v - step, kExponentMin, kExponentMax);
}

float SensitizeSpinValue(float value, int delta)
{
    return ClampValue(float(value + delta * 0.1), kSensitizeMin, kSensitizeMax);
}

} // namespace velmo
