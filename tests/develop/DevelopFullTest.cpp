#include "develop/context/DevelopContext.h"
#include "develop/passes/DevelopFull.h"
#include "develop/passes/LensCorrection.h"
#include "document/VelmoDoc.h"
#include "params/LensCorrectionSettings.h"
#include "platform/core/ParallelRows.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace velmo {
namespace {


class Recording final : public IProgress {
public:
    explicit Recording(std::string stop = {}) : stopAt(std::move(stop)) {}
    int Report(int percent, const char* label) override
    {
        calls.emplace_back(percent, label ? label : "");
        if (!stopAt.empty() && label && stopAt == label)
            stopped = true;
        return stopped ? 1 : 0;
    }
    bool Saw(const std::string& label) const
    {
        return std::any_of(calls.begin(), calls.end(), [&](const auto& c) { return c.second == label; });
    }
    std::string stopAt;
    bool stopped = false;
    std::vector<std::pair<int, std::string>> calls;
};

// A document with a synthetic image: a gradient, blocks and noise, on a
// honeycomb sensor with two frames or a Bayer-type sensor.
class FullDoc {
public:
    FullDoc(int w, int h, bool bayer, unsigned seed)
    {
        doc.StopWorker();
        RawImage img;
        img.imageWidth = w;
        img.imageHeight = h;
        img.whiteLevel = 16383;
        img.maxGreen = 15000;
        img.bayerFlag = bayer ? 1 : 0;
        std::mt19937 rng(seed);
        std::normal_distribution<float> noise(0.0f, 500.0f);
        auto fill = [&](std::vector<uint16_t>& plane, float scale) {
            plane.resize(size_t(w) * h * 3);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c) {
                        float v = 1500.0f + 8000.0f * float(x + y) / float(w + h) + 1200.0f * float(c);
                        if ((x / 6 + y / 4) % 3 == 0)
                            v += 2500.0f * float(3 - c);
                        v = (v + noise(rng)) * scale;
                        plane[(size_t(y) * w + size_t(x)) * 3 + size_t(c)] = uint16_t(std::clamp(v, 0.0f, 16383.0f));
                    }
        };
        fill(img.mainImage, 1.0f);
        if (!bayer)
            fill(img.secondFrame, 0.25f);
        doc.AdoptImage(std::move(img));
        doc.Edit().SetField(ParamField::twoFrames, bayer ? 0 : 1);
        doc.Edit().SetField(ParamField::honeycomb, 1);
        doc.Edit().SetSwitch(SwitchId::UseRafWB, 0);
        doc.Edit().SetFeature(FeatureKind::LensCorrection, 0);
    }

    // Median noise reduction (no normaliser of its own), softening,
    // sharpening and the colour window with its noise threshold.
    void FiltersOn()
    {
        doc.Edit().ModifyParams([&](DevParams& p) {
            p.bNR = 1;
            p.NR1 = 2;
            p.NR2 = 70;
            p.sharpness = 3;
            p.soften = 15;
            p.harden = 40;
            p.iColorNR = 2;
            p.iColorNRthreshold = 25;
        });
        doc.Edit().SetSwitch(SwitchId::UseOldUI, 0);
        doc.Edit().SetSwitch(SwitchId::UseOldNR, 1);
    }

    void Lens(const LensCorrectionSettings& s)
    {
        doc.Edit().SetLens(s);
        doc.Edit().SetFeature(FeatureKind::LensCorrection, 1);
    }

    RgbPlane Develop(int x, int y, int w, int h, DevelopStatus expect = DevelopStatus::Ok, IProgress* progress = nullptr)
    {
        RgbPlane image;
        NullProgress quiet;
        const DevelopStatus s = doc.DevelopFull(x, y, w, h, image, progress ? progress : &quiet);
        EXPECT_EQ(s, expect) << x << "," << y << " " << w << "x" << h << " mode " << doc.Output().sizeMode;
        return image;
    }
    RgbPlane Whole() { return Develop(0, 0, doc.Image().imageWidth, doc.Image().imageHeight); }

    test::ScopedSettings settings;
    CVelmoDoc doc;
};

// The outW x outH rectangle of `whole` at (x, y).
std::vector<uint16_t> Cut(const RgbPlane& whole, int x, int y, int w, int h)
{
    std::vector<uint16_t> out;
    for (int row = 0; row < h; ++row) {
        const uint16_t* p = whole.Pixel(x, y + row);
        out.insert(out.end(), p, p + size_t(w) * 3);
    }
    return out;
}

