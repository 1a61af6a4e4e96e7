#include "develop/context/DevelopContext.h"

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kSector = 1.0471976f; // pi / 3

float SafeRatio(float num, float den)
{
    if (den == 0.0f)
        return 1.0f;
    const float v = num / den;
    return std::isfinite(v) ? v : 1.0f;
}

} // namespace

float WrapHue(float h)
{
    if (!std::isfinite(h))
        return 0.0f;
    // Far out of range, whole turns would not change the float at all.
    if (h > 64.0f * kTwoPi || h < -64.0f * kTwoPi)
        h = std::fmod(h, kTwoPi);
    while (h >= kTwoPi)
        h -= kTwoPi;
    while (h < 0.0f)
        h += kTwoPi;
    // A tiny negative hue plus one turn can round up to the turn itself.
    return h < kTwoPi ? h : 0.0f;
}

WhiteBalanceGains ComputeWhiteBalanceGains(const DevParams& p, const WhiteBalanceSource& src)
{
    WhiteBalanceGains g;
    if (p.whiteBalance < 0 || src.family == nullptr)
        return g;
    using C = FamilyWhiteBalanceTable::Column;
    const FamilyWhiteBalanceTable& t = *src.family;
    const int32_t* t0 = t.rows[0];
    const float reference[3] = {float(t0[C::R2]), float(t0[C::G2]), float(t0[C::B2])};
    const float base[3] = {SafeRatio(float(t0[C::R]), reference[0]), SafeRatio(float(t0[C::G]), reference[1]),
                           SafeRatio(float(t0[C::B]), reference[2])};

    float preset[3];
    if (!src.useRafWB || src.presets == nullptr) {
        const int r = p.whiteBalance < FamilyWhiteBalanceTable::kRows ? p.whiteBalance : 0;
        const int32_t* row = t.rows[r];
        if (p.iEnhColor == 0) {
            for (int c = 0; c < 3; ++c)
                g.first[c] = SafeRatio(float(row[C::R + c]), reference[c]);
        } else {
            for (int c = 0; c < 3; ++c) {
                g.first[c] = base[c];
                g.second[c] = SafeRatio(float(row[C::R + c]), float(t0[C::R + c]));
            }
        }
    } else {
        const int r = p.whiteBalance < RafWhiteBalancePresets::kRows ? p.whiteBalance : 0;
        const uint16_t* row = src.presets->rows[r];
        const float unit = float(src.unit);
        preset[0] = SafeRatio(float(row[1]), unit);
        preset[1] = SafeRatio((float(row[0]) + float(row[2])) / 2.0f, unit);
        preset[2] = SafeRatio(float(row[3]), unit);
        if (p.iEnhColor == 0) {
            for (int c = 0; c < 3; ++c)
                g.first[c] = preset[c];
        } else {
            for (int c = 0; c < 3; ++c) {
                g.first[c] = base[c];
                g.second[c] = SafeRatio(preset[c], g.first[c]);
            }
        }
    }
    if (p.WBfineTune != 0) {
        float* carrier = p.iEnhColor == 0 ? g.first : g.second;
        carrier[0] *= 1.0f + float(p.WBfineTuneR) * 0.01f;
        carrier[1] *= 1.0f + float(p.WBfineTuneG) * 0.01f;
        carrier[2] *= 1.0f + float(p.WBfineTuneB) * 0.01f;
    }
    return g;
}

ToneCurveKey DevelopConstants::ToneKey(int logMode) const
{
    ToneCurveKey k;
    k.curveExponent = curveExponent;
    k.logNorm = logNorm;
    k.contrastSlope = contrastSlope;
    k.contrastOffset = contrastOffset;
    k.logMode = logMode != 0 ? 1 : 0;
    return k;
}

