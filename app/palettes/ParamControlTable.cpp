#include "app/palettes/ParamControlTable.h"

#include "platform/gui/ExponentMapping.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <array>

namespace velmo {

namespace {

using F = ParamField;
using P = ParamPage;
using E = EnableRule;

struct Slider {
    int min, max, page, tic, line = 1;
};

// The caption: its English text, and its id for the language's text.
void SetCaption(ControlRow& row, unsigned captionId)
{
    row.captionId = captionId;
    const char* english = EnglishString(captionId);
    row.caption = english != nullptr ? english : "";
}

ControlRow IntRow(unsigned edit, unsigned slider, unsigned spin, unsigned caption, Slider s,
                  std::optional<ValueRange> ddv, std::optional<UpDownRange> spinRange, int scale = 1)
{
    ControlRow row;
    row.editId = edit;
    row.sliderId = slider;
    row.spinId = spin;
    SetCaption(row, caption);
    row.type = ValueType::Int;
    row.sliderMin = s.min;
    row.sliderMax = s.max;
    row.pageSize = s.page;
    row.ticStep = s.tic;
    row.lineSize = s.line;
    row.scale = scale;
    row.editRange = ddv;
    row.spinRange = spinRange;
    return row;
}

// Gamma, the S/R exponent and coefficient: the exponent slider and own step.
ControlRow ExponentRow(unsigned edit, unsigned slider, unsigned spin, unsigned caption)
{
    ControlRow row;
    row.editId = edit;
    row.sliderId = slider;
    row.spinId = spin;
    SetCaption(row, caption);
    row.type = ValueType::Float;
    row.sliderMin = kExponentSliderMin;
    row.sliderMax = kExponentSliderMax;
    row.pageSize = kExponentSliderPage;
    row.ticStep = kExponentSliderTic;
    row.lineSize = kExponentSliderLine;
    row.mapping = SliderMapping::Exponent;
    row.spinStep = SpinStepRule::Exponent;
    return row;
}

ControlRow SensitizeRow()
{
    ControlRow row;
    row.editId = 1622;
    row.sliderId = 2121;
    row.spinId = 2219;
    SetCaption(row, IDS_CAPTION_SENSITIZATION);
    row.type = ValueType::Float;
    row.sliderMin = -40;
    row.sliderMax = 30;
    row.pageSize = 5;
    row.ticStep = 10;
    row.lineSize = 2;
    row.scale = 10;
    row.editRange = ValueRange{kSensitizeMin, kSensitizeMax};
    row.spinRange = UpDownRange{-4, 3};
    row.spinStep = SpinStepRule::Sensitize;
    return row;
}

constexpr ValueRange kPercent{-100, 100};
constexpr UpDownRange kPercentSpin{-100, 100};

const std::vector<ParamControl>& Table()
{
    static const std::vector<ParamControl> table = {
        {F::gamma, ExponentRow(1613, 2111, 2212, IDS_CAPTION_GAMMA_LOG), P::Adjust2, E::Always, EditBinding::Record, 0,
         true},
        {F::brightness, IntRow(1603, 2102, 2202, IDS_CAPTION_BRIGHTNESS, {-100, 100, 10, 20}, kPercent, kPercentSpin),
         P::Adjust2, E::Always, EditBinding::Record, 0, true},
        {F::contrast, IntRow(1609, 2108, 2209, IDS_CAPTION_CONTRAST, {-100, 100, 10, 20}, kPercent, kPercentSpin),
         P::Adjust2, E::Always, EditBinding::Record, 0, true},
        {F::saturation,
         IntRow(1621, 2120, 2218, IDS_CAPTION_SATURATION, {-100, 300, 10, 20}, ValueRange{-100, 300},
                UpDownRange{-100, 300}),
         P::Adjust2, E::Always, EditBinding::Record, 0, true},
        {F::hue, IntRow(1616, 2114, 2215, IDS_CAPTION_HUE, {-100, 100, 10, 20}, kPercent, kPercentSpin), P::Adjust2,
         E::Always, EditBinding::Record, 0, true},
        {F::wbTempt,
         IntRow(1624, 2123, 2208, IDS_CAPTION_COLOR_TEMP, {25, 95, 5, 10}, ValueRange{2500, 9500},
                UpDownRange{2500, 9500}, 100),
         P::Adjust1, E::ColourTemperature, EditBinding::Record, 0, true},
        {F::mixSR, IntRow(1653, 2116, 2216, IDS_CAPTION_SR_MIX, {0, 100, 5, 10}, std::nullopt, std::nullopt),
         P::Adjust2, E::SRMix, EditBinding::Record, 2415, true},
        {F::linearSR, IntRow(1654, 2141, 2233, IDS_CAPTION_THRESHOLD, {0, 100, 5, 10}, std::nullopt, std::nullopt),
         P::Adjust2, E::SRLinear, EditBinding::Record, 0, true},
        {F::gammaSR, ExponentRow(1651, 2112, 2213, IDS_CAPTION_SR_GAMMA), P::Adjust2, E::SRNotEasy, EditBinding::Record,
         2410, true},
        {F::sensitize, SensitizeRow(), P::Adjust1, E::Always, EditBinding::Record, 0, true},
        {F::gammaSR2, ExponentRow(1652, 2113, 2214, IDS_CAPTION_SR_GAMMA2), P::Adjust2, E::SRNotEasy,
         EditBinding::Record, 2411, true},
        {F::iColorNR, IntRow(1608, 2107, 2207, IDS_CAPTION_MOIRE_CANCEL, {0, 5, 0, 1}, std::nullopt, UpDownRange{0, 5}),
         P::Detail, E::Always, EditBinding::Record, 0, true},
        {F::iColorNRthreshold,
         IntRow(1667, 2136, 2228, IDS_CAPTION_THRESHOLD, {0, 100, 5, 10}, std::nullopt, UpDownRange{0, 100}), P::Detail,
         E::Always, EditBinding::Record, 0, true},
        {F::harden, IntRow(1661, 2131, 2223, IDS_CAPTION_SHARPEN, {0, 100, 5, 10}, std::nullopt, UpDownRange{0, 100}),
         P::Detail, E::CustomSharpness, EditBinding::HardenValue, 2417, true},
        {F::soften, IntRow(1660, 2130, 2222, IDS_CAPTION_SOFTEN, {0, 100, 5, 10}, std::nullopt, UpDownRange{0, 100}),
         P::Detail, E::CustomSharpness, EditBinding::SoftenValue, 2416, true},
        {F::WBfineTuneB,
         IntRow(1664, 2134, 2226, IDS_CAPTION_WB_FINE_B, {-100, 100, 10, 20}, std::nullopt, kPercentSpin), P::Adjust1,
         E::FineTune, EditBinding::Record, 2420, true},
        {F::WBfineTuneG,
         IntRow(1663, 2133, 2225, IDS_CAPTION_WB_FINE_G, {-100, 100, 10, 20}, std::nullopt, kPercentSpin), P::Adjust1,
         E::FineTune, EditBinding::Record, 2419, true},
        {F::WBfineTuneR,
         IntRow(1662, 2132, 2224, IDS_CAPTION_WB_FINE_R, {-100, 100, 10, 20}, std::nullopt, kPercentSpin), P::Adjust1,
         E::FineTune, EditBinding::Record, 2418, true},
        {F::NR1, IntRow(1631, 2137, 2229, IDS_CAPTION_NR_RADIUS, {1, 5, 0, 1}, std::nullopt, UpDownRange{1, 5}),
         P::Detail, E::NoiseReduction, EditBinding::Record, 2705, false},
        {F::NR2, IntRow(1632, 2138, 2230, IDS_CAPTION_NR_AMOUNT, {0, 100, 5, 10}, std::nullopt, UpDownRange{0, 100}),
         P::Detail, E::NoiseReduction, EditBinding::Record, 2706, false},
        {F::NR3, IntRow(1633, 2139, 2231, IDS_CAPTION_NR_SMOOTH, {1, 200, 10, 20}, std::nullopt, UpDownRange{1, 200}),
         P::Detail, E::NoiseReductionNew, EditBinding::Record, 2707, false},
        {F::NR4, IntRow(1634, 2140, 2232, IDS_CAPTION_NR_EDGE, {1, 100, 5, 10}, std::nullopt, UpDownRange{1, 100}),
         P::Detail, E::NoiseReductionNew, EditBinding::Record, 2708, false},
    };
    return table;
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

std::span<const ParamControl> ParamControlTable()
{
    return Table();
}

const ParamControl* ParamControlById(unsigned id)
{
    if (id == 0)
        return nullptr;
    for (const ParamControl& c : Table())
        if (c.row.editId == id || c.row.sliderId == id || c.row.spinId == id)
            return &c;
    return nullptr;
}

const ParamControl* ParamControlByField(ParamField field)
{
    for (const ParamControl& c : Table())
        if (c.field == field)
            return &c;
    return nullptr;
}

double ShownValue(ParamField field, double stored)
{
    return field == ParamField::saturation ? stored - 100 : stored;
}

double StoredValue(ParamField field, double shown)
{
    return field == ParamField::saturation ? shown + 100 : shown;
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

bool RuleEnabled(EnableRule rule, const EnableInputs& in, const SRControlStates& sr)
{
    switch (rule) {
    case EnableRule::Always: return true;
    case EnableRule::CustomSharpness: return in.sharpness == 3;
    case EnableRule::FineTune: return in.fineTune != 0;
    case EnableRule::ColourTemperature: return in.whiteBalanceItem == ColourTemperatureItem(in.useRafWB);
    case EnableRule::NoiseReduction: return in.noiseReduction != 0;
    case EnableRule::NoiseReductionNew: return in.noiseReduction != 0 && !in.useOldNR;
    case EnableRule::SRMix: return sr.mix;
    case EnableRule::SRNotEasy: return sr.notEasy;
    case EnableRule::SRLinear: return sr.linear;
    }
    return true;
}

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

} // namespace velmo
