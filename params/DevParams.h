// The development-parameter record: 176 bytes, 44 four-byte fields, copied
// between the palettes and the document, compared whole to decide whether to
// develop again, stored whole in the settings per camera family and key by
// key in parameter files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmo {

struct DevParams {
    int32_t honeycomb;          // honeycomb (SuperCCD) doubling on
    int32_t reserved4;          // always 0
    int32_t twoFrames;          // the image has a second frame
    int32_t iColorNR;           // colour-noise (moire) cancel level
    int32_t iColorNRthreshold;  // its threshold
    int32_t whiteBalance;       // white-balance preset index
    int32_t cameraWhiteBalance; // the camera's white-balance row
    int32_t iEnhColor;          // vivid colour 0..2
    int32_t iEnhGreen;          // green enhancer 0..2
    int32_t exifOrientation;    // Exif orientation of the shot
    float gamma;                // gamma, or log coefficient with bGammaLog
    float gammaSR;              // S/R mixing exponent
    float gammaSR2;             // S/R mixing coefficient
    int32_t contrast;
    int32_t brightness;
    int32_t saturation;         // percent; the palettes show it minus 100
    int32_t hue;
    int32_t sharpness;          // 0 Hard, 1 Normal, 2 Soft, 3 Custom
    int32_t cameraSharpness;
    int32_t rotate;             // 0 none, 1 right, 2 left
    int32_t customWB1, customWB2, customWB3;
    int32_t wbTempt;            // colour temperature in kelvin
    int32_t mixSR;
    int32_t typeSR;
    int32_t sImageOn;
    int32_t rImageOn;
    int32_t easySR;
    int32_t linearSR;
    float sensitize;            // exposure in EV
    int32_t soften;
    int32_t harden;
    int32_t WBfineTuneR, WBfineTuneG, WBfineTuneB;
    int32_t WBfineTune;
    int32_t ICC;                // 0 sRGB, 1 Adobe RGB, 2 FinePix RGB, 3 Wide Gamut RGB, 4 user
    int32_t bGammaLog;
    int32_t bNR;
    int32_t NR1, NR2, NR3, NR4;

    bool operator==(const DevParams& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

static_assert(sizeof(DevParams) == 176);
static_assert(offsetof(DevParams, twoFrames) == 8);
static_assert(offsetof(DevParams, whiteBalance) == 20);
static_assert(offsetof(DevParams, exifOrientation) == 36);
static_assert(offsetof(DevParams, gamma) == 40);
static_assert(offsetof(DevParams, gammaSR2) == 48);
static_assert(offsetof(DevParams, contrast) == 52);
static_assert(offsetof(DevParams, hue) == 64);
static_assert(offsetof(DevParams, rotate) == 76);
static_assert(offsetof(DevParams, customWB1) == 80);
static_assert(offsetof(DevParams, wbTempt) == 92);
static_assert(offsetof(DevParams, typeSR) == 100);
static_assert(offsetof(DevParams, linearSR) == 116);
static_assert(offsetof(DevParams, sensitize) == 120);
static_assert(offsetof(DevParams, WBfineTuneR) == 132);
static_assert(offsetof(DevParams, WBfineTune) == 144);
static_assert(offsetof(DevParams, ICC) == 148);
static_assert(offsetof(DevParams, bNR) == 156);
static_assert(offsetof(DevParams, NR1) == 160);
static_assert(offsetof(DevParams, NR4) == 172);

// Camera families 0..9 (8 is never produced by the RAW reader).
constexpr int kCameraFamilyCount = 10;

// The settings value name of a family's record; families without a name of
// their own (8 and anything out of range) use "Param" and become family 0.
const char* ParamValueName(int& cameraFamily);

// The preset neutral reset sets: no white balance, no gains at all.
constexpr int kNoWhiteBalance = -1;
// The white-balance presets of the lists: 0..12 in both modes.
constexpr int kLastWhiteBalancePreset = 12;
// The S/R mix m: the easy mix takes m / 240, so m runs up to 240.
constexpr int kMixSRMax = 240;

// The white-balance preset that means "colour temperature".
constexpr int TemperaturePreset(bool useRafWB) { return useRafWB ? 12 : 9; }
// The custom (spot) preset.
constexpr int CustomPreset(bool useRafWB) { return useRafWB ? 11 : 7; }

} // namespace velmo