DevelopConstants MakeDevelopConstants(const DevParams& p, int drShift, const WhiteBalanceSource& source)
{
    DevelopConstants c;
    // A gamma of 0 (or not finite) would make the curve infinite: it counts as 1.
    const float gamma = (std::isfinite(p.gamma) && p.gamma != 0.0f) ? p.gamma : 1.0f;
    if (p.bGammaLog == 0)
        c.curveExponent = 1.0f / gamma;
    else
        c.curveExponent = std::pow(gamma, 4.0f) - 1.0f;
    c.logNorm = std::log(1.0f + c.curveExponent);
    if (!std::isfinite(c.logNorm))
        c.logNorm = 0.0f;

    const float sensitize = std::isfinite(p.sensitize) ? p.sensitize : 0.0f;
    c.gain = std::pow(2.0f, sensitize + static_cast<float>(drShift));
    c.linearThreshold = static_cast<float>(p.linearSR) / 100.0f;
    c.linearRWeight = p.gammaSR2;
    c.linearSR = (p.twoFrames != 0 && p.easySR == 0 && (p.typeSR == 6 || p.typeSR == 7)) ? 1 : 0;
    const float gammaSR = (std::isfinite(p.gammaSR) && p.gammaSR != 0.0f) ? p.gammaSR : 1.0f;
    c.rExponent = (p.easySR != 0 || p.typeSR == 5) ? 0.8333333f : 1.0f / gammaSR;

    c.brightness = static_cast<float>(p.brightness) * 0.01f;
    c.hueShift = 6.2831855f * static_cast<float>(p.hue) / 200.0f;
    c.saturationFactor = static_cast<float>(p.saturation) / 100.0f;
    c.contrastSlope = static_cast<float>(std::tan((45.0 + p.contrast * 44.0 / 100.0) * 3.141592 * 2.0 / 360.0));
    c.contrastOffset = (c.brightness - 0.5f) * c.contrastSlope + 0.5f;
    c.wb = ComputeWhiteBalanceGains(p, source);
    c.greenEnhancer = p.iEnhGreen;
    return c;
}

// ---------------------------------------------------------------------------
// Linear colour step

namespace {

struct VividWindow {
    float hue, saturation, halfWidth, lightness;
};

constexpr VividWindow kVividWindows[] = {
    {0.0f, 0.75f, 0.4f, 0.3f},    {6.2831855f, 0.8f, 0.4f, 0.3f}, {2.38f, 0.73f, 0.2f, 0.36f},
    {1.243f, 0.77f, 0.2f, 0.24f}, {0.336f, 0.952f, 0.2f, 0.33f},  {3.4f, 0.66f, 0.2f, 0.33f},
};

} // namespace

void DevelopContext::ColorPixel(float* r, float* g, float* b) const
{
    // Highlight factor from the green as a fraction of the brightest raw
    // sample; without a known peak (a black frame) there is no blend.
    float k = -1.0f;
    if (peakRaw > 0.0f) {
        const float x = *g * static_cast<float>(whiteLevel) / peakRaw;
        k = constants.linearSR ? (x - 18.0f * 0.92f) / 0.08f * 18.0f : (x - 0.92f) / 0.08f;
    }

    if (params.whiteBalance >= 0) {
        const WhiteBalanceGains& wb = constants.wb;
        *r *= wb.first[0];
        *g *= wb.first[1];
        *b *= wb.first[2];
        if (params.iEnhColor != 0) {
            float h, s, l;
            RGBToHSI(*r, *g, *b, &h, &s, &l, hueModel);
            h = WrapHue(h);
            bool matched = false;
            for (const VividWindow& w : kVividWindows) {
                const float ds = std::fabs(s - w.saturation);
                if (std::fabs(h - w.hue) < 0.6f && ds < w.halfWidth) {
                    l *= 1.0f + 0.3f * ((w.halfWidth - ds) / w.halfWidth) * ((0.6f - std::fabs(l - w.lightness)) / 0.6f) /
                                    static_cast<float>(params.iEnhColor);
                    matched = true;
                    break;
                }
            }
            l = std::clamp(l, 0.0f, 1.0f);
            s = std::clamp(s, 0.0f, 1.0f);
            if (matched)
                HSIToRGB(h, s, l, r, g, b, hueModel);
        }
        *r *= wb.second[0];
        *g *= wb.second[1];
        *b *= wb.second[2];
    }

    if (k >= 0.0f)
        *g = (*g + std::max(*r, *g) + std::max(*b, *g)) / 3.0f * k + (1.0f - k) * *g;

    const float limit = constants.linearSR ? (exrBits != 0 ? 8.0f : 18.0f) : 2.0f;
    if (*b > limit) {
        const float spill = (*b - limit) / 3.0f;
        *r += spill;
        *g += spill;
    }
    if (*r > limit) {
        const float spill = (*r - limit) / 3.0f;
        *g += spill;
        *b += spill;
    }
    if (*g > limit) {
        const float spill = (*g - limit) / 3.0f;
        *r += spill;
        *b += spill;
    }

    *r *= constants.gain;
    *g *= constants.gain;
    *b *= constants.gain;
}

// ---------------------------------------------------------------------------
// S/R mixing

