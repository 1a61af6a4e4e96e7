#include "develop/context/DevelopContext.h"
#include "raw/WhiteBalanceData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace velmo {
namespace {

constexpr float kTol = 1e-5f;

// A family table whose reference row 0 is (200, 255, 100 | 250, 255, 125) and
// whose presets differ per row, and RAF presets G, R, G, B with unit 64.
struct GainsFixture : ::testing::Test {
    FamilyWhiteBalanceTable family;
    RafWhiteBalancePresets presets;

    void SetUp() override
    {
        using C = FamilyWhiteBalanceTable::Column;
        for (int r = 0; r < FamilyWhiteBalanceTable::kRows; ++r) {
            int32_t* row = family.rows[r];
            row[C::R] = 200 + 5 * r;
            row[C::G] = 255;
            row[C::B] = 100 + 10 * r;
            row[C::R2] = 250;
            row[C::G2] = 255;
            row[C::B2] = 125;
        }
        for (int r = 0; r < RafWhiteBalancePresets::kRows; ++r) {
            uint16_t* row = presets.rows[r];
            row[0] = uint16_t(64 + r);
            row[1] = uint16_t(96 + 2 * r);
            row[2] = uint16_t(66 + r);
            row[3] = uint16_t(80 + 3 * r);
        }
    }

    WhiteBalanceSource Source(bool useRafWB) const
    {
        WhiteBalanceSource s;
        s.family = &family;
        s.presets = &presets;
        s.unit = 64;
        s.useRafWB = useRafWB;
        return s;
    }

