#include "develop/context/DevelopContext.h"
#include "develop/preview/Magnifier.h"
#include "document/AutoChromaticCorrect.h"
#include "tests/develop/MagnifierTestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <set>
#include <utility>

namespace velmo {
namespace {

// A neutral pattern of soft spots whose red and blue planes are displaced
// the way the lens model displaces them for chromaRed = red and chromaBlue =
// blue, so that the lens correction with those values puts them back on the
// green plane. (The model samples a channel at c + (p - c)(1 - |p - c| k /
// rmax) for the output point p, with k = value x 0.0001, c the frame's centre
// and rmax half its diagonal; the planes hold the scene at the inverse of
// that mapping.) The scene is smooth so that the bilinear resampling of the
// lens pass adds little fringe of its own.
void FringedImage(CVelmoDoc& doc, int w, int h, int red, int blue)
{
    RawImage img;
    img.cameraFamily = doc.CameraFamily();
    img.imageWidth = w;
    img.imageHeight = h;
    img.whiteLevel = 16383;
    img.maxGreen = 16000;
    img.bayerFlag = 1;
    img.mainImage.resize(size_t(w) * size_t(h) * 3);

    const double cx = w * 0.5, cy = h * 0.5;
    const double rmax = std::sqrt(double(w) * w + double(h) * h) * 0.5;
    const double pi = 3.14159265358979;
    auto wave = [&](double u) { return std::sin(2.0 * pi * u / 32.0); };
    auto scene = [&](double x, double y) { return 0.5 + 0.4 * wave(x) * wave(y); };
    // The scene at the point that the lens with coefficient k maps to (x, y).
    auto displaced = [&](double k, double x, double y) {
        const double e = std::hypot(x - cx, y - cy);
        double d = e;
        for (int i = 0; i < 8; ++i)
            d = e / (1.0 - d * k / rmax);
        const double f = e > 0.0 ? d / e : 1.0;
        return scene(cx + (x - cx) * f, cy + (y - cy) * f);
    };
    const double kRed = red * 0.0001, kBlue = blue * 0.0001;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint16_t* p = &img.mainImage[(size_t(y) * size_t(w) + size_t(x)) * 3];
            p[0] = uint16_t(displaced(kRed, x, y) * 16383.0 + 0.5);
            p[1] = uint16_t(scene(x, y) * 16383.0 + 0.5);
            p[2] = uint16_t(displaced(kBlue, x, y) * 16383.0 + 0.5);
        }
    doc.AdoptImage(std::move(img));
    doc.Edit().SetField(ParamField::twoFrames, 0);
}

class AutoChromatic : public ::testing::Test, protected test::MagnifierDoc {
protected:
    // The colour steps and the luma and colour-window passes run before the
    // lens pass and mix the channels, which moves the best values by a unit
    // or so; kept neutral here, the known shift is the optimum.
    void SetUp() override
    {
        doc.Edit().SetField(ParamField::honeycomb, 0);
        doc.Edit().SetField(ParamField::saturation, 100);
    }
};

TEST_F(AutoChromatic, TrialScoresTheBorderWithoutTouchingTheLensRecord)
{
    FringedImage(doc, 512, 384, 23, -9);
    doc.SetSizeMode(8);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    LensCorrectionSettings record = DefaultLensCorrection();
    record.chromaRed = 3;
    doc.Edit().SetLens(record);

    for (int rotate : {0, 1, 2}) {
        SCOPED_TRACE("rotate " + std::to_string(rotate));
        doc.Edit().SetField(ParamField::rotate, rotate);
        std::vector<std::pair<int, int>> origins;
        host.onBitmap = [&] { origins.push_back({doc.MagnifierOriginX(), doc.MagnifierOriginY()}); };
        const int centres = host.centres;
        const DevelopContext base = doc.PrepareDevelopment();
        const FringeSums right = ScoreChromaticTrial(doc, base, 23, -9);
        ASSERT_EQ(origins.size(), 16u);
        EXPECT_EQ(host.centres, centres + 16);
        EXPECT_FALSE(doc.MagnifierKeepsInside());
        // Every square lies inside the picture and touches its border; together
        // they reach all four sides.
        std::set<int> sides;
        for (const auto& [x, y] : origins) {
            EXPECT_TRUE(x >= 0 && x <= 256 && y >= 0 && y <= 128) << x << "," << y;
            EXPECT_TRUE(x == 0 || x == 256 || y == 0 || y == 128) << x << "," << y;
            if (x == 0)
                sides.insert(0);
            if (x == 256)
                sides.insert(1);
            if (y == 0)
                sides.insert(2);
            if (y == 128)
                sides.insert(3);
        }
        EXPECT_EQ(sides.size(), 4u);
        host.onBitmap = nullptr;
        EXPECT_EQ(doc.Edit().Lens(), record);
        if (rotate != 0)
            continue;
        const FringeSums offRed = ScoreChromaticTrial(doc, base, 20, -9);
        const FringeSums offBlue = ScoreChromaticTrial(doc, base, 23, -6);
        EXPECT_LT(right.red, offRed.red);
        EXPECT_LT(right.blue, offBlue.blue);
        EXPECT_EQ(right.red, offBlue.red); // each channel scores by itself
        EXPECT_EQ(doc.Edit().Lens(), record);
    }

    // A stop before the fifth render ends the trial with what was gathered.
    int asked = 0;
    ScoreChromaticTrial(doc, doc.PrepareDevelopment(), 0, 0, [&](int point) {
        EXPECT_EQ(point, asked);
        return ++asked > 4;
    });
    EXPECT_EQ(asked, 5);
}

TEST_F(AutoChromatic, CommandFindsAKnownRadialShift)
{
    FringedImage(doc, 512, 384, 23, -9);
    doc.SetSizeMode(11); // preview size of a Bayer-type sensor
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 512);
    LensCorrectionSettings record = DefaultLensCorrection();
    record.chromaRed = 60;
    record.chromaBlue = -60;
    record.vignetteMidpoint = 20;
    doc.Edit().SetLens(record);
    doc.SetMagnifierCentre(300, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 100);
    host.sizes.clear();