void DevelopContext::ScaleSR(float s[3], float r[3]) const
{
    if (params.easySR == 0 && params.typeSR == 1)
        return;
    if (rDivisor > 1)
        for (int c = 0; c < 3; ++c)
            r[c] /= static_cast<float>(rDivisor);
    if (exrMode == 2 && (params.easySR != 0 || params.typeSR != 6) && constants.gain >= 1.0f) {
        for (int c = 0; c < 3; ++c)
            if (!(s[c] < 0.95f))
                s[c] = std::max(s[c], 16.0f * r[c]);
        for (int c = 0; c < 3; ++c)
            r[c] = s[c] * 0.0625f;
    }
}

void DevelopContext::MixSR(float s[3], float r[3]) const
{
    for (int c = 0; c < 3; ++c)
        s[c] = std::clamp(s[c], 0.0f, 1.0f);
    const bool easy = params.easySR != 0 || params.typeSR == 5;
    const float gain = constants.gain;
    if (gain < 1.0f && ((params.typeSR != 6 && params.typeSR != 7) || params.easySR != 0))
        for (int c = 0; c < 3; ++c)
            r[c] /= gain;

    const float lum = (2.0f * s[0] + 4.0f * s[1] + s[2]) / 7.0f;
    const float sOn = static_cast<float>(params.sImageOn);
    const float rOn = static_cast<float>(params.rImageOn);
    const float g = constants.rExponent;
    const float m = static_cast<float>(params.mixSR);
    const float n = params.gammaSR2;
    for (int c = 0; c < 3; ++c) {
        float& sc = s[c];
        const float rc = r[c];
        if (easy) {
            const float f = std::clamp(m / 240.0f, 0.0f, 1.0f);
            sc = std::pow(rc, g) * rOn * 8.0f * lum * f + sOn * sc * (1.0f - 2.0f * lum * f);
            continue;
        }
        switch (params.typeSR) {
        case 1:
            sc = rc * gain;
            break;
        case 2: {
            const float f = m / 100.0f;
            sc = std::pow(rc, g) * rOn * f + sOn * sc * (1.0f - f);
            break;
        }
        case 4: {
            const float f = m / 100.0f;
            sc = std::pow(rc, g) * rOn * n + sOn * sc * f;
            break;
        }
        case 6: {
            const float t = constants.linearThreshold;
            const float w = constants.linearRWeight;
            if (lum < t)
                sc = sOn * sc;
            else if (lum < t + 0.2f)
                sc = (lum - t) / 0.2f * rOn * rc * 16.0f * w + (0.2f - (lum - t)) / 0.2f * sOn * sc;
            else
                sc = rOn * rc * 16.0f * w;
            break;
        }
        case 7:
            sc = 16.0f * rc;
            break;
        default: // 0, and 3 which has no formula of its own
            break;
        }
    }
}

void DevelopContext::ColorSRPixel(float s[3], const float* r) const
{
    if (params.twoFrames == 0) {
        ColorPixel(&s[0], &s[1], &s[2]);
        return;
    }
    float rr[3];
    if (r != nullptr) {
        rr[0] = r[0];
        rr[1] = r[1];
        rr[2] = r[2];
    } else {
        rr[0] = s[0] * 0.0625f;
        rr[1] = s[1] * 0.0625f;
        rr[2] = s[2] * 0.0625f;
    }
    ScaleSR(s, rr);
    if (constants.linearSR == 0) {
        ColorPixel(&rr[0], &rr[1], &rr[2]);
        ColorPixel(&s[0], &s[1], &s[2]);
        MixSR(s, rr);
    } else {
        MixSR(s, rr);
        ColorPixel(&s[0], &s[1], &s[2]);
    }
}

// ---------------------------------------------------------------------------
// Tone and colour step

void ApplyGreenEnhancer(int level, float h, float s, float l, float* r, float* g, float* b)
{
    if (level == 0 || !(h >= 0.5235988f) || !(static_cast<double>(h) <= 2.617993950843811))
        return;
    float e = s * l * (h > 1.5707964f ? 2.6179938f - h : h - 0.5235988f);
    if (level == 2)
        e *= 0.5f;
    *r = std::clamp(*r + 0.2f * e, 0.0f, 1.0f);
    *g = std::clamp(*g + 0.5f * e, 0.0f, 1.0f);
    *b = std::clamp(*b - 0.2f * e, 0.0f, 1.0f);
}

namespace {

// The lower bound the order rule gives a channel whose value before the range
// was x, of the sorted values before the range.
float OrderFloor(float x, float mn, float md, float mx)
{
    if (x == mx)
        return md; // the larger of the two others
    if (x == md)
        return md;
    return mn;
}

void ApplyRow(const int32_t* row, float w, float v[3])
{
    for (int c = 0; c < 3; ++c)
        v[c] += static_cast<float>(row[c]) * w / 100.0f;
    const float black = static_cast<float>(row[SelectiveColorTable::Black]) / 100.0f * w;
    for (int c = 0; c < 3; ++c)
        v[c] += black;
}

void Sort3(const float v[3], float* mn, float* md, float* mx)
{
    *mn = std::min({v[0], v[1], v[2]});
    *mx = std::max({v[0], v[1], v[2]});
    *md = std::max(std::min(v[0], v[1]), std::min(std::max(v[0], v[1]), v[2]));
}

} // namespace

