#include "params/GlobalSwitches.h"

#include "platform/core/SettingsStore.h"

namespace velmo {

namespace {

int ReadInRange(SettingsStore& s, const char* key, int def, int lo, int hi)
{
    const int v = s.GetProfileInt(kSettingsSection, key, def);
    return v >= lo && v <= hi ? v : def;
}

} // namespace

void GlobalSwitches::ReadPaletteSwitches(SettingsStore& s)
{
    checkPrv = ReadInRange(s, "CheckPrv", 2, 0, 2);
    checkMGN = ReadInRange(s, "CheckMGN", 1, 0, 1);
    useOldUI = ReadInRange(s, "UseOldUI", 0, 0, 1);
    useRafWB = ReadInRange(s, "UseRafWB", 1, 0, 1);
    useOldNR = ReadInRange(s, "UseOldNR", 0, 0, 1);
    useHLS = ReadInRange(s, "UseHLS", 1, 0, 1);
}

void GlobalSwitches::WritePaletteSwitches(SettingsStore& s) const
{
    s.WriteProfileInt(kSettingsSection, "CheckPrv", checkPrv);
    s.WriteProfileInt(kSettingsSection, "CheckMGN", checkMGN);
    s.WriteProfileInt(kSettingsSection, "UseOldUI", useOldUI);
    s.WriteProfileInt(kSettingsSection, "UseRafWB", useRafWB);
    s.WriteProfileInt(kSettingsSection, "UseOldNR", useOldNR);
    s.WriteProfileInt(kSettingsSection, "UseHLS", useHLS);
}

GlobalSwitches& Switches()
{
    static GlobalSwitches switches;
    return switches;
}

HueModel CurrentHueModel()
{
    return Switches().useHLS.load(std::memory_order_relaxed) ? HueModel::HLS : HueModel::HSV;
}

void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity)
{
    RGBToHSI(r, g, b, hue, saturation, intensity, CurrentHueModel());
}

void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b)
{
    HSIToRGB(hue, saturation, intensity, r, g, b, CurrentHueModel());
}

FeatureFlags& Features()
{
    static FeatureFlags flags;
    return flags;
}

} // namespace velmo
