#include "develop/context/DevelopContext.h"
#include "document/VelmoDoc.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmo {
namespace {

// A context with unit gains, no white balance, no highlight blend and an
// identity tone curve (log mode with gamma 1).
DevelopContext PlainContext(HueModel model = HueModel::HLS)
{
    DevelopContext ctx;
    DevParams& p = ctx.params;
    p.gamma = 1.0f;
    p.bGammaLog = 1;
    p.gammaSR = 1.0f;
    p.saturation = 100;
    p.whiteBalance = -1;
    ctx.constants = MakeDevelopConstants(p, 0, {});
    ctx.tone = BuildToneTables(ctx.constants.ToneKey(1), 1.0f);
    ctx.freeCurve = FreeCurveLut::Identity();
    ctx.hueModel = model;
    ctx.whiteLevel = 16383;
    return ctx;
}

void SetGains(DevelopContext& ctx, std::array<float, 3> first, std::array<float, 3> second)
{
    for (int c = 0; c < 3; ++c) {
        ctx.constants.wb.first[c] = first[c];
        ctx.constants.wb.second[c] = second[c];
    }
}

TEST(ColorPixel, NoWhiteBalanceAppliesNoGainsNorVividColour)
{
    DevelopContext ctx = PlainContext();
    SetGains(ctx, {2, 3, 4}, {5, 6, 7});
    ctx.params.iEnhColor = 1;
    float r = 0.3f, g = 0.4f, b = 0.2f;
    ctx.ColorPixel(&r, &g, &b);
    EXPECT_EQ(r, 0.3f);
    EXPECT_EQ(g, 0.4f);
    EXPECT_EQ(b, 0.2f);
}

TEST(ColorPixel, GainsThenExposure)
{
    DevelopContext ctx = PlainContext();
    ctx.params.whiteBalance = 0;
    ctx.params.sensitize = 1.0f;
    ctx.constants = MakeDevelopConstants(ctx.params, 0, {});
    SetGains(ctx, {1.5f, 1.0f, 0.5f}, {1, 1, 1});
    float r = 0.2f, g = 0.3f, b = 0.4f;
    ctx.ColorPixel(&r, &g, &b);
    EXPECT_FLOAT_EQ(r, 0.6f);
    EXPECT_FLOAT_EQ(g, 0.6f);
    EXPECT_FLOAT_EQ(b, 0.4f);
}

// A grey has no hue window to match, so vivid colour only multiplies it by
// the second gains, without a round trip through hue and lightness.
TEST(ColorPixel, VividColourWithoutMatchOnlyAppliesTheSecondGains)
{
    DevelopContext ctx = PlainContext();
    ctx.params.whiteBalance = 0;
    ctx.params.iEnhColor = 1;
    SetGains(ctx, {0.5f, 1.0f, 2.0f}, {2.0f, 1.0f, 0.5f});
    float r = 0.4f, g = 0.2f, b = 0.1f;
    ctx.ColorPixel(&r, &g, &b);
    EXPECT_EQ(r, 0.4f);
    EXPECT_EQ(g, 0.2f);
    EXPECT_EQ(b, 0.1f);
}

TEST(ColorPixel, VividColourLiftsAMatchingRed)
{
    for (int level : {1, 2}) {
        DevelopContext ctx = PlainContext();
        ctx.params.whiteBalance = 0;
        ctx.params.iEnhColor = level;
        float r, g, b;
        HSIToRGB(0.05f, 0.75f, 0.3f, &r, &g, &b, HueModel::HLS);
        ctx.ColorPixel(&r, &g, &b);
        float h, s, l;
        RGBToHSI(r, g, b, &h, &s, &l, HueModel::HLS);
        EXPECT_NEAR(l, 0.3f * (1.0f + 0.3f / level), 1e-4f) << level;
        EXPECT_NEAR(h, 0.05f, 1e-4f) << level;
    }
}

TEST(ColorPixel, GreenHighlightBlend)
{
    DevelopContext ctx = PlainContext();
    ctx.peakRaw = 16383.0f; // the white level: x = g
    struct Case {
        float r, g, b, expectedG;
    } cases[] = {
        {1.3f, 1.0f, 0.5f, (1.0f + 1.3f + 1.0f) / 3.0f}, // k = 1
        {0.5f, 0.96f, 0.5f, 0.96f},                      // k = 0.5 of the mean of 0.96s
        {1.2f, 0.96f, 0.5f, (0.96f + 1.2f + 0.96f) / 3.0f * 0.5f + 0.5f * 0.96f},
        {1.5f, 0.5f, 1.5f, 0.5f}, // below the knee: untouched
    };
    for (const auto& c : cases) {
        float r = c.r, g = c.g, b = c.b;
        ctx.ColorPixel(&r, &g, &b);
        EXPECT_NEAR(g, c.expectedG, 1e-5f) << c.g;
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(b, c.b);
    }
}

TEST(ColorPixel, BlackFrameGivesNoBlendAndNoNaN)
{
    DevelopContext ctx = PlainContext();
    ctx.peakRaw = 0.0f;
    float r = 1.5f, g = 1.0f, b = 0.0f;
    ctx.ColorPixel(&r, &g, &b);
    EXPECT_EQ(g, 1.0f);
    float z[3] = {0, 0, 0};
    ctx.ColorPixel(&z[0], &z[1], &z[2]);
    for (float v : z)
        EXPECT_EQ(v, 0.0f);
}

TEST(ColorPixel, HighlightSpillLimits)
{
    struct Case {
        const char* name;
        bool linear;
        int exrBits;
        float in[3];
        float out[3];
    } cases[] = {
        {"normal blue", false, 0, {0.5f, 0.5f, 2.6f}, {0.7f, 0.7f, 2.6f}},
        // Red spills into a green that then spills in turn.
        {"normal chain", false, 0, {3.5f, 1.8f, 0.0f}, {3.6f, 2.3f, 0.6f}},
        {"linear", true, 0, {20.0f, 1.0f, 1.0f}, {20.0f, 1.0f + 2.0f / 3, 1.0f + 2.0f / 3}},
        {"linear exr", true, 2, {11.0f, 1.0f, 1.0f}, {11.0f, 2.0f, 2.0f}},
    };
    for (const auto& c : cases) {
        DevelopContext ctx = PlainContext();
        ctx.constants.linearSR = c.linear ? 1 : 0;
        ctx.exrBits = c.exrBits;
        float v[3] = {c.in[0], c.in[1], c.in[2]};
        ctx.ColorPixel(&v[0], &v[1], &v[2]);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(v[ch], c.out[ch], 1e-5f) << c.name << " " << ch;
    }
}

TEST(WrapHue, TurnsAndNonFinite)
{
    EXPECT_FLOAT_EQ(WrapHue(1.0f), 1.0f);
    EXPECT_NEAR(WrapHue(1.0f + 6.2831855f * 3), 1.0f, 1e-5f);
    EXPECT_NEAR(WrapHue(-1.0f), 6.2831855f - 1.0f, 1e-6f);
    EXPECT_EQ(WrapHue(NAN), 0.0f);
    EXPECT_EQ(WrapHue(INFINITY), 0.0f);
    EXPECT_EQ(WrapHue(-INFINITY), 0.0f);
    const float big = WrapHue(1e30f);
    EXPECT_TRUE(big >= 0.0f && big < 6.2831855f);
    EXPECT_LT(WrapHue(-1e-9f), 6.2831855f);
}

TEST(ToU16, ClampRoundAndNaN)
{
    EXPECT_EQ(ToU16(0.0f), 0);
    EXPECT_EQ(ToU16(-3.0f), 0);
    EXPECT_EQ(ToU16(1.0f), 65535);
    EXPECT_EQ(ToU16(7.0f), 65535);
    EXPECT_EQ(ToU16(0.5f), 32768);
    EXPECT_EQ(ToU16(1.0f / 65535.0f * 0.49f), 0);
    EXPECT_EQ(ToU16(NAN), 0);
    EXPECT_EQ(ToU16(INFINITY), 65535);
}

// ---------------------------------------------------------------------------

TEST(ToneColorPixel, SaturationHundredAndHueZeroAreTheIdentity)
{
    for (HueModel model : {HueModel::HLS, HueModel::HSV}) {
        const DevelopContext ctx = PlainContext(model);
        const uint16_t colours[][3] = {{0, 0, 0},         {65535, 65535, 65535}, {65535, 0, 0},
                                       {1000, 30000, 60000}, {40000, 40000, 10}, {12345, 54321, 22222}};
        for (const auto& c : colours) {
            uint16_t r = c[0], g = c[1], b = c[2];
            ctx.ToneColorPixel(&r, &g, &b);
            EXPECT_NEAR(r, c[0], 2) << c[0] << "," << c[1] << "," << c[2];
            EXPECT_NEAR(g, c[1], 2) << c[0] << "," << c[1] << "," << c[2];
            EXPECT_NEAR(b, c[2], 2) << c[0] << "," << c[1] << "," << c[2];
        }
    }
}

TEST(ToneColorPixel, DefaultContextIsUsable)
{
    DevelopContext ctx;
    ASSERT_TRUE(ctx.tone);
    ASSERT_TRUE(ctx.freeCurve);
    for (int v = 0; v < 65536; v += 257) {
        uint16_t r = uint16_t(v), g = uint16_t(v), b = uint16_t(v);
        ctx.ToneColorPixel(&r, &g, &b);
        EXPECT_EQ(r, v);
        EXPECT_EQ(b, v);
    }
}

TEST(ToneColorPixel, IdentityFreeCurveMatchesCurveOff)
{
    DevelopContext on = PlainContext();
    on.tone = BuildToneTables(MakeDevelopConstants([] {
                                  DevParams p{};
                                  p.gamma = 2.2f;
                                  p.contrast = 20;
                                  return p;
                              }(),
                                                   0, {})
                                  .ToneKey(0),
                              1.0f);
    DevelopContext off = on;
    on.freeCurveOn = true;
    for (int v = 0; v < 65536; v += 4099) {
        uint16_t a[3] = {uint16_t(v), uint16_t(65535 - v), uint16_t(v / 2)};
        uint16_t b[3] = {a[0], a[1], a[2]};
        on.ToneColorPixel(&a[0], &a[1], &a[2]);
        off.ToneColorPixel(&b[0], &b[1], &b[2]);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(a[c], b[c], 1) << v;
    }
}

TEST(ToneColorPixel, HueHalfTurnAndSaturationZero)
{
    DevelopContext ctx = PlainContext();
    ctx.params.hue = 100; // pi
    ctx.constants = MakeDevelopConstants(ctx.params, 0, {});
    uint16_t r = 65535, g = 0, b = 0;
    ctx.ToneColorPixel(&r, &g, &b);
    EXPECT_LE(r, 1);
    EXPECT_GE(g, 65534);
    EXPECT_GE(b, 65534);

    ctx.params.hue = 0;
    ctx.params.saturation = 0;
    ctx.constants = MakeDevelopConstants(ctx.params, 0, {});
    r = 60000, g = 20000, b = 10000;
    ctx.ToneColorPixel(&r, &g, &b);
    EXPECT_EQ(r, g);
    EXPECT_EQ(g, b);
}

// ---------------------------------------------------------------------------

TEST(GreenEnhancer, PeakAtHalfPiAndHalvedAtLevelTwo)
{
    const float h = 1.5707964f, s = 0.8f, l = 0.5f;
    const float e = s * l * 1.0471976f;
    for (int level : {1, 2}) {
        const float k = level == 2 ? 0.5f : 1.0f;
        float r = 0.5f, g = 0.5f, b = 0.5f;
        ApplyGreenEnhancer(level, h, s, l, &r, &g, &b);
        EXPECT_NEAR(r, 0.5f + 0.2f * e * k, 1e-6f);
        EXPECT_NEAR(g, 0.5f + 0.5f * e * k, 1e-6f);
        EXPECT_NEAR(b, 0.5f - 0.2f * e * k, 1e-6f);
    }
    float r = 0.5f, g = 0.5f, b = 0.5f;
    ApplyGreenEnhancer(1, 0.3f, s, l, &r, &g, &b); // outside pi/6 .. 5 pi/6
    ApplyGreenEnhancer(0, h, s, l, &r, &g, &b);    // off
    EXPECT_EQ(r, 0.5f);
    EXPECT_EQ(g, 0.5f);
    EXPECT_EQ(b, 0.5f);
}

struct SelectiveCase {
    const char* name;
    int range;
    int row[4];
    float hue, saturation, lightness; // HLS
    float expected[3];
};

TEST(SelectiveColor, PureHuesAndGrey)
{
    const float w = 0.5f * 1.0471976f; // s x l x pi / 3 at the centre of a range
    const SelectiveCase cases[] = {
        {"red less red", SelectiveColorTable::Reds, {-100, 0, 0, 0}, 0.0f, 1.0f, 0.5f, {1.0f - w, 0, 0}},
        // Red cannot drop below the middle channel.
        {"red below the others", SelectiveColorTable::Reds, {-200, 0, 0, 0}, 0.0f, 1.0f, 0.5f, {0, 0, 0}},
        {"red adds blue", SelectiveColorTable::Reds, {0, 0, 50, 0}, 0.0f, 1.0f, 0.5f, {1, 0, 0.5f * w}},
        {"green adds red", SelectiveColorTable::Greens, {50, 0, 0, 0}, 2.0f * 1.0471976f, 1.0f, 0.5f, {0.5f * w, 1, 0}},
        {"green darker", SelectiveColorTable::Greens, {0, 0, 0, -50}, 2.0f * 1.0471976f, 1.0f, 0.5f, {0, 1 - 0.5f * w, 0}},
        {"blue of another range untouched", SelectiveColorTable::Greens, {50, 50, 50, 50}, 4.0f * 1.0471976f, 1.0f, 0.5f,
         {0, 0, 1}},
        {"grey gets the grey row", SelectiveColorTable::Grays, {10, -10, 0, 0}, 0.0f, 0.0f, 0.5f, {0.6f, 0.4f, 0.5f}},
        {"grey skips hue ranges", SelectiveColorTable::Reds, {50, 50, 50, 50}, 0.0f, 0.0f, 0.5f, {0.5f, 0.5f, 0.5f}},
        {"whites", SelectiveColorTable::Whites, {0, 0, -50, 0}, 0.0f, 0.0f, 0.75f, {0.75f, 0.75f, 0.5f}},
        {"blacks", SelectiveColorTable::Blacks, {0, 0, 0, 50}, 0.0f, 0.0f, 0.25f, {0.5f, 0.5f, 0.5f}},
    };
    for (const auto& c : cases) {
        SelectiveColorTable t;
        for (int k = 0; k < 4; ++k)
            t.rows[c.range][k] = c.row[k];
        float r, g, b;
        ApplySelectiveColor(c.hue, c.saturation, c.lightness, &r, &g, &b, t, true, 0, HueModel::HLS);
        EXPECT_NEAR(r, c.expected[0], 1e-5f) << c.name;
        EXPECT_NEAR(g, c.expected[1], 1e-5f) << c.name;
        EXPECT_NEAR(b, c.expected[2], 1e-5f) << c.name;

        // Disabled, the same call is only the conversion back to RGB.
        float r0, g0, b0, r1, g1, b1;
        HSIToRGB(c.hue, c.saturation, c.lightness, &r0, &g0, &b0, HueModel::HLS);
        ApplySelectiveColor(c.hue, c.saturation, c.lightness, &r1, &g1, &b1, t, false, 0, HueModel::HLS);
        EXPECT_EQ(r1, r0) << c.name;
        EXPECT_EQ(g1, g0) << c.name;
        EXPECT_EQ(b1, b0) << c.name;
    }
}

TEST(SelectiveColor, HueOutsideTheTurnGivesBlackNotGarbage)
{
    SelectiveColorTable t;
    float r = 7, g = 7, b = 7;
    ApplySelectiveColor(8.0f, 1.0f, 0.5f, &r, &g, &b, t, false, 0, HueModel::HLS);
    EXPECT_EQ(r, 0.0f);
    EXPECT_EQ(g, 0.0f);
    EXPECT_EQ(b, 0.0f);
}

// ---------------------------------------------------------------------------

class DocumentContext : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingHost host;
};