struct ModeCase {
    int mode;
    bool bayer;
};
const ModeCase kModes[] = {{0, false}, {1, false}, {2, false}, {8, true}, {9, true}, {10, true}};

LensCorrectionSettings BusyLens()
{
    LensCorrectionSettings s = DefaultLensCorrection();
    s.distortion = 120;
    s.chromaRed = 40;
    s.chromaBlue = -30;
    s.vignetteAmount = 30;
    s.vignetteMidpoint = 20;
    s.stretchX = 8;
    return s;
}

// ---------------------------------------------------------------------------

TEST(DevelopFull, OutputSizeOfEverySizeMode)
{
    struct Case {
        int mode, w, h;
    } cases[] = {{0, 74, 46}, {1, 55, 34}, {2, 37, 23}, {8, 37, 23}, {9, 27, 17}, {10, 18, 11}};
    for (const Case& c : cases) {
        int w = 0, h = 0;
        ASSERT_TRUE(FullOutputSize(37, 23, c.mode, &w, &h)) << c.mode;
        EXPECT_EQ(w, c.w) << c.mode;
        EXPECT_EQ(h, c.h) << c.mode;

        FullDoc fd(60, 40, c.mode >= 8, 1);
        fd.doc.SetSizeMode(c.mode);
        for (bool lens : {false, true}) {
            if (lens)
                fd.Lens(BusyLens());
            const RgbPlane img = fd.Develop(5, 7, 37, 23);
            EXPECT_EQ(img.width, c.w) << c.mode << " lens " << lens;
            EXPECT_EQ(img.height, c.h) << c.mode << " lens " << lens;
            EXPECT_EQ(img.rgb.size(), size_t(c.w) * c.h * 3);
        }
    }
    int w = 0, h = 0;
    EXPECT_FALSE(FullOutputSize(37, 23, 3, &w, &h));
    EXPECT_FALSE(FullOutputSize(37, 23, 11, &w, &h));
    EXPECT_FALSE(FullOutputSize(-1, 23, 2, &w, &h));
    EXPECT_FALSE(FullOutputSize(1 << 30, 23, 0, &w, &h)); // twice that is no int
}

TEST(DevelopFull, AllZeroLensIsNoLens)
{
    LensCorrectionSettings zero{};
    LensCorrectionSettings onlyStretch = DefaultLensCorrection();
    onlyStretch.stretchX = 40; // moves the centre, but with nothing to correct
    for (const ModeCase& m : {kModes[0], kModes[1], kModes[4]}) {
        FullDoc fd(48, 36, m.bayer, 2);
        fd.FiltersOn();
        fd.doc.SetSizeMode(m.mode);
        const RgbPlane whole = fd.Whole();
        const RgbPlane crop = fd.Develop(8, 4, 24, 20);
        for (const LensCorrectionSettings& s : {zero, DefaultLensCorrection(), onlyStretch}) {
            fd.Lens(s);
            EXPECT_EQ(fd.Whole().rgb, whole.rgb) << "mode " << m.mode;
            EXPECT_EQ(fd.Develop(8, 4, 24, 20).rgb, crop.rgb) << "mode " << m.mode;
            fd.doc.Edit().SetFeature(FeatureKind::LensCorrection, 0);
        }
        // A lens that is set but switched off changes nothing either.
        fd.doc.Edit().SetLens(BusyLens());
        EXPECT_EQ(fd.Whole().rgb, whole.rgb);
    }
}

TEST(DevelopFull, CropIsTheSameRectangleOfTheWholeImage)
{
    // Crops in the middle, at each border and at a corner, at positions on
    // the size mode's grid (a multiple of 4 image pixels for every mode).
    struct Crop {
        int x, y, w, h;
    } crops[] = {{12, 8, 28, 20}, {0, 0, 24, 16}, {36, 24, 36, 32}, {0, 20, 72, 12}, {40, 0, 20, 56}};
    for (const ModeCase& m : kModes) {
        for (bool lens : {false, true}) {
            FullDoc fd(72, 56, m.bayer, 3);
            fd.FiltersOn();
            fd.doc.SetSizeMode(m.mode);
            if (lens)
                fd.Lens(BusyLens());
            const RgbPlane whole = fd.Whole();
            ASSERT_FALSE(whole.rgb.empty());
            for (const Crop& c : crops) {
                const RgbPlane crop = fd.Develop(c.x, c.y, c.w, c.h);
                const int ox = int(ScaleToOutput(c.x, m.mode));
                const int oy = int(ScaleToOutput(c.y, m.mode));
                ASSERT_LE(ox + crop.width, whole.width);
                ASSERT_LE(oy + crop.height, whole.height);
                EXPECT_EQ(crop.rgb, Cut(whole, ox, oy, crop.width, crop.height))
                    << "mode " << m.mode << (lens ? " lens" : "") << " crop " << c.x << "," << c.y << " " << c.w
                    << "x" << c.h;
            }
        }
    }
}

