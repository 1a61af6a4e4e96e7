#include "params/ControlRow.h"

#include "params/ExponentMapping.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <array>
#include <limits>

namespace velmo {

namespace {

int ToIntPosition(double x)
{
    if (!(x > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (x >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return int(x);
}

constexpr std::array<const char*, 7> kSRMixing = {
    "S only:V=Vs",
    "R only:V=Vr",
    "simple:V=(1-m)*Vs+m*Vr^(1/g)",
    "type 1:V=(1-2m*L^n)*Vs+(8m*L^n)Vr^(1/g)",
    "type 2:V=(1-m)*Vs+Vr^(1/g)*n",
    "easy:(modified type 1)",
    "linear:V=(Vs<m)?Vs:Vr*16*n",
};

} // namespace

std::vector<std::string> WhiteBalanceItems(bool useRafWB)
{
    std::vector<std::string> items;
    LoadStringList(useRafWB ? IDS_WB_PRESETS : IDS_WB_PRESETS_OLD, &items);
    return items;
}

std::span<const char* const> SRMixingItems()
{
    return kSRMixing;
}

int RowValueToPosition(const ControlRow& row, double value)
{
    const int scale = row.scale == 0 ? 1 : row.scale;
    if (row.mapping == SliderMapping::Exponent)
        return ExponentToPosition(float(value));
    if (row.type == ValueType::Int)
        return ToIntPosition(value) / scale;
    return ToIntPosition(double(float(value) * float(scale)));
}

double RowPositionToValue(const ControlRow& row, int position)
{
    const int scale = row.scale == 0 ? 1 : row.scale;
    if (row.mapping == SliderMapping::Exponent)
        return PositionToExponent(position);
    if (row.type == ValueType::Int)
        return double(position) * scale;
    return float(position * (1.0 / scale));
}

double ShownValue(const ControlRow& row, double stored)
{
    return stored + row.shownOffset;
}

double StoredValue(const ControlRow& row, double shown)
{
    return shown - row.shownOffset;
}

int ColourTemperatureItem(bool useRafWB)
{
    return useRafWB ? 12 : 9;
}

SRControlStates EnableSRStates(int enable, int easy, int type)
{
    SRControlStates s;
    const bool on = enable != 0;
    s.group = on;
    s.images = on;
    s.notEasy = on && easy == 0;
    s.linear = s.notEasy && type == 6;
    s.mix = on && (easy != 0 || type != 6);
    return s;
}

bool RuleEnabled(EnableRule which, const EnableInputs& in, const SRControlStates& sr)
{
    switch (which) {
    case EnableRule::Always: return true;
    case EnableRule::CustomSharpness: return in.sharpness == 3;
    case EnableRule::FineTune: return in.fineTune != 0;
    case EnableRule::ColourTemperature: return in.whiteBalanceItem == ColourTemperatureItem(in.useRafWB);
    case EnableRule::NoiseReduction: return in.noiseReduction != 0;
    case EnableRule::NoiseReductionNew: return in.noiseReduction != 0 && !in.useOldNR;
    case EnableRule::SRGroup: return sr.group;
    case EnableRule::SRMix: return sr.mix;
    case EnableRule::SRNotEasy: return sr.notEasy;
    case EnableRule::SRImages: return sr.images;
    case EnableRule::SRLinear: return sr.linear;
    case EnableRule::TabbedOnly: return !in.classicPalette;
    }
    return true;
}

bool HiddenWhenDisabled(const ControlRow& row, bool classicPalette, bool spin)
{
    switch (row.hide) {
    case HideRule::Never: return false;
    case HideRule::Classic: return classicPalette;
    case HideRule::ClassicAndSpin: return classicPalette || spin;
    case HideRule::Always: return true;
    }
    return false;
}

} // namespace velmo
