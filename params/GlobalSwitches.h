// The settings-backed switches shared by the palettes, the view and the
// development: values only. The document's edit state (params/EditState.h)
// owns the one set the program uses; a development run copies what it reads.
#pragma once

#include "platform/core/PixelMath.h"

#include <cstddef>

namespace velmo {

class SettingsStore;

enum class SwitchId { CheckPrv, CheckMGN, UseOldUI, UseRafWB, UseOldNR, UseHLS, MagnifierSize, Grid };
inline constexpr size_t kSwitchCount = 8;

struct GlobalSwitches {
    int checkPrv = 2;        // "CheckPrv": 1 develop while dragging, 2 at the end, 0 2 s after
    int checkMGN = 1;        // "CheckMGN": refresh the magnifier after each change
    int useOldUI = 0;        // "UseOldUI": classic parameters palette
    int useRafWB = 1;        // "UseRafWB": presets from the RAF file
    int useOldNR = 0;        // "UseOldNR": older noise reduction
    int useHLS = 1;          // "UseHLS": HLS instead of HSV
    int magnifierSize = 256; // "MagnifierSize": 256 or 512
    int grid = 0;            // "Grid": grid lines of the preview (0 none)

    int Get(SwitchId id) const;
    // The value as it would be stored: a value the switch does not take
    // (outside its range, a magnifier size other than 256 or 512) is refused
    // and false returned.
    bool Set(SwitchId id, int value);
    HueModel Hue() const { return useHLS != 0 ? HueModel::HLS : HueModel::HSV; }

    bool operator==(const GlobalSwitches&) const = default;
};

// The settings value name of a switch ("CheckPrv" ...).
const char* SwitchKey(SwitchId id);

// Every switch from the settings; a value out of range keeps the default
// ("Grid" is taken as stored).
GlobalSwitches ReadSwitches(SettingsStore& s);
// Writes the switches, "Grid" and "MagnifierSize" first, then the palette
// switches "CheckPrv" to "UseHLS".
void WriteSwitches(SettingsStore& s, const GlobalSwitches& switches);

} // namespace velmo