TEST_F(DocumentContext, SnapshotOfSwitchesTablesAndImage)
{
    CVelmoDoc doc(&host);
    test::EditImage(doc, [&](RawImage& img) {
        img.whiteLevel = 4095;
        img.maxGreen = 4000;
        img.exrMode = 2;
        img.exrExtra = 8;
        img.exrBits = 2;
    });
    doc.Edit().SetSwitch(SwitchId::UseHLS, 0);
    doc.Edit().SetSwitch(SwitchId::UseOldUI, 1);
    doc.Edit().SetFeature(FeatureKind::SelectiveColors, 1);
    SelectiveColorTable t;
    t.rows[SelectiveColorTable::Blues][2] = 42;
    doc.Edit().SetSelectiveColors(t);

    const DevelopContext ctx = doc.PrepareDevelopment();
    EXPECT_EQ(ctx.params, doc.Edit().Params());
    ASSERT_TRUE(ctx.tone);
    ASSERT_TRUE(ctx.freeCurve);
    EXPECT_EQ(ctx.hueModel, HueModel::HSV);
    EXPECT_TRUE(ctx.selectiveColorOn);
    EXPECT_EQ(ctx.selectiveColors, t);
    EXPECT_EQ(ctx.EffectiveNR(), 0);
    EXPECT_EQ(ctx.whiteLevel, 4095);
    EXPECT_EQ(ctx.peakRaw, 4000.0f);
    EXPECT_EQ(ctx.rDivisor, 8);
    EXPECT_EQ(ctx.exrBits, 2);

    // Later edits do not reach a context already taken.
    doc.Edit().SetSwitch(SwitchId::UseHLS, 1);
    doc.Edit().SetSelectiveColors(SelectiveColorTable{});
    EXPECT_EQ(ctx.hueModel, HueModel::HSV);
    EXPECT_EQ(ctx.selectiveColors, t);
}