    doc.OnAutoChromaticCorrect();

    const LensCorrectionSettings found = doc.Edit().Lens();
    EXPECT_NEAR(found.chromaRed, 23, 1);
    EXPECT_NEAR(found.chromaBlue, -9, 1);
    LensCorrectionSettings others = found;
    others.chromaRed = record.chromaRed;
    others.chromaBlue = record.chromaBlue;
    EXPECT_EQ(others, record);

    // The preparations stay in force.
    EXPECT_EQ(doc.Output().sizeMode, 8);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 1);
    ASSERT_EQ(host.toggled.size(), 1u);
    EXPECT_EQ(host.toggled[0].kind, FeatureKind::LensCorrection);
    EXPECT_TRUE(host.toggled[0].enabled);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::MagnifierSize), 256);
    EXPECT_EQ(host.sizes, std::vector<int>{256});

    // Progress n x 100 / 352 for every render; the last render is the
    // magnifier back at its centre.
    ASSERT_FALSE(host.percents.empty());
    EXPECT_LE(host.percents.size(), 352u);
    for (size_t i = 0; i < host.percents.size(); ++i)
        EXPECT_EQ(host.percents[i], int(i) * 100 / 352);
    EXPECT_EQ(host.percents.size() % 16, 0u);
    EXPECT_EQ(host.bitmaps, 1 + int(host.percents.size()) + 1);
    EXPECT_EQ(doc.MagnifierX(), 300);
    EXPECT_EQ(doc.MagnifierY(), 100);
    EXPECT_EQ(doc.MagnifierOriginX(), 300 - 128);
    EXPECT_EQ(doc.MagnifierOriginY(), 100 - 128);

    EXPECT_EQ(host.begins, 1);
    EXPECT_EQ(host.ends, 1);
    ASSERT_EQ(host.statuses.size(), 1u);
    EXPECT_TRUE(std::regex_match(host.statuses[0], std::regex(R"(Auto chrmatic correction\(\d+\.\d\dsec\.\))")))
        << host.statuses[0];
    EXPECT_NE(std::find(host.refreshed.begin(), host.refreshed.end(), FeatureKind::LensCorrection),
              host.refreshed.end());
    EXPECT_EQ(doc.PumpsMessages(), 0);
}

TEST_F(AutoChromatic, AbortStopsTheRenders)
{
    FringedImage(doc, 512, 384, 23, -9);
    doc.SetSizeMode(8);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    doc.Edit().SetFeature(FeatureKind::LensCorrection, 1);
    doc.SetMagnifierCentre(256, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 192);
    host.abortAfter = 20;

    doc.OnAutoChromaticCorrect();

    // 20 renders, the 21st report sees the abort and nothing more is rendered
    // but the magnifier at its centre.
    EXPECT_EQ(host.percents.size(), 21u);
    EXPECT_EQ(host.bitmaps, 20 + 1);
    EXPECT_TRUE(host.toggled.empty());
    EXPECT_TRUE(host.sizes.empty());
    ASSERT_EQ(host.statuses.size(), 1u);
    EXPECT_TRUE(std::regex_match(host.statuses[0], std::regex(R"(Aborted\.\(\d+\.\d\dsec\.\))"))) << host.statuses[0];
    EXPECT_EQ(host.ends, 1);
    EXPECT_EQ(doc.MagnifierX(), 256);
}

TEST_F(AutoChromatic, NothingWithoutAnImage)
{
    doc.OnAutoChromaticCorrect();
    EXPECT_EQ(host.begins, 0);
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_EQ(doc.Edit().Lens(), DefaultLensCorrection());
}

} // namespace
} // namespace velmo
