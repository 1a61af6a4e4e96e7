#include "develop/context/DevelopContext.h"
#include "develop/context/MakeContext.h"
#include "develop/context/ToneLut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace velmo {
namespace {

DevParams ToneParams(float gamma, int logMode, int contrast, int brightness)
{
    DevParams p{};
    p.gamma = gamma;
    p.bGammaLog = logMode;
    p.contrast = contrast;
    p.brightness = brightness;
    p.saturation = 100;
    p.gammaSR = 1.0f;
    p.whiteBalance = -1;
    return p;
}

std::shared_ptr<const ToneTables> TablesFor(const DevParams& p)
{
    const DevelopConstants c = MakeDevelopConstants(p, 0, {});
    return BuildToneTables(c.ToneKey(p.bGammaLog), c.gain);
}

TEST(ToneLut, GammaCurveKeepsBlackAndWhite)
{
    const auto t = TablesFor(ToneParams(1.8f, 0, 0, 0));
    EXPECT_EQ(t->toneLut16[0], 0);
    EXPECT_EQ(t->toneLut16[65535], 65535);
    // The slope is tan(45 deg) with pi written 3.141592: just below 1.
    EXPECT_LT(t->key.contrastSlope, 1.0f);
    EXPECT_GT(t->key.contrastSlope, 0.99999f);
    EXPECT_NEAR(t->toneLut[32768], std::pow(32768.0f / 65535.0f, 1.0f / 1.8f), 1e-5f);
    for (int i = 1; i < 65536; ++i)
        ASSERT_GE(t->toneLut16[i], t->toneLut16[i - 1]) << i;
}

TEST(ToneLut, BrightnessRaisesEveryEntryAndClampsAtWhite)
{
    const auto base = TablesFor(ToneParams(1.8f, 0, 0, 0));
    const auto bright = TablesFor(ToneParams(1.8f, 0, 0, 10));
    for (int i = 0; i < 65536; i += 97)
        EXPECT_NEAR(bright->toneLut[i], std::min(1.0f, base->toneLut[i] + 0.1f), 2e-6f) << i;
    EXPECT_EQ(bright->toneLut16[0], 6554);
    EXPECT_EQ(bright->toneLut[65535], 1.0f);
}

TEST(ToneLut, ContrastSlopeTable)
{
    struct Case {
        int contrast;
        double degrees;
    } cases[] = {{0, 45}, {100, 89}, {-100, 1}, {50, 67}};
    for (const auto& c : cases) {
        const DevelopConstants k = MakeDevelopConstants(ToneParams(1.0f, 0, c.contrast, 0), 0, {});
        EXPECT_NEAR(k.contrastSlope, std::tan(c.degrees * 3.141592 / 180.0), 1e-4 * std::tan(c.degrees * 3.141592 / 180.0))
            << c.contrast;
        EXPECT_NEAR(k.contrastOffset, 0.5f - 0.5f * k.contrastSlope, 1e-5f) << c.contrast;
    }
    // Steep contrast clips both ends around the mid grey.
    const auto steep = TablesFor(ToneParams(1.0f, 0, 100, 0));
    EXPECT_EQ(steep->toneLut16[31000], 0);
    EXPECT_NEAR(steep->toneLut16[32768], 32768, 64);
    EXPECT_EQ(steep->toneLut16[34500], 65535);
}

TEST(ToneLut, LogModeWithGammaOneIsTheIdentity)
{
    const auto t = TablesFor(ToneParams(1.0f, 1, 0, 0));
    EXPECT_EQ(t->key.logNorm, 0.0f);
    for (int i = 0; i < 65536; ++i)
        ASSERT_NEAR(t->toneLut16[i], i, 1) << i;
}

TEST(ToneLut, ZeroGammaIsGuarded)
{
    for (int logMode : {0, 1}) {
        DevParams p = ToneParams(0.0f, logMode, 0, 0);
        p.gammaSR = 0.0f;
        p.twoFrames = 1;
        const DevelopConstants c = MakeDevelopConstants(p, 0, {});
        EXPECT_TRUE(std::isfinite(c.curveExponent)) << logMode;
        EXPECT_TRUE(std::isfinite(c.logNorm)) << logMode;
        EXPECT_TRUE(std::isfinite(c.rExponent)) << logMode;
        const auto t = BuildToneTables(c.ToneKey(logMode), c.gain);
        for (int i = 0; i < 65536; ++i)
            ASSERT_TRUE(t->toneLut[i] >= 0.0f && t->toneLut[i] <= 1.0f) << logMode << " " << i;
    }
}

TEST(ToneLut, NaNKeyGivesBlackNotGarbage)
{
    ToneCurveKey k;
    k.curveExponent = NAN;
    k.logNorm = 1.0f;
    k.contrastSlope = 1.0f;
    k.contrastOffset = 0.0f;
    EXPECT_FALSE(k.Matches(k));
    const auto t = BuildToneTables(k, 1.0f);
    EXPECT_EQ(t->toneLut16[1000], 0);
    EXPECT_EQ(t->toneLut[1000], 0.0f);
}

// The kept set is reused while only exposure, white balance, hue or
// saturation change, and replaced (never rewritten) when the curve changes.
TEST(ToneLut, RebuiltOnlyWhenTheCurveChanges)
{
    DevelopTables tables;
    DevParams p = ToneParams(2.2f, 0, 10, 5);
    auto acquire = [&](const DevParams& q) {
        const DevelopConstants c = MakeDevelopConstants(q, 0, {});
        return tables.Tone(c.ToneKey(q.bGammaLog), c.gain);
    };
    const uint64_t before = tables.ToneBuilds();
    const auto first = acquire(p);
    EXPECT_EQ(tables.ToneBuilds(), before + 1);

    DevParams same = p;
    same.sensitize = 1.5f;
    same.whiteBalance = 3;
    same.hue = 20;
    same.saturation = 140;
    EXPECT_EQ(acquire(same), first);
    EXPECT_EQ(tables.ToneBuilds(), before + 1);

    const ToneTables snapshot = *first;
    struct Change {
        const char* what;
        void (*apply)(DevParams&);
    } changes[] = {
        {"gamma", [](DevParams& q) { q.gamma = 1.8f; }},
        {"contrast", [](DevParams& q) { q.contrast = 11; }},
        {"brightness", [](DevParams& q) { q.brightness = 6; }},
        {"log mode", [](DevParams& q) { q.bGammaLog = 1; }},
    };
    uint64_t expected = before + 1;
    for (const auto& c : changes) {
        DevParams q = p;
        c.apply(q);
        const auto t = acquire(q);
        EXPECT_NE(t, first) << c.what;
        EXPECT_EQ(tables.ToneBuilds(), ++expected) << c.what;
        EXPECT_EQ(acquire(q), t) << c.what;
        EXPECT_EQ(tables.ToneBuilds(), expected) << c.what;
    }
    // A run that took the first set still reads it unchanged.
    EXPECT_EQ(0, std::memcmp(first->toneLut16, snapshot.toneLut16, sizeof snapshot.toneLut16));
}

// Gamma mode and log mode can give the same four numbers; the mode is part of
// the key so that switching it always rebuilds.
TEST(ToneLut, ModeIsPartOfTheKey)
{
    DevelopTables tables;
    ToneCurveKey k;
    k.curveExponent = 0.5f;
    k.logNorm = std::log(1.5f);
    k.contrastSlope = 1.0f;
    k.contrastOffset = 0.0f;
    const auto gammaMode = tables.Tone(k, 1.0f);
    k.logMode = 1;
    const auto logMode = tables.Tone(k, 1.0f);
    EXPECT_NE(gammaMode, logMode);
    EXPECT_NE(gammaMode->toneLut16[16384], logMode->toneLut16[16384]);
}

} // namespace
} // namespace velmo