// The RAF presets' custom and colour-temperature rows come from the record
// a context is made with (a snapshot or a batch record as well as the live
// one), not from whatever the last white-balance command left behind.
TEST_F(DocumentContext, RafTemperatureAndCustomRowsFollowTheRecord)
{
    CVelmoDoc doc(&host);
    test::EditImage(doc, [&](RawImage& img) {
        img.whiteLevel = 16383;
        img.wbUnit = 64;
        const uint16_t rows[2][4] = {{300, 450, 300, 600}, {300, 500, 302, 400}};
        std::copy(rows[0], rows[0] + 4, img.rafPresets.rows[0]);
        std::copy(rows[1], rows[1] + 4, img.rafPresets.rows[1]);
    });
    doc.Edit().SetSwitch(SwitchId::UseRafWB, 1);
    doc.Edit().ModifyParams([](DevParams& p) {
        p.iEnhColor = 0; // the gains in one step
        p.WBfineTune = 0;
    });
    const RafWhiteBalancePresets loaded = doc.Image().rafPresets;
    for (int preset : {RafWhiteBalancePresets::kCustomRow, RafWhiteBalancePresets::kTemperatureRow}) {
        SCOPED_TRACE(preset);
        doc.SetWhiteBalance(preset, 0, 3000);
        DevParams other = doc.Edit().Params();
        other.wbTempt = 8000;
        other.customWB1 = 300;
        other.customWB2 = 100;
        other.customWB3 = 40;
        for (const DevParams& record : {doc.Edit().Params(), other}) {
            const RafWhiteBalancePresets run = EditedRafPresets(loaded, record, doc.FamilyTables()[1]);
            const uint16_t* row = run.rows[preset];
            const float expected[3] = {row[1] / 64.0f, (row[0] + row[2]) / 2.0f / 64.0f, row[3] / 64.0f};
            const DevelopContext ctx = doc.PrepareDevelopment(record);
            for (int c = 0; c < 3; ++c)
                EXPECT_FLOAT_EQ(ctx.constants.wb.first[c], expected[c]) << c;
        }
        // The two records give two rows.
        EXPECT_NE(doc.PrepareDevelopment(other).constants.wb.first[0],
                  doc.PrepareDevelopment().constants.wb.first[0]);
    }
}

TEST_F(DocumentContext, NeutralGreyStaysNeutralUnderDefaults)
{
    CVelmoDoc doc(&host);
    test::EditImage(doc, [&](RawImage& img) {
        img.whiteLevel = 16383;
        img.maxGreen = 16383;
    });
    for (int rafWB : {0, 1}) {
        doc.Edit().SetSwitch(SwitchId::UseRafWB, rafWB);
        doc.SetDefaultParameters();
        DevelopContext ctx = doc.PrepareDevelopment();
        for (uint16_t v : {uint16_t(0), uint16_t(1000), uint16_t(20000), uint16_t(45000), uint16_t(65535)}) {
            uint16_t r = v, g = v, b = v;
            ctx.ToneColorPixel(&r, &g, &b);
            EXPECT_EQ(r, g) << rafWB << " " << v;
            EXPECT_EQ(g, b) << rafWB << " " << v;
        }
        // Without white balance a linear grey also stays grey.
        ctx.params.whiteBalance = -1;
        float r = 0.3f, g = 0.3f, b = 0.3f;
        ctx.ColorPixel(&r, &g, &b);
        EXPECT_EQ(r, g);
        EXPECT_EQ(g, b);
    }
}

} // namespace
} // namespace velmo
