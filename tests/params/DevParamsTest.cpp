#include "document/VelmoDoc.h"
#include "params/DevParams.h"
#include "params/EditState.h"
#include "params/ParamKeys.h"
#include "raw/WhiteBalanceData.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace velmo {
namespace {

struct FamilyDefaultsCase {
    int family;
    bool useRafWB;
    float gamma;
    int contrast, brightness, saturation, twoFrames, bGammaLog;
    float gammaSR;
};

void PrintTo(const FamilyDefaultsCase& c, std::ostream* os)
{
    *os << "family " << c.family << (c.useRafWB ? " UseRafWB" : "");
}

class FamilyDefaults : public ::testing::TestWithParam<FamilyDefaultsCase> {};

TEST_P(FamilyDefaults, MatchTheFamilyTable)
{
    const auto& c = GetParam();
    test::ScopedSettings settings;
    CVelmoDoc doc; // reads the switches from the settings
    doc.Edit().SetSwitch(SwitchId::UseRafWB, c.useRafWB);
    doc.SetCameraFamily(c.family);
    doc.Edit().SetField(ParamField::cameraWhiteBalance, 3);
    doc.Edit().SetField(ParamField::cameraSharpness, 2);
    doc.Edit().SetField(ParamField::exifOrientation, 1);
    doc.SetDefaultParameters();
    const DevParams& p = doc.Edit().Params();
    EXPECT_FLOAT_EQ(p.gamma, c.gamma);
    EXPECT_EQ(p.contrast, c.contrast);
    EXPECT_EQ(p.brightness, c.brightness);
    EXPECT_EQ(p.saturation, c.saturation);
    EXPECT_EQ(p.twoFrames, c.twoFrames);
    EXPECT_EQ(p.bGammaLog, c.bGammaLog);
    EXPECT_FLOAT_EQ(p.gammaSR, c.gammaSR);
    // Constant defaults and the kept camera fields.
    EXPECT_EQ(p.wbTempt, 5500);
    EXPECT_EQ(p.customWB1, 128);
    EXPECT_EQ(p.typeSR, 5);
    EXPECT_EQ(p.NR3, 150);
    EXPECT_EQ(p.honeycomb, 1);
    EXPECT_EQ(p.sharpness, 2);
    EXPECT_EQ(p.cameraWhiteBalance, 3);
    EXPECT_EQ(p.whiteBalance, c.useRafWB ? 0 : 3);
    EXPECT_EQ(p.rotate, 0);
}

// Family 7 without a header detects one frame pair ("no RAF header" gives 1).
INSTANTIATE_TEST_SUITE_P(
    Families, FamilyDefaults,
    ::testing::Values(FamilyDefaultsCase{0, false, 1.8f, 15, 10, 125, 0, 0, 1.2f},
                      FamilyDefaultsCase{1, false, 1.8f, 15, 10, 125, 0, 0, 1.2f},
                      FamilyDefaultsCase{2, false, 1.8f, 20, 15, 125, 1, 0, 1.2f},
                      FamilyDefaultsCase{3, false, 1.0f, 0, 0, 100, 0, 0, 1.2f},
                      FamilyDefaultsCase{4, false, 1.8f, 25, 10, 125, 1, 0, 1.0f},
                      FamilyDefaultsCase{5, false, 1.8f, 20, 8, 125, 0, 0, 1.2f},
                      FamilyDefaultsCase{6, false, 1.8f, 20, 8, 110, 0, 0, 1.2f},
                      FamilyDefaultsCase{7, false, 1.8f, 15, 10, 125, 1, 0, 1.2f},
                      FamilyDefaultsCase{8, false, 1.0f, 0, 0, 100, 0, 0, 1.2f},
                      FamilyDefaultsCase{9, false, 1.8f, 15, 5, 125, 0, 0, 1.2f},
                      FamilyDefaultsCase{0, true, 1.8f, 0, 0, 115, 0, 1, 1.2f},
                      FamilyDefaultsCase{4, true, 1.8f, 0, 0, 125, 1, 1, 1.0f},
                      FamilyDefaultsCase{9, true, 1.8f, 0, 0, 125, 0, 1, 1.2f},
                      FamilyDefaultsCase{3, true, 1.0f, 0, 0, 115, 0, 1, 1.2f}),
    [](const auto& testInfo) {
        return "Family" + std::to_string(testInfo.param.family) + (testInfo.param.useRafWB ? "RafWB" : "");
    });

TEST(DevParamsDefaults, PortraitShotTurnsAndRelaysOut)
{
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc(&host);
    for (auto [orientation, rotate] : {std::pair{6, 1}, {8, 2}, {3, 0}}) {
        doc.Edit().SetField(ParamField::exifOrientation, orientation);
        const int layouts = host.layouts;
        doc.SetDefaultParameters();
        EXPECT_EQ(doc.Edit().Params().rotate, rotate);
        EXPECT_EQ(doc.IsPortrait(), rotate);
        EXPECT_EQ(host.layouts - layouts, rotate != 0 ? 1 : 0);
    }
}

TEST(DevParamsDefaults, SecondFrameOrDynamicRangeShiftMeansTwoFrames)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    doc.SetCameraFamily(0);
    test::EditImage(doc, [&](RawImage& img) {
        img.drShift = 1;
    });
    doc.SetDefaultParameters();
    EXPECT_EQ(doc.Edit().Params().twoFrames, 1);
}