TEST(DevelopFull, LensCorrectsTheWholeImageThroughPass8)
{
    FullDoc fd(64, 48, false, 4);
    fd.doc.SetSizeMode(2);
    const RgbPlane plain = fd.Whole();
    LensCorrectionSettings s = DefaultLensCorrection();
    s.chromaRed = 60;
    fd.Lens(s);
    Recording progress;
    const RgbPlane corrected = fd.Develop(0, 0, 64, 48, DevelopStatus::Ok, &progress);
    EXPECT_TRUE(progress.Saw("PASS8"));
    EXPECT_EQ(progress.calls.back().first, -1);
    // Only red is resampled (an even frame keeps green and blue on their pixels).
    int redChanged = 0;
    for (size_t i = 0; i < plain.rgb.size(); ++i) {
        if (i % 3 == 0) {
            redChanged += plain.rgb[i] != corrected.rgb[i];
        } else {
            ASSERT_EQ(plain.rgb[i], corrected.rgb[i]) << "channel " << i % 3;
        }
    }
    EXPECT_GT(redChanged, 100);
    // The whole image is the area: PASS8 equals the lens pass on the plain
    // development.
    RgbPlane expected;
    const LensModel lens = MakeLensModel(s, 64, 48);
    ASSERT_EQ(ApplyLensCorrection(plain, 0, 0, 0, 0, 64, 48, lens, NoProgress(), expected), DevelopStatus::Ok);
    EXPECT_EQ(corrected.rgb, expected.rgb);
}

