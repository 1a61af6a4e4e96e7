// The palettes' control table: one row per id, each id found again; what a
// value row shows lies in what its field may store; radio groups numbered
// in button order; the shown form of the saturation; the enabling rules.
#include "params/ControlRow.h"
#include "params/ExponentMapping.h"
#include "params/LensCorrectionSettings.h"
#include "params/ParamFields.h"
#include "params/SelectiveColorTable.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace velmo {
namespace {

// Every id the widgets of a row carry.
std::vector<unsigned> IdsOf(const ControlRow& row)
{
    std::vector<unsigned> ids;
    for (const unsigned id : {row.id, row.sliderId, row.spinId, row.labelId})
        if (id != 0)
            ids.push_back(id);
    if (row.kind != ControlKind::FileMenu)
        return ids;
    if (const std::optional<FileMenuInfo> menu = ReadFileMenu(unsigned(row.item))) {
        ids.push_back(menu->loadId);
        ids.push_back(menu->saveId);
    }
    return ids;
}

TEST(ControlTable, EveryIdBelongsToOneRowAndIsFoundAgain)
{
    std::map<unsigned, const ControlRow*> owner;
    for (const ControlRow& row : PaletteControls()) {
        ASSERT_NE(row.id, 0u);
        for (const unsigned id : IdsOf(row)) {
            EXPECT_TRUE(owner.emplace(id, &row).second) << "id " << id << " is in two rows";
            EXPECT_EQ(ControlRowById(id), &row) << "id " << id;
        }
    }
    EXPECT_EQ(ControlRowById(0), nullptr);
    EXPECT_EQ(ControlRowById(4711), nullptr);
}

TEST(ControlTable, EveryCaptionHasItsText)
{
    for (const ControlRow& row : PaletteControls()) {
        if (row.kind == ControlKind::FileMenu)
            continue; // "L", "S" and "..." are the buttons' own texts
        EXPECT_TRUE(row.captionId != 0 ? HasString(row.captionId) : *row.caption != '\0') << "id " << row.id;
        if (row.fisheyeRange) {
            EXPECT_TRUE(HasString(row.fisheyeCaptionId)) << "id " << row.id;
        }
    }
}

TEST(ControlTable, ValuesShownLieInWhatTheirFieldsStore)
{
    for (const ControlRow& row : PaletteControls()) {
        if (row.kind != ControlKind::Value)
            continue;
        SCOPED_TRACE(row.id);
        EXPECT_LE(row.sliderMin, row.sliderMax);
        if (row.data == ControlData::Lens || row.data == ControlData::SelectiveColor)
            continue;
        const ParamFieldInfo& field = FieldInfo(row.field);
        EXPECT_EQ(field.type == ParamType::Float, row.type == ValueType::Float);
        // The ends of the slider and of the edit's range, stored.
        for (const int position : {row.sliderMin, row.sliderMax}) {
            const double stored = StoredValue(row, RowPositionToValue(row, position));
            EXPECT_GE(stored, field.min);
            EXPECT_LE(stored, field.max);
        }
        if (row.editRange) {
            EXPECT_GE(StoredValue(row, row.editRange->min), field.min);
            EXPECT_LE(StoredValue(row, row.editRange->max), field.max);
        }
    }
}

// A value typed into a parameter edit is refused outside what the stored
// record and a parameter file keep, and taken anywhere inside: a value the
// user typed is the one in force after the next start.
TEST(ControlTable, EveryParameterEditTakesWhatStorageKeeps)
{
    for (const ControlRow& row : PaletteControls()) {
        if (row.kind != ControlKind::Value || row.data == ControlData::Lens ||
            row.data == ControlData::SelectiveColor)
            continue;
        SCOPED_TRACE(row.id);
        const ParamFieldInfo& field = FieldInfo(row.field);
        ASSERT_TRUE(row.editRange.has_value()) << field.name << " takes any number";
        EXPECT_EQ(StoredValue(row, row.editRange->min), field.min) << field.name;
        EXPECT_EQ(StoredValue(row, row.editRange->max), field.max) << field.name;
    }
}

// The spins write values too: their own range, or their own step's ends.
TEST(ControlTable, EverySpinStepLiesInWhatStorageKeeps)
{
    for (const ControlRow& row : PaletteControls()) {
        if (row.kind != ControlKind::Value || row.spinId == 0 || row.data == ControlData::Lens ||
            row.data == ControlData::SelectiveColor)
            continue;
        SCOPED_TRACE(row.id);
        const ParamFieldInfo& field = FieldInfo(row.field);
        std::vector<double> ends;
        switch (row.spinStep) {
        case SpinStepRule::Control: {
            const UpDownRange spin = row.spinRange.value_or(UpDownRange{});
            ends = {StoredValue(row, spin.lower), StoredValue(row, spin.upper)};
            break;
        }
        case SpinStepRule::Exponent:
            ends = {ExponentSpinValue(0.0f, 1), ExponentSpinValue(16.0f, -1), ExponentSpinValue(100.0f, -1)};
            break;
        case SpinStepRule::Sensitize:
            ends = {SensitizeSpinValue(-5.0f, -1), SensitizeSpinValue(3.0f, 1)};
            break;
        }
        for (const double v : ends) {
            EXPECT_GE(v, field.min) << field.name;
            EXPECT_LE(v, field.max) << field.name;
        }
    }
}

TEST(ControlTable, TheShownFormIsDefinedOnce)
{
    const ControlRow& saturation = *ValueControlOf(ParamField::saturation);
    EXPECT_EQ(ShownValue(saturation, 150), 50);
    EXPECT_EQ(StoredValue(saturation, -100), 0);
    const ControlRow& contrast = *ValueControlOf(ParamField::contrast);
    EXPECT_EQ(ShownValue(contrast, 30), 30);
    // The colour temperature's slider counts hundreds of kelvin.
    const ControlRow& temperature = *ValueControlOf(ParamField::wbTempt);
    EXPECT_EQ(RowValueToPosition(temperature, 5549), 55);
    EXPECT_EQ(RowPositionToValue(temperature, 56), 5600);
}

TEST(ControlTable, RadiosAreNumberedInButtonOrder)
{
    struct RadioCase {
        ParamField field;
        std::vector<unsigned> ids;
    };
    const RadioCase cases[] = {
        {ParamField::rotate, {IDC_ROTATE_NONE, IDC_ROTATE_RIGHT, IDC_ROTATE_LEFT}},
        {ParamField::sharpness, {IDC_SHARPNESS_HARD, IDC_SHARPNESS_NORMAL, IDC_SHARPNESS_SOFT, IDC_SHARPNESS_CUSTOM}},
        {ParamField::bGammaLog, {ID_TONE_GAMMA, ID_TONE_LOG}},
    };
    for (const RadioCase& c : cases) {
        const std::vector<const ControlRow*> radios = RadioRowsOf(c.field);
        ASSERT_EQ(radios.size(), c.ids.size());
        for (size_t i = 0; i < radios.size(); ++i) {
            EXPECT_EQ(radios[i]->id, c.ids[i]);
            EXPECT_EQ(radios[i]->item, int(i));
        }
    }
}

TEST(ControlTable, FeatureEditorsHaveARowForEachValue)
{
    for (int c = 0; c < int(LensControl::kCount); ++c)
        EXPECT_NE(ControlRowFor(ControlData::Lens, c), nullptr) << c;
    for (int c = 0; c < SelectiveColorTable::kColumns; ++c)
        EXPECT_NE(ControlRowFor(ControlData::SelectiveColor, c), nullptr) << c;
    // Fisheye mode: the angle and the scale.
    const ControlRow& distortion = *ControlRowFor(ControlData::Lens, int(LensControl::Distortion));
    ASSERT_TRUE(distortion.fisheyeRange);
    EXPECT_EQ(distortion.fisheyeRange->min, 50);
    EXPECT_EQ(distortion.fisheyeRange->max, 179);
}

TEST(ControlTable, EnablingRules)
{
    struct RuleCase {
        EnableRule rule;
        EnableInputs in;
        bool enabled;
    };
    auto inputs = [](int sharpness, int fineTune, int wb, bool rafWB, int nr, bool oldNR, bool classic) {
        return EnableInputs{sharpness, fineTune, wb, rafWB, nr, oldNR, classic};
    };
    const RuleCase rules[] = {
        {EnableRule::CustomSharpness, inputs(3, 0, 0, true, 0, false, false), true},
        {EnableRule::CustomSharpness, inputs(2, 0, 0, true, 0, false, false), false},
        {EnableRule::FineTune, inputs(0, 1, 0, true, 0, false, false), true},
        {EnableRule::FineTune, inputs(0, 0, 0, true, 0, false, false), false},
        {EnableRule::ColourTemperature, inputs(0, 0, 12, true, 0, false, false), true},
        {EnableRule::ColourTemperature, inputs(0, 0, 9, true, 0, false, false), false},
        {EnableRule::ColourTemperature, inputs(0, 0, 9, false, 0, false, false), true},
        {EnableRule::ColourTemperature, inputs(0, 0, 12, false, 0, false, false), false},
        {EnableRule::NoiseReduction, inputs(0, 0, 0, true, 2, true, false), true},
        {EnableRule::NoiseReductionNew, inputs(0, 0, 0, true, 2, true, false), false},
        {EnableRule::NoiseReductionNew, inputs(0, 0, 0, true, 1, false, false), true},
        {EnableRule::NoiseReduction, inputs(0, 0, 0, true, 0, false, false), false},
        {EnableRule::TabbedOnly, inputs(0, 0, 0, true, 0, false, false), true},
        {EnableRule::TabbedOnly, inputs(0, 0, 0, true, 0, false, true), false},
    };
    for (const RuleCase& k : rules)
        EXPECT_EQ(RuleEnabled(k.rule, k.in, SRControlStates{}), k.enabled) << int(k.rule);

    // The S/R mixing truth table.
    struct SRCase {
        int enable, easy, type;
        bool group, mix, notEasy, images, linear;
    };
    const SRCase cases[] = {
        {0, 0, 2, false, false, false, false, false}, // one frame: all off
        {0, 1, 6, false, false, false, false, false},
        {1, 0, 2, true, true, true, true, false},     // simple mixing
        {1, 0, 6, true, false, true, true, true},     // linear: threshold, no m
        {1, 1, 6, true, true, false, true, false},    // easy: only m and S/R
        {1, 1, 2, true, true, false, true, false},
    };
    for (const SRCase& k : cases) {
        const SRControlStates s = EnableSRStates(k.enable, k.easy, k.type);
        EXPECT_EQ(s.group, k.group);
        EXPECT_EQ(s.mix, k.mix);
        EXPECT_EQ(s.notEasy, k.notEasy);
        EXPECT_EQ(s.images, k.images);
        EXPECT_EQ(s.linear, k.linear);
        EXPECT_EQ(RuleEnabled(EnableRule::SRLinear, EnableInputs{}, s), k.linear);
    }
}

} // namespace
} // namespace velmo