void ApplySelectiveColor(float h, float s, float l, float* r, float* g, float* b, const SelectiveColorTable& table,
                         bool tableEnabled, int greenEnhancer, HueModel model)
{
    *r = *g = *b = 0.0f;
    HSIToRGB(h, s, l, r, g, b, model);
    ApplyGreenEnhancer(greenEnhancer, h, s, l, r, g, b);
    if (!tableEnabled)
        return;

    float v[3] = {*r, *g, *b};
    using T = SelectiveColorTable;
    if (s > 0.0f) {
        // Reds straddle hue 0.
        if (h < kSector || h > 5.0f * kSector) {
            const float w = h < kSector ? s * l * (kSector - h) : s * l * (h - 5.0f * kSector);
            const float before[3] = {v[0], v[1], v[2]};
            float mn, md, mx;
            Sort3(before, &mn, &md, &mx);
            ApplyRow(table.rows[T::Reds], w, v);
            for (int c = 0; c < 3; ++c) {
                v[c] = std::max(v[c], OrderFloor(before[c], mn, md, mx));
                v[c] = std::max(v[c], mn);
            }
        }
        // Which channels carry each of Yellows .. Magentas: they keep only
        // their floor, the others follow the order rule.
        static constexpr bool kStrong[6][3] = {
            {}, {true, true, false}, {false, true, false}, {false, true, true}, {false, false, true}, {true, false, true},
        };
        for (int i = 1; i <= 5; ++i) {
            const float lo = static_cast<float>(i - 1) * kSector;
            const float hi = static_cast<float>(i + 1) * kSector;
            if (!(h > lo && h < hi))
                continue;
            const float w = h > static_cast<float>(i) * kSector ? s * l * (hi - h) : s * l * (h - lo);
            const float before[3] = {v[0], v[1], v[2]};
            float mn, md, mx;
            Sort3(before, &mn, &md, &mx);
            ApplyRow(table.rows[i], w, v);
            for (int c = 0; c < 3; ++c)
                v[c] = std::max(v[c], kStrong[i][c] ? mn : OrderFloor(before[c], mn, md, mx));
        }
    }
    if (s < 0.5f && l > 0.5f)
        ApplyRow(table.rows[T::Whites], 2.0f * (l - 0.5f) * 2.0f * (0.5f - s), v);
    ApplyRow(table.rows[T::Grays], 1.0f - std::fabs(2.0f * (l - 0.5f)), v);
    if (l < 0.5f)
        ApplyRow(table.rows[T::Blacks], 2.0f * (0.5f - l), v);
    *r = Clamp01(v[0]);
    *g = Clamp01(v[1]);
    *b = Clamp01(v[2]);
}

void DevelopContext::ApplyGreenEnhancer(float h, float s, float l, float* r, float* g, float* b) const
{
    velmo::ApplyGreenEnhancer(constants.greenEnhancer, h, s, l, r, g, b);
}

void DevelopContext::ApplySelectiveColor(float h, float s, float l, float* r, float* g, float* b) const
{
    velmo::ApplySelectiveColor(h, s, l, r, g, b, selectiveColors, selectiveColorOn, constants.greenEnhancer, hueModel);
}

void DevelopContext::ToneColorPixel(uint16_t* r, uint16_t* g, uint16_t* b) const
{
    float fr, fg, fb;
    if (!freeCurveOn) {
        fr = tone->toneLut[*r];
        fg = tone->toneLut[*g];
        fb = tone->toneLut[*b];
    } else {
        fr = static_cast<float>(freeCurve->channel[0][tone->toneLut16[*r]]) / 65535.0f;
        fg = static_cast<float>(freeCurve->channel[1][tone->toneLut16[*g]]) / 65535.0f;
        fb = static_cast<float>(freeCurve->channel[2][tone->toneLut16[*b]]) / 65535.0f;
    }
    float h, s, l;
    RGBToHSI(fr, fg, fb, &h, &s, &l, hueModel);
    s *= constants.saturationFactor;
    h = WrapHue(h + constants.hueShift);
    ApplySelectiveColor(h, s, l, &fr, &fg, &fb);
    *r = ToU16(fr);
    *g = ToU16(fg);
    *b = ToU16(fb);
}

} // namespace velmo
