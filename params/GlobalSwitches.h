// The settings-backed switches shared by the palettes, the view and the
// engine, and the enable flags of the feature tables. The user-interface
// thread writes them; development runs read them, possibly on the worker, so
// each is atomic.
#pragma once

#include "platform/core/PixelMath.h"

#include <atomic>
#include <string>

namespace velmo {

class SettingsStore;

struct GlobalSwitches {
    std::atomic<int> checkPrv{2};        // "CheckPrv": 1 develop while dragging, 2 at the end, 0 2 s after
    std::atomic<int> checkMGN{1};        // "CheckMGN": refresh the magnifier after each change
    std::atomic<int> useOldUI{0};        // "UseOldUI": classic parameters palette
    std::atomic<int> useRafWB{1};        // "UseRafWB": presets from the RAF file
    std::atomic<int> useOldNR{0};        // "UseOldNR": older noise reduction
    std::atomic<int> useHLS{1};          // "UseHLS": HLS instead of HSV
    std::atomic<int> magnifierSize{256}; // "MagnifierSize": 256 or 512
    std::atomic<int> grid{0};            // "Grid"

    // The three-state switches and the magnifier size read back out of range
    // keep their defaults.
    void ReadPaletteSwitches(SettingsStore& s);
    void WritePaletteSwitches(SettingsStore& s) const;
};

GlobalSwitches& Switches();

// The model the global switch "UseHLS" selects.
HueModel CurrentHueModel();
// RGBToHSI and HSIToRGB with the model of "UseHLS".
void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity);
void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b);

// The three feature tables with an enable flag of their own.
enum class FeatureKind { LensCorrection, SelectiveColors, FreeCurve };

// The enable flags of the three feature tables (lens correction, selective
// colours, free tone curve). Process-wide, never kept in the settings.
struct FeatureFlags {
    std::atomic<int> lensCorrection{0};
    std::atomic<int> selectiveColor{0};
    std::atomic<int> freeCurve{0};
};
FeatureFlags& Features();

} // namespace velmo
