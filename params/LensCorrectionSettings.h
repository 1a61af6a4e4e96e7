// The lens-correction record: distortion, lateral chromatic aberration of red
// and blue, vignetting, stretch of the correction centre, the exponent of the
// radial term and the fisheye projection. The edit state holds the one the
// lens palettes and the lens files edit; every development run copies it.
#pragma once

#include "params/IntRange.h"

#include <cstddef>
#include <cstdint>

namespace velmo {

struct LensCorrectionSettings {
    int32_t distortion;       // k = distortion x 0.001
    int32_t chromaRed;        // red radial coefficient k + chromaRed x 0.0001
    int32_t chromaBlue;       // blue radial coefficient k + chromaBlue x 0.0001
    int32_t vignetteAmount;   // percent
    int32_t vignetteMidpoint; // -100..100
    int32_t stretchX;         // centre and frame stretch, 0.25 % steps
    int32_t stretchY;
    int32_t coefficient;      // exponent of the radial term x 100 (200: quadratic)
    int32_t flags;            // bit 0: fisheye projection
    int32_t fisheyeAngle;     // field of view in degrees
    int32_t fisheyeScale;     // percent

    bool operator==(const LensCorrectionSettings&) const = default;
};

static_assert(sizeof(LensCorrectionSettings) == 44);
static_assert(offsetof(LensCorrectionSettings, distortion) == 0);
static_assert(offsetof(LensCorrectionSettings, chromaRed) == 4);
static_assert(offsetof(LensCorrectionSettings, chromaBlue) == 8);
static_assert(offsetof(LensCorrectionSettings, vignetteAmount) == 12);
static_assert(offsetof(LensCorrectionSettings, vignetteMidpoint) == 16);
static_assert(offsetof(LensCorrectionSettings, stretchX) == 20);
static_assert(offsetof(LensCorrectionSettings, stretchY) == 24);
static_assert(offsetof(LensCorrectionSettings, coefficient) == 28);
static_assert(offsetof(LensCorrectionSettings, flags) == 32);
static_assert(offsetof(LensCorrectionSettings, fisheyeAngle) == 36);
static_assert(offsetof(LensCorrectionSettings, fisheyeScale) == 40);

// Bit 0 of flags.
constexpr int32_t kLensFisheyeFlag = 1;

// The range of each field: what the lens controls take, and what every
// stored, read or loaded record is brought into.
inline constexpr IntRange kLensDistortionRange{-500, 500};
inline constexpr IntRange kLensCoefficientRange{100, 400};
// chromaRed, chromaBlue, vignetteAmount, vignetteMidpoint, stretchX, stretchY.
inline constexpr IntRange kLensPercentRange{-100, 100};
inline constexpr IntRange kFisheyeAngleRange{50, 179};
inline constexpr IntRange kFisheyeScaleRange{0, 300};

// Files store the fields up to and including coefficient; older files stop
// before coefficient.
constexpr size_t kLensFileBytes = offsetof(LensCorrectionSettings, flags);
constexpr size_t kLensOldFileBytes = offsetof(LensCorrectionSettings, coefficient);
static_assert(kLensFileBytes == 32 && kLensOldFileBytes == 28);
// The coefficient of records read from the older form.
constexpr int32_t kDefaultLensCoefficient = 200;

// The reset state: every field 0 except coefficient 200 and the fisheye
// angle and scale 100.
constexpr LensCorrectionSettings DefaultLensCorrection()
{
    return {0, 0, 0, 0, 0, 0, 0, kDefaultLensCoefficient, 0, 100, 100};
}

} // namespace velmo
