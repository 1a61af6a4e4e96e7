#include "platform/core/PixelMath.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 2.0f * kPi;
} // namespace

void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity, HueModel model)
{
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float diff = mx - mn;
    auto hueOf = [&] {
        float h;
        if (r == mx)
            h = (g - b) / diff;
        else if (g == mx)
            h = 2.0f + (b - r) / diff;
        else
            h = 4.0f + (r - g) / diff;
        h *= kPi / 3.0f;
        while (h < 0.0f)
            h += kTwoPi;
        return h;
    };
    if (model == HueModel::HLS) {
        const float l = (mx + mn) * 0.5f;
        *intensity = l;
        if (mx != mn) {
            // Above 1 the second divisor can reach 0; such inputs are fully saturated.
            const float den = l <= 0.5f ? mx + mn : 2.0f - mx - mn;
            *saturation = den > 0.0f ? diff / den : 1.0f;
            *hue = hueOf();
        } else {
            *hue = 0.0f;
            *saturation = 0.0f;
        }
    } else {
        *intensity = mx;
        *saturation = mx != 0.0f ? diff / mx : 0.0f;
        *hue = diff > 1e-8f ? hueOf() : 0.0f;
    }
}

void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b, HueModel model)
{
    if (saturation == 0.0f) {
        *r = *g = *b = intensity;
        return;
    }
    if (model == HueModel::HLS) {
        const float q = intensity <= 0.5f ? intensity * (1.0f + saturation)
                                          : intensity + saturation - intensity * saturation;
        const float p = 2.0f * intensity - q;
        float f = hue * 3.0f / kPi;
        int i = static_cast<int>(f);
        float frac = f - static_cast<float>(i);
        // A hue at or just below 2 pi rounds into sector 6: it is sector 0.
        if (i == 6) {
            i = 0;
            frac = 0.0f;
        }
        switch (i) {
        case 0: *r = q; *g = p + (q - p) * frac; *b = p; break;
        case 1: *r = p + (q - p) * (1.0f - frac); *g = q; *b = p; break;
        case 2: *r = p; *g = q; *b = p + (q - p) * frac; break;
        case 3: *r = p; *g = p + (q - p) * (1.0f - frac); *b = q; break;
        case 4: *r = p + (q - p) * frac; *g = p; *b = q; break;
        case 5: *r = q; *g = p; *b = p + (q - p) * (1.0f - frac); break;
        default: break; // a hue outside [0, 2 pi) leaves the outputs as they are
        }
        return;
    }
    while (hue < 0.0f)
        hue += kTwoPi;
    const float f = hue * 3.0f / kPi;
    int i = static_cast<int>(f);
    const float frac = f - static_cast<float>(i);
    if (hue >= kTwoPi || i > 5)
        i = 0;
    const float v = intensity;
    const float pv = v * (1.0f - saturation);
    const float qv = v * (1.0f - frac * saturation);
    const float tv = v * (1.0f - (1.0f - frac) * saturation);
    switch (i) {
    case 0: *r = v; *g = tv; *b = pv; break;
    case 1: *r = qv; *g = v; *b = pv; break;
    case 2: *r = pv; *g = v; *b = tv; break;
    case 3: *r = pv; *g = qv; *b = v; break;
    case 4: *r = tv; *g = pv; *b = v; break;
    default: *r = v; *g = pv; *b = qv; break;
    }
}

int DirectionalMean2(int a, int b, int c, int d, int e)
{
    if (c == d)
        return (a + b) / 2;
    if (c == e)
        return a;
    if (d == e)
        return b;
    return AbsInt(d - e) >= AbsInt(c - e) ? a : b;
}

namespace {
double Sinc(double t) { return t == 0.0 ? 1.0 : std::sin(t) / t; }
} // namespace

double Lanczos3(double x)
{
    if (std::fabs(x) >= 3.0)
        return 0.0;
    return Sinc(kPi * x) * Sinc(kPi * x / 3.0);
}

double Lanczos2(double x)
{
    if (std::fabs(x) >= 2.0)
        return 0.0;
    return Sinc(kPi * x) * Sinc(kPi * x / 2.0);
}

double Cubic(double x)
{
    if (x < 1.0)
        return 1.0 - 2.0 * x * x + x * x * x;
    if (x < 2.0)
        return 4.0 - 8.0 * x + 5.0 * x * x - x * x * x;
    return 0.0;
}

} // namespace velmo
