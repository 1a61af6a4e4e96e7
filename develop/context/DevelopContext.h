// The read-only context of one development run.
//
// Every development (preview, background full preview, magnifier, full size)
// starts by taking a DevelopContext from the document: a copy of the
// parameters, the constants derived from them, the white-balance gains and
// shared, never-changing tone, free-curve and selective-colour tables. The
// per-pixel steps are const members, so rows can be developed on any number
// of threads, and the worker and the user-interface thread can develop at the
// same time, without sharing anything mutable.
#pragma once

#include "develop/context/FreeCurves.h"
#include "develop/context/ToneLut.h"
#include "exif/WhiteBalanceTables.h"
#include "params/DevParams.h"
#include "params/LensCorrectionSettings.h"
#include "params/SelectiveColorTable.h"
#include "platform/core/PixelMath.h"

#include <cmath>
#include <cstdint>
#include <memory>

namespace velmo {

// Clamped to 0..1; NaN gives 0.
inline float Clamp01(float v)
{
    if (!(v > 0.0f))
        return 0.0f;
    return v < 1.0f ? v : 1.0f;
}

// A hue brought into 0 <= h < 2 pi by whole turns of 6.2831855; a non-finite
// hue gives 0.
float WrapHue(float h);

// The white-balance gains of a run: the first gains are applied before the
// vivid-colour step, the second after it.
struct WhiteBalanceGains {
    float first[3] = {1.0f, 1.0f, 1.0f};
    float second[3] = {1.0f, 1.0f, 1.0f};
};

// Where the gains come from.
struct WhiteBalanceSource {
    const FamilyWhiteBalanceTable* family = nullptr; // the current family's table
    const RafWhiteBalancePresets* presets = nullptr; // the RAF file's presets
    uint16_t unit = kDefaultWhiteBalanceUnit;        // the preset value meaning gain 1
    bool useRafWB = true;                            // "UseRafWB"
};

// The gains for params.whiteBalance. A negative preset means no white balance
// (all gains 1); a preset beyond the table counts as preset 0; a zero divisor
// gives gain 1.
WhiteBalanceGains ComputeWhiteBalanceGains(const DevParams& params, const WhiteBalanceSource& source);

// The per-run values derived from the parameter record.
struct DevelopConstants {
    float curveExponent = 1.0f;    // bGammaLog 0: 1 / gamma; 1: gamma^4 - 1
    float logNorm = 0.0f;          // ln(1 + curve exponent)
    float gain = 1.0f;             // 2^(sensitize + dynamic-range shift)
    float linearThreshold = 0.0f;  // linearSR / 100
    float linearRWeight = 0.0f;    // gammaSR2
    int linearSR = 0;              // linear S/R mode: two frames, typeSR 6 or 7, not easy
    float rExponent = 1.0f;        // exponent of the R pixel in the mix
    float brightness = 0.0f;       // brightness x 0.01
    float hueShift = 0.0f;         // radians
    float saturationFactor = 1.0f; // saturation / 100
    float contrastSlope = 1.0f;
    float contrastOffset = 0.0f;
    WhiteBalanceGains wb;
    int greenEnhancer = 0;         // iEnhGreen

    ToneCurveKey ToneKey(int logMode) const;
};

// The constants for a record; gamma or gammaSR of 0 (or not finite) count as 1.
DevelopConstants MakeDevelopConstants(const DevParams& params, int drShift, const WhiteBalanceSource& source);

// The green enhancer: lifts red and green and lowers blue of greens between
// hue pi/6 and 5 pi/6; level 2 at half strength, 0 off.
void ApplyGreenEnhancer(int level, float hue, float saturation, float lightness, float* r, float* g, float* b);

// Hue, saturation, lightness to r, g, b (0..1) through the green enhancer and,
// when enabled, the selective-colour table.
void ApplySelectiveColor(float hue, float saturation, float lightness, float* r, float* g, float* b,
                         const SelectiveColorTable& table, bool tableEnabled, int greenEnhancer,
                         HueModel model);

struct DevelopContext {
    DevParams params{};
    DevelopConstants constants;
    std::shared_ptr<const ToneTables> tone = IdentityToneTables();        // never null
    std::shared_ptr<const FreeCurveLut> freeCurve = FreeCurveLut::Identity(); // never null
    SelectiveColorTable selectiveColors;
    LensCorrectionSettings lens = DefaultLensCorrection(); // the lens record at the start of the run
    HueModel hueModel = HueModel::HLS;               // "UseHLS"

    // Feature flags and switches at the start of the run.
    bool freeCurveOn = false;
    bool selectiveColorOn = false;
    bool lensCorrectionOn = false;
    bool useOldUI = false; // "UseOldUI": the noise-reduction switch counts as off
    bool useOldNR = false; // "UseOldNR": median instead of bilateral filter

    // The image.
    uint16_t whiteLevel = 16383;   // the value that stands for 1.0
    float peakRaw = 0.0f;          // largest G sample of the main frame less black; 0 unknown
    int exrBits = 0;
    int exrMode = 0;               // 0 none, 1 HR, 2 DR, 3 SN
    int rDivisor = 0;              // divisor of the R pixels in DR mode
    bool bayer = false;
    bool hasSecondFrame = false;
    int sizeMode = 0;              // of the output options

    // The noise-reduction switch in effect (bNR, or 0 under "UseOldUI").
    int EffectiveNR() const { return useOldUI ? 0 : params.bNR; }

    // Linear sensor values (1.0 = white level), in place: white balance, vivid
    // colour, green highlight blend, highlight spill, exposure gain. Output
    // unclamped.
    void ColorPixel(float* r, float* g, float* b) const;
    // Pre-scales an S/R pixel pair in place.
    void ScaleSR(float s[3], float r[3]) const;
    // Combines an S/R pair into s by the mixing type; r may change.
    void MixSR(float s[3], float r[3]) const;
    // The colour step of one sample of the preview and of the region
    // development: with one frame ColorPixel on s; with two frames the S/R
    // pair (r, or a sixteenth of s without an R sample) pre-scaled, through
    // ColorPixel and mixed (the linear mix colours after mixing). In place
    // on s; values 1.0 = white.
    void ColorSRPixel(float s[3], const float* r) const;
    // 16-bit developed values, in place: tone curve (or free curves),
    // saturation, hue, green enhancer and selective colours.
    void ToneColorPixel(uint16_t* r, uint16_t* g, uint16_t* b) const;
    // The green enhancer and selective colours with this run's settings.
    void ApplySelectiveColor(float hue, float saturation, float lightness, float* r, float* g, float* b) const;
    void ApplyGreenEnhancer(float hue, float saturation, float lightness, float* r, float* g, float* b) const;
};

} // namespace velmo