TEST(ParamValueName, FamiliesWithoutANameBecomeZero)
{
    const char* names[] = {"Param", "ParamS2", "ParamF7", "Param00", "ParamS20",
                           "ParamE5", "ParamS55", "ParamS3", "Param", "ParamS9"};
    for (int f = 0; f < kCameraFamilyCount; ++f) {
        int family = f;
        EXPECT_STREQ(ParamValueName(family), names[f]);
        EXPECT_EQ(family, f == 8 ? 0 : f);
    }
    int family = 42;
    EXPECT_STREQ(ParamValueName(family), "Param");
    EXPECT_EQ(family, 0);
}

class StoredRecord : public ::testing::Test {
protected:
    test::ScopedSettings settings;
};

TEST_F(StoredRecord, RoundTripsPerFamily)
{
    {
        CVelmoDoc doc;
        doc.SetCameraFamily(4);
        doc.SetDefaultParameters();
        doc.Edit().SetField(ParamField::contrast, -33);
        doc.Edit().SetField(ParamField::gamma, 2.2f);
        doc.SaveParameterRecord();
        doc.SetCameraFamily(1);
        doc.SetDefaultParameters();
        doc.Edit().SetField(ParamField::contrast, 44);
        doc.SaveParameterRecord();
    }
    CVelmoDoc doc;
    doc.SetCameraFamily(4);
    doc.LoadParameterRecord();
    EXPECT_EQ(doc.Edit().Params().contrast, -33);
    EXPECT_FLOAT_EQ(doc.Edit().Params().gamma, 2.2f);
    doc.SetCameraFamily(1);
    doc.LoadParameterRecord();
    EXPECT_EQ(doc.Edit().Params().contrast, 44);
}

TEST_F(StoredRecord, WrongSizeIsIgnored)
{
    for (size_t size : {175u, 177u, 0u}) {
        std::vector<uint8_t> bytes(size, 0x11);
        settings.store().WriteProfileBinary(kSettingsSection, "ParamS2", bytes.data(), bytes.size());
        CVelmoDoc doc;
        doc.SetCameraFamily(1);
        doc.LoadParameterRecord();
        EXPECT_EQ(doc.Edit().Params().contrast, 0) << size; // "UseRafWB" defaults
        EXPECT_EQ(doc.Edit().Params().saturation, 115) << size;
        EXPECT_EQ(doc.Edit().Params().NR3, 150) << size;
    }
}

TEST_F(StoredRecord, FamilyEightUsesParamAndBecomesZero)
{
    CVelmoDoc doc;
    doc.SetCameraFamily(8);
    doc.SetDefaultParameters();
    doc.Edit().SetField(ParamField::hue, 17);
    doc.SaveParameterRecord();
    EXPECT_EQ(doc.CameraFamily(), 0);
    std::vector<uint8_t> stored;
    ASSERT_TRUE(settings.store().GetProfileBinary(kSettingsSection, "Param", stored));
    ASSERT_EQ(stored.size(), sizeof(DevParams));
}

