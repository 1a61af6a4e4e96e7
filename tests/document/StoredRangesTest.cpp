// What the program itself sets, it finds again: a value set by a command, a
// tool or a control of the parameters palettes survives the stored record
// (the next start) and a parameter file written and read back.
#include "document/DocParameterFile.h"
#include "document/VelmoDoc.h"
#include "params/ControlRow.h"
#include "params/ExponentMapping.h"
#include "params/ParamFields.h"
#include "params/ParameterFile.h"
#include "tests/document/SideFileTestEnv.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace velmo {
namespace {

using test::SideFileHost;

struct SetValue {
    ParamField field;
    double value;
    std::string source;
};

void PrintTo(const SetValue& c, std::ostream* os)
{
    *os << FieldInfo(c.field).name << " = " << c.value << " (" << c.source << ")";
}

// Values that commands and tools set.
std::vector<SetValue> CommandValues()
{
    using F = ParamField;
    return {
        {F::whiteBalance, -1, "neutral reset: no white balance"},
        {F::gamma, 1, "neutral reset"},
        {F::mixSR, 0, "neutral reset"},
        {F::saturation, 100, "neutral reset"},
        {F::whiteBalance, 12, "colour-temperature preset"},
        {F::customWB1, 1, "spot white balance, darkest channel"},
        {F::customWB3, 65535, "spot white balance, brightest channel"},
        {F::ICC, 4, "user profile"},
        {F::rotate, 2, "rotate left"},
        {F::sharpness, 3, "custom sharpness"},
        {F::typeSR, 6, "the last mixing type of the list"},
        {F::iEnhColor, 2, "vivid colour cycled"},
        {F::bNR, 2, "noise reduction cycled"},
    };
}

// The ends of everything a value control of the parameters palettes writes:
// its slider, its edit's range, its spin.
std::vector<SetValue> ControlValues()
{
    std::vector<SetValue> values;
    for (const ControlRow& row : PaletteControls()) {
        if (row.kind != ControlKind::Value || row.data == ControlData::Lens ||
            row.data == ControlData::SelectiveColor)
            continue;
        auto add = [&](double stored, const char* what) { values.push_back({row.field, stored, what}); };
        add(StoredValue(row, RowPositionToValue(row, row.sliderMin)), "slider start");
        add(StoredValue(row, RowPositionToValue(row, row.sliderMax)), "slider end");
        if (row.editRange) {
            add(StoredValue(row, row.editRange->min), "typed, lowest");
            add(StoredValue(row, row.editRange->max), "typed, highest");
        }
        switch (row.spinStep) {
        case SpinStepRule::Control:
            if (row.spinRange) {
                add(StoredValue(row, row.spinRange->lower), "spin end");
                add(StoredValue(row, row.spinRange->upper), "spin end");
            }
            break;
        case SpinStepRule::Exponent:
            add(ExponentSpinValue(0.01f, 1), "spin down to the end");
            add(ExponentSpinValue(15.9f, -1), "spin up to the end");
            break;
        case SpinStepRule::Sensitize:
            add(SensitizeSpinValue(-4.95f, -1), "spin down to the end");
            add(SensitizeSpinValue(2.95f, 1), "spin up to the end");
            break;
        }
    }
    // Typed, whatever the table says today: the easy mix counts up to 240,
    // the exponents run from 0 to 16.
    values.push_back({ParamField::mixSR, 240, "typed: the easy mix's full amount"});
    values.push_back({ParamField::mixSR, 150, "typed: within the easy mix"});
    for (const ParamField f : {ParamField::gamma, ParamField::gammaSR, ParamField::gammaSR2}) {
        values.push_back({f, 0, "typed: the lowest exponent"});
        values.push_back({f, 16, "typed: the highest exponent"});
    }
    return values;
}

std::vector<SetValue> AllValues()
{
    std::vector<SetValue> all = CommandValues();
    for (SetValue& v : ControlValues())
        all.push_back(std::move(v));
    return all;
}

std::string CaseName(const ::testing::TestParamInfo<SetValue>& info)
{
    std::string name = std::string(FieldInfo(info.param.field).name) + "_" + std::to_string(info.index);
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

// The value as the record holds it (an int field truncated, a float rounded).
double AsHeld(ParamField field, double value)
{
    DevParams p{};
    SetField(p, field, value);
    return GetField(p, field);
}

class ProgramValue : public test::SideFileTest, public ::testing::WithParamInterface<SetValue> {
protected:
    SideFileHost host;
};

TEST_P(ProgramValue, SurvivesTheNextStart)
{
    const SetValue& c = GetParam();
    const double held = AsHeld(c.field, c.value);
    {
        CVelmoDoc doc(&host);
        doc.Edit().SetField(c.field, c.value);
        ASSERT_EQ(GetField(doc.Edit().Params(), c.field), held);
    } // the record is stored as the program ends
    CVelmoDoc restarted(&host);
    EXPECT_EQ(GetField(restarted.Edit().Params(), c.field), held);
}

TEST_P(ProgramValue, SurvivesAParameterFile)
{
    const SetValue& c = GetParam();
    const double held = AsHeld(c.field, c.value);
    const std::string path = dir.File("kept.VMR");
    {
        CVelmoDoc writer(&host);
        writer.Edit().SetField(c.field, c.value);
        ASSERT_TRUE(WriteParameterFile(writer.Edit(), path));
    }
    // Read by a document whose value is another one.
    CVelmoDoc reader(&host);
    reader.SetDefaultParameters();
    const ParamFieldInfo& f = FieldInfo(c.field);
    reader.Edit().SetField(c.field, held != f.defaultValue ? f.defaultValue : f.min != held ? f.min : f.max);
    reader.OnOpenDocument(path); // a side file: false, the document stays
    EXPECT_EQ(GetField(reader.Edit().Params(), c.field), held);
}

INSTANTIATE_TEST_SUITE_P(SetByTheProgram, ProgramValue, ::testing::ValuesIn(AllValues()), CaseName);

class RestartAfterNeutralReset : public test::SideFileTest {
protected:
    SideFileHost host;
};

// Ctrl+Shift+R, quit, start again: still no white balance, and the
// development applies none.
TEST_F(RestartAfterNeutralReset, KeepsNoWhiteBalance)
{
    {
        CVelmoDoc doc(&host);
        doc.Edit().SetField(ParamField::whiteBalance, 3);
        doc.NeutralReset();
        ASSERT_EQ(doc.Edit().Params().whiteBalance, -1);
    }
    CVelmoDoc restarted(&host);
    EXPECT_EQ(restarted.Edit().Params().whiteBalance, -1);
    const DevelopContext ctx = restarted.PrepareDevelopment();
    EXPECT_EQ(ctx.params.whiteBalance, -1);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(ctx.constants.wb.first[c], 1.0f) << c;
        EXPECT_EQ(ctx.constants.wb.second[c], 1.0f) << c;
    }
}

// The exponents at 0 develop: no infinity and no NaN reaches the tone tables
// or the S/R mix after a start that read them back.
TEST_F(RestartAfterNeutralReset, ZeroExponentsDevelopFinitely)
{
    for (const int logMode : {0, 1}) {
        {
            CVelmoDoc doc(&host);
            doc.Edit().ModifyParams([&](DevParams& p) {
                p.gamma = 0.0f;
                p.gammaSR = 0.0f;
                p.gammaSR2 = 0.0f;
                p.bGammaLog = logMode;
                p.twoFrames = 1;
                p.easySR = 0;
                p.typeSR = 2;
            });
        }
        CVelmoDoc restarted(&host);
        ASSERT_EQ(restarted.Edit().Params().gamma, 0.0f) << logMode;
        ASSERT_EQ(restarted.Edit().Params().gammaSR, 0.0f) << logMode;
        const DevelopContext ctx = restarted.PrepareDevelopment();
        EXPECT_TRUE(std::isfinite(ctx.constants.curveExponent)) << logMode;
        EXPECT_TRUE(std::isfinite(ctx.constants.rExponent)) << logMode;
        float s[3] = {0.4f, 0.5f, 0.6f};
        float r[3] = {0.05f, 0.06f, 0.07f};
        ctx.MixSR(s, r);
        for (const float v : s)
            EXPECT_TRUE(std::isfinite(v)) << logMode;
    }
}

} // namespace
} // namespace velmo