    static DevParams Params(int preset, int vivid)
    {
        DevParams p{};
        p.whiteBalance = preset;
        p.iEnhColor = vivid;
        return p;
    }
};

void ExpectGains(const float* actual, const float (&expected)[3], const std::string& what)
{
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(actual[c], expected[c], kTol) << what << " channel " << c;
}

TEST_F(GainsFixture, HandComputedPresets)
{
    struct Case {
        bool useRafWB;
        int preset;
        int vivid;
        float first[3];
        float second[3];
    } cases[] = {
        // Family tables: row r over the reference (250, 255, 125).
        {false, 0, 0, {0.8f, 1.0f, 0.8f}, {1, 1, 1}},
        {false, 4, 0, {220.0f / 250, 1.0f, 140.0f / 125}, {1, 1, 1}},
        // Vivid colour: first gains the reference, second the rest of the way.
        {false, 4, 1, {0.8f, 1.0f, 0.8f}, {220.0f / 200, 1.0f, 140.0f / 100}},
        // RAF presets: R = P[1] / 64, G = mean of the greens / 64, B = P[3] / 64.
        {true, 0, 0, {1.5f, 65.0f / 64, 1.25f}, {1, 1, 1}},
        {true, 11, 0, {118.0f / 64, 76.0f / 64, 113.0f / 64}, {1, 1, 1}},
        {true, 11, 2, {0.8f, 1.0f, 0.8f}, {118.0f / 64 / 0.8f, 76.0f / 64, 113.0f / 64 / 0.8f}},
        // No white balance.
        {false, -1, 0, {1, 1, 1}, {1, 1, 1}},
        {true, -1, 1, {1, 1, 1}, {1, 1, 1}},
    };
    for (const auto& c : cases) {
        const WhiteBalanceGains g = ComputeWhiteBalanceGains(Params(c.preset, c.vivid), Source(c.useRafWB));
        const std::string what = std::string(c.useRafWB ? "raf " : "family ") + std::to_string(c.preset) + " vivid " +
                                 std::to_string(c.vivid);
        ExpectGains(g.first, c.first, what + " first");
        ExpectGains(g.second, c.second, what + " second");
    }
}

// For every preset of both sources, vivid colour splits the gains in two
// whose product is the gains without it.
TEST_F(GainsFixture, EveryPresetBothModesVividSplitKeepsTheProduct)
{
    for (bool useRafWB : {false, true}) {
        const int rows = useRafWB ? RafWhiteBalancePresets::kRows : FamilyWhiteBalanceTable::kRows;
        for (int preset = 0; preset < rows; ++preset) {
            const WhiteBalanceGains plain = ComputeWhiteBalanceGains(Params(preset, 0), Source(useRafWB));
            for (int vivid : {1, 2}) {
                const WhiteBalanceGains split = ComputeWhiteBalanceGains(Params(preset, vivid), Source(useRafWB));
                for (int c = 0; c < 3; ++c) {
                    EXPECT_NEAR(split.first[c] * split.second[c], plain.first[c], kTol)
                        << useRafWB << " preset " << preset << " channel " << c;
                    EXPECT_EQ(plain.second[c], 1.0f);
                }
            }
        }
    }
}

TEST_F(GainsFixture, RealFamilyTablesGiveFiniteGains)
{
    const FamilyWhiteBalanceTables& tables = NormalizedFamilyTables();
    for (int f = 0; f < kFamilyTableCount; ++f) {
        WhiteBalanceSource s = Source(false);
        s.family = &tables[f];
        for (int preset = 0; preset < FamilyWhiteBalanceTable::kRows; ++preset)
            for (int vivid : {0, 1}) {
                const WhiteBalanceGains g = ComputeWhiteBalanceGains(Params(preset, vivid), s);
                for (int c = 0; c < 3; ++c) {
                    EXPECT_TRUE(std::isfinite(g.first[c]) && std::isfinite(g.second[c]))
                        << "family " << f << " preset " << preset;
                }
            }
    }
}

TEST_F(GainsFixture, PresetBeyondTheTableCountsAsZero)
{
    struct Case {
        bool useRafWB;
        int preset;
    } cases[] = {{false, 13}, {false, 1000}, {true, 32}, {true, 0x7fffffff}};
    for (const auto& c : cases) {
        const WhiteBalanceGains g = ComputeWhiteBalanceGains(Params(c.preset, 0), Source(c.useRafWB));
        const WhiteBalanceGains zero = ComputeWhiteBalanceGains(Params(0, 0), Source(c.useRafWB));
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(g.first[ch], zero.first[ch]) << c.preset;
    }
}

TEST_F(GainsFixture, ZeroDivisorsGiveUnitGain)
{
    using C = FamilyWhiteBalanceTable::Column;
    family.rows[0][C::R2] = 0;
    family.rows[0][C::R] = 0;
    WhiteBalanceGains g = ComputeWhiteBalanceGains(Params(3, 1), Source(false));
    EXPECT_EQ(g.first[0], 1.0f);
    EXPECT_EQ(g.second[0], 1.0f);
    WhiteBalanceSource s = Source(true);
    s.unit = 0;
    g = ComputeWhiteBalanceGains(Params(3, 0), s);
    for (float v : g.first)
        EXPECT_EQ(v, 1.0f);
}

TEST_F(GainsFixture, FineTuneScalesTheTripleThatCarriesThePreset)
{
    for (bool useRafWB : {false, true}) {
        for (int vivid : {0, 1}) {
            DevParams p = Params(2, vivid);
            const WhiteBalanceGains before = ComputeWhiteBalanceGains(p, Source(useRafWB));
            p.WBfineTune = 1;
            p.WBfineTuneR = 10;
            p.WBfineTuneG = 0;
            p.WBfineTuneB = -20;
            const WhiteBalanceGains after = ComputeWhiteBalanceGains(p, Source(useRafWB));
            const float* carrierBefore = vivid ? before.second : before.first;
            const float* carrierAfter = vivid ? after.second : after.first;
            EXPECT_NEAR(carrierAfter[0], carrierBefore[0] * 1.1f, kTol);
            EXPECT_NEAR(carrierAfter[1], carrierBefore[1], kTol);
            EXPECT_NEAR(carrierAfter[2], carrierBefore[2] * 0.8f, kTol);
            const float* otherAfter = vivid ? after.first : after.second;
            const float* otherBefore = vivid ? before.first : before.second;
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(otherAfter[c], otherBefore[c]);
        }
    }
}

TEST(DevelopConstants, DerivedValues)
{
    DevParams p{};
    p.gamma = 2.0f;
    p.gammaSR = 2.0f;
    p.gammaSR2 = 0.7f;
    p.sensitize = 0.5f;
    p.linearSR = 70;
    p.hue = 50;
    p.saturation = 120;
    p.brightness = 20;
    p.iEnhGreen = 2;
    p.twoFrames = 1;
    p.typeSR = 6;
    DevelopConstants c = MakeDevelopConstants(p, 1, {});
    EXPECT_FLOAT_EQ(c.curveExponent, 0.5f);
    EXPECT_FLOAT_EQ(c.logNorm, std::log(1.5f));
    EXPECT_FLOAT_EQ(c.gain, std::pow(2.0f, 1.5f));
    EXPECT_FLOAT_EQ(c.linearThreshold, 0.7f);
    EXPECT_FLOAT_EQ(c.linearRWeight, 0.7f);
    EXPECT_EQ(c.linearSR, 1);
    EXPECT_FLOAT_EQ(c.rExponent, 0.5f);
    EXPECT_FLOAT_EQ(c.hueShift, 6.2831855f / 4.0f);
    EXPECT_FLOAT_EQ(c.saturationFactor, 1.2f);
    EXPECT_FLOAT_EQ(c.brightness, 0.2f);
    EXPECT_EQ(c.greenEnhancer, 2);

    p.bGammaLog = 1;
    p.easySR = 1;
    c = MakeDevelopConstants(p, 0, {});
    EXPECT_FLOAT_EQ(c.curveExponent, 15.0f);
    EXPECT_EQ(c.linearSR, 0);
    EXPECT_FLOAT_EQ(c.rExponent, 0.8333333f);
}

} // namespace
} // namespace velmo