TEST_F(StoredRecord, OutOfRangeFieldsKeepTheDefaults)
{
    CVelmoDoc doc;
    doc.SetCameraFamily(0);
    doc.SetDefaultParameters();
    DevParams bad = doc.Edit().Params();
    bad.whiteBalance = 40;
    bad.ICC = 9;
    bad.rotate = 7;
    bad.NR1 = -3;
    bad.customWB2 = 0;
    bad.gamma = std::nanf("");
    bad.sensitize = 1e30f;
    bad.contrast = 50; // in range: kept
    settings.store().WriteProfileBinary(kSettingsSection, "Param", &bad, sizeof bad);
    doc.LoadParameterRecord();
    EXPECT_EQ(doc.Edit().Params().whiteBalance, 0);
    EXPECT_EQ(doc.Edit().Params().ICC, 0);
    EXPECT_EQ(doc.Edit().Params().rotate, 0);
    EXPECT_EQ(doc.Edit().Params().NR1, 1);
    EXPECT_EQ(doc.Edit().Params().customWB2, 128);
    EXPECT_FLOAT_EQ(doc.Edit().Params().gamma, 1.8f);
    EXPECT_FLOAT_EQ(doc.Edit().Params().sensitize, 0.0f);
    EXPECT_EQ(doc.Edit().Params().contrast, 50);
}

TEST(TemperatureTable, NormalisedToALargestOf255)
{
    const auto& t = NormalizedTemperatureTable();
    EXPECT_EQ(t[0], (std::array<int, 3>{98 * 255 / 209, 191 * 255 / 209, 255}));
    EXPECT_EQ(t[14], (std::array<int, 3>{255, 158 * 255 / 186, 150 * 255 / 186}));
    EXPECT_EQ(t[15], (std::array<int, 3>{0, 0, 0}));
}

TEST(TemperatureTable, ClampsAndInterpolates)
{
    const auto& t = NormalizedTemperatureTable();
    EXPECT_EQ(TemperatureRgb(2000), t[0]);
    EXPECT_EQ(TemperatureRgb(12000), t[14]);
    EXPECT_EQ(TemperatureRgb(9500), t[14]);
    const auto mid = TemperatureRgb(5750);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(mid[c], (t[6][c] + t[7][c]) / 2);
    const auto q = TemperatureRgb(2600); // 100 K past the first row
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(q[c], (100 * t[1][c] + 400 * t[0][c]) / 500);
}

TEST(FamilyTables, NormalisedAndFamilyThreeFilledFromFamilyZero)
{
    const auto& tables = NormalizedFamilyTables();
    const auto& f0 = tables[0].rows;
    EXPECT_EQ(f0[0][2], 162 * 255 / 170);
    EXPECT_EQ(f0[0][4], 255);
    EXPECT_EQ(f0[0][6], 255); // R2 G2 B2 = 39 63 47
    EXPECT_EQ(f0[5][4], 255); // incandescent 147 195 252
    const auto& f3 = tables[3].rows;
    EXPECT_EQ(f3[0][2], 255);
    // Row 1 (shade) filled: family 0's shade times family 3's daylight over family 0's daylight.
    EXPECT_EQ(f3[1][0], 11);
    EXPECT_EQ(f3[1][1], 512);
    const int r = f0[1][2] * 255 / f0[0][2], g = f0[1][3] * 255 / f0[0][3], b = f0[1][4] * 255 / f0[0][4];
    const int m = std::max({r, g, b});
    EXPECT_EQ(f3[1][2], r * 255 / m);
    EXPECT_EQ(f3[1][3], g * 255 / m);
    EXPECT_EQ(f3[1][4], b * 255 / m);
    EXPECT_EQ(tables[0].rows[6][2], 122); // rows 6-12 at their start values
    EXPECT_EQ(FamilyTableIndex(9), 0);
}