TEST(DevelopFull, TheRunTakesItsOwnLensAndWritesNothingBack)
{
    FullDoc fd(48, 40, true, 5);
    fd.doc.SetSizeMode(8);
    LensCorrectionSettings fisheye = DefaultLensCorrection();
    fisheye.flags = kLensFisheyeFlag;
    fisheye.fisheyeAngle = 0; // develops as 140 degrees at 100 %
    fisheye.fisheyeScale = 40;
    fd.Lens(fisheye);
    const RgbPlane zeroAngle = fd.Whole();
    EXPECT_EQ(fd.doc.Edit().Lens(), fisheye) << "the run wrote into the lens record";

    LensCorrectionSettings explicitAngle = fisheye;
    explicitAngle.fisheyeAngle = 140;
    explicitAngle.fisheyeScale = 100;
    fd.Lens(explicitAngle);
    EXPECT_EQ(fd.Whole().rgb, zeroAngle.rgb);

    // A context of the caller's with trial values (the chromatic-aberration
    // search) develops with them and leaves the record alone.
    fd.doc.Edit().SetLens(DefaultLensCorrection());
    DevelopContext ctx = fd.doc.PrepareDevelopment();
    ctx.lens = explicitAngle;
    RgbPlane trial;
    ASSERT_EQ(fd.doc.DevelopFull(ctx, 0, 0, 48, 40, trial, &NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(trial.rgb, zeroAngle.rgb);
    EXPECT_EQ(fd.doc.Edit().Lens(), DefaultLensCorrection());
}

TEST(DevelopFull, BadLensValuesDevelopOrReportNoArea)
{
    FullDoc fd(40, 30, true, 6);
    fd.doc.SetSizeMode(8);

    // Fisheye scale 0 counts as 1 %; a midpoint below -100 as -100.
    LensCorrectionSettings s = DefaultLensCorrection();
    s.flags = kLensFisheyeFlag;
    s.fisheyeScale = 0;
    fd.Lens(s);
    const RgbPlane zeroScale = fd.Develop(0, 0, 40, 30);
    s.fisheyeScale = 1;
    fd.Lens(s);
    EXPECT_EQ(fd.Develop(0, 0, 40, 30).rgb, zeroScale.rgb);
    EXPECT_EQ(fd.Develop(4, 4, 20, 20).rgb.size(), size_t(20 * 20 * 3));

    LensCorrectionSettings v = DefaultLensCorrection();
    v.vignetteAmount = 40;
    v.vignetteMidpoint = -500;
    fd.Lens(v);
    const RgbPlane low = fd.Whole();
    v.vignetteMidpoint = -100;
    fd.Lens(v);
    EXPECT_EQ(fd.Whole().rgb, low.rgb);

    // A distortion so strong that the frame's scale turns over: no picture
    // is left, and that is said, not given as an abort or a blank image.
    LensCorrectionSettings wild = DefaultLensCorrection();
    wild.distortion = 5000;
    fd.Lens(wild);
    Recording progress;
    const RgbPlane none = fd.Develop(0, 0, 40, 30, DevelopStatus::EmptyArea, &progress);
    EXPECT_TRUE(none.rgb.empty());
    fd.Develop(5, 5, 10, 10, DevelopStatus::EmptyArea);
}

TEST(DevelopFull, AbortInAnyPassGivesNoImage)
{
    const char* passes[] = {"PASS1", "PASS2", "PASS3", "PASS4", "PASS6", "PASS8"};
    for (const char* pass : passes) {
        for (bool crop : {false, true}) {
            FullDoc fd(40, 140, false, 7);
            fd.FiltersOn();
            fd.doc.SetSizeMode(1);
            fd.Lens(BusyLens());
            Recording progress(pass);
            const RgbPlane img = crop ? fd.Develop(4, 8, 30, 100, DevelopStatus::Aborted, &progress)
                                      : fd.Develop(0, 0, 40, 140, DevelopStatus::Aborted, &progress);
            EXPECT_TRUE(progress.stopped) << pass;
            EXPECT_TRUE(img.rgb.empty()) << pass;
            EXPECT_EQ(img.width, 0);
            EXPECT_EQ(progress.calls.back().first, -1) << pass;
            if (std::string(pass) != "PASS8") {
                EXPECT_FALSE(progress.Saw("PASS8")) << pass;
            }
        }
    }
}

TEST(DevelopFull, NoImageEmptyRectangleAndOutOfMemoryAreTold)
{
    FullDoc fd(32, 24, false, 8);
    CVelmoDoc empty;
    empty.StopWorker();
    RgbPlane img;
    EXPECT_EQ(empty.DevelopFull(0, 0, 10, 10, img, &NoProgress()), DevelopStatus::InvalidInput);

    fd.doc.SetSizeMode(0);
    fd.Develop(0, 0, 0, 10, DevelopStatus::InvalidInput);
    fd.Develop(0, 0, 10, -3, DevelopStatus::InvalidInput);
    fd.doc.SetSizeMode(10);
    fd.Develop(0, 0, 1, 1, DevelopStatus::InvalidInput); // half a pixel
    fd.doc.SetSizeMode(3);
    fd.Develop(0, 0, 32, 24, DevelopStatus::InvalidInput);

    // 200000 x 200000 pixels: more than any plane may hold, refused before
    // allocating, and not taken for an abort.
    fd.doc.SetSizeMode(2);
    for (bool lens : {false, true}) {
        if (lens)
            fd.Lens(BusyLens());
        fd.Develop(0, 0, 200000, 200000, DevelopStatus::OutOfMemory);
    }
}

TEST(DevelopFull, SquareReachingPastTheImageDevelops)
{
    // The magnifier's square at a corner: the part outside stays black
    // before the tone step, the part inside is the whole image's.
    FullDoc fd(48, 40, true, 9);
    fd.doc.SetSizeMode(8);
    fd.doc.Edit().SetField(ParamField::honeycomb, 0);
    for (bool lens : {false, true}) {
        if (lens)
            fd.Lens(BusyLens());
        const RgbPlane whole = fd.Whole();
        const RgbPlane square = fd.Develop(-8, -6, 24, 24);
        ASSERT_EQ(square.width, 24);
        if (!lens) {
            EXPECT_EQ(Cut(square, 8, 6, 16, 18), Cut(whole, 0, 0, 16, 18));
        }
        fd.Develop(40, 30, 24, 24);
    }
}

TEST(DevelopFull, SameBytesOnOneThreadAndAllCores)
{
    for (const ModeCase& m : {kModes[0], kModes[4]}) {
        FullDoc fd(64, 60, m.bayer, 10);
        fd.FiltersOn();
        fd.doc.SetSizeMode(m.mode);
        fd.Lens(BusyLens());
        SetWorkerThreads(1);
        const RgbPlane one = fd.Develop(4, 8, 48, 40);
        const RgbPlane oneWhole = fd.Whole();
        for (int threads : {0, 3}) {
            SetWorkerThreads(threads);
            EXPECT_EQ(fd.Develop(4, 8, 48, 40).rgb, one.rgb) << "mode " << m.mode << " threads " << threads;
            EXPECT_EQ(fd.Whole().rgb, oneWhole.rgb) << "mode " << m.mode << " threads " << threads;
        }
    }
    SetWorkerThreads(0);
}

} // namespace
} // namespace velmo