TEST(SetWhiteBalance, TemperatureMultipliersForFamilyAndPresetRows)
{
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc(&host);
    doc.SetCameraFamily(2);
    test::EditImage(doc, [](RawImage& img) {
        img.rafPresets.rows[1][0] = 300;
        img.rafPresets.rows[1][1] = 500;
        img.rafPresets.rows[1][2] = 302;
        img.rafPresets.rows[1][3] = 400;
    });
    const RafWhiteBalancePresets loaded = doc.Image().rafPresets;
    const int views = host.viewUpdates;
    doc.SetWhiteBalance(12, 1, 3000);
    EXPECT_EQ(doc.Edit().Params().whiteBalance, 12);
    EXPECT_EQ(doc.Edit().Params().wbTempt, 3000);
    EXPECT_EQ(host.viewUpdates, views + 1);
    const auto t = TemperatureRgb(3000);
    const auto& f = doc.FamilyTables()[2].rows[0];
    const auto& s = doc.FamilyTables()[1].rows[0];
    EXPECT_EQ(doc.FamilyTables()[2].rows[9][2], f[2] * t[0] / s[2]);
    EXPECT_EQ(doc.FamilyTables()[2].rows[9][3], f[3] * t[1] / s[3]);
    EXPECT_EQ(doc.FamilyTables()[2].rows[9][4], f[4] * t[2] / s[4]);
    // The RAF presets' row is derived where the gains are; the image keeps
    // its rows as loaded.
    const RafWhiteBalancePresets run =
        EditedRafPresets(doc.Image().rafPresets, doc.Edit().Params(), doc.FamilyTables()[1]);
    EXPECT_EQ(run.rows[12][0], 300 * t[1] / s[3]);
    EXPECT_EQ(run.rows[12][1], 500 * t[0] / s[2]);
    EXPECT_EQ(run.rows[12][2], 302 * t[1] / s[3]);
    EXPECT_EQ(run.rows[12][3], 400 * t[2] / s[4]);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(doc.Image().rafPresets.rows[12][i], loaded.rows[12][i]) << i;

    doc.SetWhiteBalance(3, 0, -1); // -1 keeps the temperature
    EXPECT_EQ(doc.Edit().Params().wbTempt, 3000);
    EXPECT_EQ(host.viewUpdates, views + 1);
}

TEST(UpdateCustomWhiteBalance, CustomRowsAndZeroMultipliers)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    doc.SetCameraFamily(0);
    test::EditImage(doc, [](RawImage& img) {
        img.rafPresets.rows[0][0] = 300; // G R G B
        img.rafPresets.rows[0][1] = 450;
        img.rafPresets.rows[0][3] = 600;
    });
    doc.Edit().SetField(ParamField::customWB1, 200);
    doc.Edit().SetField(ParamField::customWB2, 100);
    doc.Edit().SetField(ParamField::customWB3, 50);
    const RafWhiteBalancePresets loaded = doc.Image().rafPresets;
    doc.UpdateCustomWhiteBalance();
    const int64_t f = (350 / 3) * ((300 + 450 + 600) / 3);
    // The RAF presets' row is derived where the gains are; the image keeps
    // its rows as loaded.
    const RafWhiteBalancePresets run =
        EditedRafPresets(doc.Image().rafPresets, doc.Edit().Params(), doc.FamilyTables()[1]);
    EXPECT_EQ(run.rows[11][0], f / 100);
    EXPECT_EQ(run.rows[11][1], f / 200);
    EXPECT_EQ(run.rows[11][3], f / 50);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(doc.Image().rafPresets.rows[11][i], loaded.rows[11][i]) << i;
    const auto& t0 = doc.FamilyTables()[0].rows[0];
    EXPECT_EQ(doc.FamilyTables()[0].rows[7][2], t0[5] * 200 / 200);
    EXPECT_EQ(doc.FamilyTables()[0].rows[7][4], t0[7] * 200 / 50);

    doc.Edit().ModifyParams([](DevParams& p) { p.customWB1 = p.customWB2 = p.customWB3 = 0; });
    doc.UpdateCustomWhiteBalance(); // no division by zero
    EXPECT_EQ(doc.FamilyTables()[0].rows[7][2], t0[5]);
}

TEST(ParamKeys, DefaultsPrintInFileOrder)
{
    test::ScopedSettings settings;
    CVelmoDoc doc;
    doc.SetCameraFamily(0);
    doc.SetDefaultParameters();
    const auto lines = FormatParamKeys(doc.Edit());
    ASSERT_GE(lines.size(), 40u);
    EXPECT_EQ(lines[0], "version=71");
    EXPECT_EQ(lines[1], "gamma=1.800000");
    EXPECT_EQ(lines[2], "sensitize=0.000000");
    EXPECT_EQ(lines[25], "bFreeCurve=0");
    EXPECT_EQ(lines[26], "bNR=0");
    EXPECT_EQ(lines[31], "customWBv=71");
    EXPECT_EQ(lines.back(), "UseRafWB=1");
}

} // namespace
} // namespace velmo
