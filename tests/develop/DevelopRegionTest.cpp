#include "develop/context/DevelopContext.h"
#include "develop/passes/DevelopRegion.h"
#include "develop/passes/RegionPasses.h"
#include "document/VelmoDoc.h"
#include "platform/core/ParallelRows.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace velmo {
namespace {

RgbPlane Plane(int w, int h, uint16_t r = 0, uint16_t g = 0, uint16_t b = 0)
{
    RgbPlane p;
    p.width = w;
    p.height = h;
    p.rgb.resize(size_t(w) * h * 3);
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = r;
        p.rgb[i + 1] = g;
        p.rgb[i + 2] = b;
    }
    return p;
}

// Records every report; asks to stop on the first report with a chosen label.
class RecordingProgress final : public IProgress {
public:
    explicit RecordingProgress(std::string stop = {}) : stopAt(std::move(stop)) {}
    int Report(int percent, const char* label) override
    {
        calls.emplace_back(percent, label ? label : "");
        if (!stopAt.empty() && label && stopAt == label)
            stopped = true;
        return stopped ? 1 : 0;
    }
    // Pass names in the order they first appear.
    std::vector<std::string> Passes() const
    {
        std::vector<std::string> names;
        for (const auto& [percent, label] : calls)
            if (percent >= 0 && (names.empty() || names.back() != label) &&
                std::find(names.begin(), names.end(), label) == names.end())
                names.push_back(label);
        return names;
    }
    std::string stopAt;
    bool stopped = false;
    std::vector<std::pair<int, std::string>> calls;
};

// ---------------------------------------------------------------------------
// PASS1 placement

struct AxisWeight {
    int pos;
    int quarters;
};

struct PlacementCase {
    int sizeMode;
    int sampleW, sampleH; // the sample plane
    int outW, outH;
    int c, r;             // the impulse
    std::vector<AxisWeight> x, y; // documented weights along each axis
    int greenShift;       // honeycomb modes: green one output pixel right and down
};

const PlacementCase kPlacementCases[] = {
    // x2: red and blue at (2c, 2r), green at (2c + 1, 2r + 1).
    {0, 6, 6, 12, 12, 2, 3, {{4, 4}}, {{6, 4}}, 1},
    // x3/2: even 2i gives 1/4, 1, 1/4 at 3i - 1, 3i, 3i + 1; odd 2i + 1
    // gives 3/4, 3/4 at 3i + 1, 3i + 2.
    {1, 8, 8, 12, 12, 2, 3, {{2, 1}, {3, 4}, {4, 1}}, {{4, 3}, {5, 3}}, 1},
    // At the corner the side weight at -1 is dropped for red and blue, but
    // the shifted green keeps it at 0.
    {1, 8, 8, 12, 12, 0, 0, {{-1, 1}, {0, 4}, {1, 1}}, {{-1, 1}, {0, 4}, {1, 1}}, 1},
    // x1: red and blue at (c, r), green at (c + 1, r + 1).
    {2, 8, 8, 8, 8, 2, 3, {{2, 4}}, {{3, 4}}, 1},
    {8, 8, 8, 8, 8, 2, 3, {{2, 4}}, {{3, 4}}, 0},
    // x3/4: 4i gives 3/4 at 3i; 4i+1 1/4 at 3i and 1/2 at 3i+1; 4i+2 1/2 at
    // 3i+1 and 1/4 at 3i+2; 4i+3 3/4 at 3i+2.
    {9, 12, 12, 9, 9, 5, 6, {{3, 1}, {4, 2}}, {{4, 2}, {5, 1}}, 0},
    {9, 12, 12, 9, 9, 4, 7, {{3, 3}}, {{5, 3}}, 0},
    // x1/2: v >> 2 added at (c / 2, r / 2).
    {10, 8, 8, 4, 4, 3, 5, {{1, 2}}, {{2, 2}}, 0},
};

TEST(PlaceSamples, ImpulseLandsWithItsDocumentedWeights)
{
    const uint16_t v[3] = {16001, 32003, 48007}; // not multiples of 16: the shifts truncate
    for (const PlacementCase& pc : kPlacementCases) {
        RgbPlane samples = Plane(pc.sampleW, pc.sampleH);
        std::copy(v, v + 3, samples.Pixel(pc.c, pc.r));
        RgbPlane work = Plane(pc.outW, pc.outH);
        PlaceSamples(samples, pc.sizeMode, work);

        // expected[(x, y, channel)]
        std::map<std::tuple<int, int, int>, uint32_t> expected;
        for (const AxisWeight& ax : pc.x)
            for (const AxisWeight& ay : pc.y)
                for (int ch = 0; ch < 3; ++ch) {
                    const int shift = ch == 1 ? pc.greenShift : 0;
                    expected[{ax.pos + shift, ay.pos + shift, ch}] = (uint32_t(v[ch]) * ax.quarters * ay.quarters) >> 4;
                }
        for (int y = 0; y < pc.outH; ++y)
            for (int x = 0; x < pc.outW; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    const auto it = expected.find({x, y, ch});
                    const uint32_t want = it == expected.end() ? 0 : it->second;
                    ASSERT_EQ(work.Pixel(x, y)[ch], want)
                        << "mode " << pc.sizeMode << " impulse (" << pc.c << "," << pc.r << ") at (" << x << ","
                        << y << ") channel " << ch;
                }
    }
}

TEST(PlaceSamples, FlatFieldStaysFlat)
{
    // The weights at every output point sum to 1: a flat field stays exactly
    // flat when the value is a multiple of 16 and loses at most 3 (one per
    // truncated part) otherwise.
    for (int mode : {0, 1, 2, 8, 9, 10}) {
        for (uint16_t value : {uint16_t(4096), uint16_t(40001)}) {
            RgbPlane samples = Plane(24, 16, value, value, value);
            const int outW = mode == 0 ? 48 : mode == 1 ? 36 : mode == 9 ? 18 : mode == 10 ? 12 : 24;
            const int outH = mode == 0 ? 32 : mode == 1 ? 24 : mode == 9 ? 12 : mode == 10 ? 8 : 16;
            RgbPlane work = Plane(outW, outH);
            PlaceSamples(samples, mode, work);
            for (int y = 2; y < outH - 2; ++y)
                for (int x = 2; x < outW - 2; ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        if (mode == 0 && !((ch != 1 && x % 2 == 0 && y % 2 == 0) || (ch == 1 && x % 2 && y % 2)))
                            continue; // only the written grid
                        const int got = work.Pixel(x, y)[ch];
                        if (value % 16 == 0)
                            ASSERT_EQ(got, value) << "mode " << mode << " (" << x << "," << y << ")";
                        else
                            ASSERT_TRUE(got <= value && got >= value - 3) << "mode " << mode << " got " << got;
                    }
        }
    }
}

TEST(DevelopSamples, SamplesOutsideTheImageStayZero)
{
    DevelopContext ctx; // identity steps
    ctx.params.whiteBalance = -1;
    ctx.params.twoFrames = 0;
    std::vector<uint16_t> image(4 * 3 * 3, 30000);
    RegionSource src;
    src.sPlane = image;
    src.width = 4;
    src.height = 3;
    src.whiteLevel = 65535;
    RegionRect rect{-2, 1, 5, 4, 5, 4};
    RgbPlane samples;
    ASSERT_EQ(DevelopSamples(src, rect, 5, 4, ctx, NoProgress(), samples), DevelopStatus::Ok);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c) {
            const bool inside = c >= 2 && r < 2; // image columns 0..2, rows 1..2
            EXPECT_EQ(samples.Pixel(c, r)[0], inside ? 30000 : 0) << c << "," << r;
        }
}

// ---------------------------------------------------------------------------
// PASS2

TEST(FillHoneycomb, SizeModeZeroFromATwoByTwoSource)
{
    // Four samples on the x2 grid: every point of the 4 x 4 output is filled,
    // from the written grid or by the border copies.
    RgbPlane samples = Plane(2, 2);
    const uint16_t rb[2][2] = {{1000, 3000}, {5000, 9000}}; // [row][col]
    const uint16_t g[2][2] = {{2000, 6000}, {10000, 14000}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            uint16_t* p = samples.Pixel(c, r);
            p[0] = rb[r][c];
            p[1] = g[r][c];
            p[2] = uint16_t(rb[r][c] + 1);
        }
    RgbPlane work = Plane(4, 4);
    PlaceSamples(samples, 0, work);
    ASSERT_EQ(FillHoneycomb(work, 2, 2, 0, false, true, NoProgress()), DevelopStatus::Ok);

    auto R = [&](int x, int y) { return int(work.Pixel(x, y)[0]); };
    auto G = [&](int x, int y) { return int(work.Pixel(x, y)[1]); };
    EXPECT_EQ(R(0, 0), 1000);
    EXPECT_EQ(R(1, 0), (1000 + 3000) >> 1);
    EXPECT_EQ(R(0, 1), (1000 + 5000) >> 1);
    EXPECT_EQ(R(1, 1), (((1000 + 3000) >> 1) + ((5000 + 9000) >> 1)) >> 1);
    EXPECT_EQ(R(3, 0), R(2, 0)); // last column copied
    EXPECT_EQ(R(0, 3), R(0, 2)); // last row copied
    EXPECT_EQ(R(3, 3), R(2, 2));
    EXPECT_EQ(G(1, 1), 2000);
    EXPECT_EQ(G(2, 1), (2000 + 6000) >> 1);
    EXPECT_EQ(G(1, 2), (2000 + 10000) >> 1);
    EXPECT_EQ(G(2, 2), (((2000 + 6000) >> 1) + ((10000 + 14000) >> 1)) >> 1);
    EXPECT_EQ(G(3, 2), (6000 + 14000) >> 1);
    EXPECT_EQ(G(2, 3), (10000 + 14000) >> 1);
    EXPECT_EQ(G(1, 0), G(1, 1)); // first row copied
    EXPECT_EQ(G(0, 2), G(1, 2)); // first column copied
    for (size_t i = 0; i < work.rgb.size(); ++i)
        EXPECT_NE(work.rgb[i], 0) << "point " << i / 3 << " channel " << i % 3 << " left empty";
}

TEST(FillHoneycomb, SizeModeZeroWritesNothingPastTheLastColumn)
{
    // Without the border copies (a Bayer image) green of column 0 only ever
    // comes from a write that ran past the right edge into the next row.
    RgbPlane samples = Plane(5, 4, 100, 200, 300);
    RgbPlane work = Plane(10, 8);
    PlaceSamples(samples, 0, work);
    ASSERT_EQ(FillHoneycomb(work, 5, 4, 0, true, true, NoProgress()), DevelopStatus::Ok);
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(work.Pixel(0, y)[1], 0) << "row " << y;
    // The interior is filled.
    EXPECT_EQ(work.Pixel(4, 4)[1], 200);
    EXPECT_EQ(work.Pixel(5, 4)[0], 100);
}

TEST(FillHoneycomb, SizeModeTwoGreenPastTheRightEdgeIsDropped)
{
    RgbPlane samples = Plane(4, 4);
    samples.Pixel(3, 1)[1] = 7000; // would land at (4, 2), outside
    RgbPlane work = Plane(4, 4);
    PlaceSamples(samples, 2, work);
    for (size_t i = 1; i < work.rgb.size(); i += 3)
        EXPECT_EQ(work.rgb[i], 0) << "green wrapped to point " << i / 3;
}

TEST(FillHoneycomb, GreenBoxFilterUsesTheUnfilteredNeighbours)
{
    // In row-major order the filter reads the right and lower neighbours
    // before they are filtered: a green impulse spreads over the 2 x 2 block
    // above and left of it, a quarter each.
    for (int mode : {1, 2}) {
        RgbPlane work = Plane(8, 8);
        work.Pixel(4, 4)[1] = 40000;
        ASSERT_EQ(FillHoneycomb(work, 6, 6, mode, false, true, NoProgress()), DevelopStatus::Ok);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool block = (x == 3 || x == 4) && (y == 3 || y == 4);
                EXPECT_EQ(work.Pixel(x, y)[1], block ? 10000 : 0) << "mode " << mode << " (" << x << "," << y << ")";
            }
        // Without honeycomb the green stays as placed.
        RgbPlane plain = Plane(8, 8);
        plain.Pixel(4, 4)[1] = 40000;
        ASSERT_EQ(FillHoneycomb(plain, 6, 6, mode, false, false, NoProgress()), DevelopStatus::Ok);
        EXPECT_EQ(plain.Pixel(4, 4)[1], 40000);
    }
}

// ---------------------------------------------------------------------------
// Sharpening

TEST(SharpnessCentres, PresetsAndClampedCustomAmounts)
{
    struct Case {
        int sharpness, soften, harden;
        int softCentre, hardCentre;
    } cases[] = {
        {0, 0, 0, 1000, 275},     // Hard: harden 20
        {1, 0, 0, 1000, 450},     // Normal: harden 5
        {2, 0, 0, 275, 1000},     // Soft: soften 20
        {3, 50, 0, 129, 1000},    // Custom
        {3, 0, 100, 1000, 1},     // harden 100 keeps the identity term
        {3, -30, 250, 1000, 1},   // out of range: clamped to 0..100
        {3, INT_MIN, INT_MIN, 1000, 1000},
        {3, 100, 0, 0, 1000},
        {7, 50, 50, 1000, 1000},  // unknown preset: neither
    };
    for (const Case& c : cases) {
        const SharpenCentres s = SharpnessCentres(c.sharpness, c.soften, c.harden);
        EXPECT_EQ(s.soften, c.softCentre) << c.sharpness << " " << c.soften << " " << c.harden;
        EXPECT_EQ(s.harden, c.hardCentre) << c.sharpness << " " << c.soften << " " << c.harden;
    }
}

TEST(SharpenLuma, FlatAreasKeepTheirLumaAtEveryStrength)
{
    for (int mode : {0, 1, 2}) {
        for (int amount : {1, 20, 99, 100}) {
            const SharpenCentres c = SharpnessCentres(3, amount, amount);
            std::vector<int32_t> luma(12 * 9, 300000);
            ASSERT_EQ(SoftenLuma(luma, 12, 9, c.soften, mode, NoProgress()), DevelopStatus::Ok);
            ASSERT_EQ(HardenLuma(luma, 12, 9, c.harden, mode, NoProgress()), DevelopStatus::Ok);
            for (int32_t v : luma)
                ASSERT_EQ(v, 300000) << "mode " << mode << " amount " << amount;
        }
    }
}

TEST(SharpenLuma, KernelWeightsAndEdgeRule)
{
    // An impulse of 3600 softened with centre 0 in size mode 0: each
    // neighbour gets its kernel weight x 3600 / 360.
    std::vector<int32_t> luma(9 * 9, 0);
    luma[4 * 9 + 4] = 3600;
    ASSERT_EQ(SoftenLuma(luma, 9, 9, 0, 0, NoProgress()), DevelopStatus::Ok);
    const int kernel[5][5] = {{0, 10, 20, 10, 0}, {10, 20, 30, 20, 10}, {20, 30, 0, 30, 20},
                              {10, 20, 30, 20, 10}, {0, 10, 20, 10, 0}};
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            EXPECT_EQ(luma[size_t(4 + dy) * 9 + size_t(4 + dx)], kernel[dy + 2][dx + 2] * 10) << dx << "," << dy;

    // Sharpening at the left edge: the neighbours outside repeat column 0.
    std::vector<int32_t> edge(6 * 5, 0);
    for (int y = 0; y < 5; ++y)
        edge[size_t(y) * 6] = 1000;
    ASSERT_EQ(HardenLuma(edge, 6, 5, 100, 2, NoProgress()), DevelopStatus::Ok);
    // Size-mode-2 kernel: left column of weights 40, 50, 40 sees column 0
    // (clamped), the centre column 50 + 50 = 100 weight of column 0 itself
    // above and below, the right column sees 0.
    const int64_t sum = (40 + 50 + 40) * 1000 + (50 + 50) * 1000;
    EXPECT_EQ(edge[2 * 6], int32_t(((100 + 360) * 1000 - sum) / 100));
}

// ---------------------------------------------------------------------------
// PASS4

TEST(ColorWindowRadius, ByLevelSwitchAndSizeMode)
{
    struct Case {
        int level, nr, mode, radius;
    } cases[] = {
        {0, 0, 0, 1}, {1, 0, 0, 2}, {1, 2, 0, 7}, {1, 1, 8, 2}, {1, 0, 1, 1}, {5, 2, 9, 8},
        {4, 0, 2, 3}, {4, 2, 10, 5}, {-9, 0, 0, 1}, {-9, 2, 0, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColorWindowRadius(c.level, c.nr, c.mode), c.radius) << c.level << " " << c.nr << " " << c.mode;
    EXPECT_GT(ColorWindowRadius(INT_MAX, 2, 0), 0); // no overflow
}

class ColorWindowTest : public ::testing::Test {
protected:
    // Grey luma everywhere, colour only at (5, 5).
    ColorWindowTest() : work(Plane(12, 12)), luma(12 * 12, 7000), noise(12 * 12, 0)
    {
        uint16_t* p = work.Pixel(5, 5);
        p[0] = 1000;
        p[1] = 2000;
        p[2] = 3000;
    }
    RgbPlane Run(int radius, int threshold)
    {
        RgbPlane out;
        EXPECT_EQ(ApplyColorWindow(work, luma, noise, {radius, threshold}, NoProgress(), out), DevelopStatus::Ok);
        return out;
    }
    RgbPlane work;
    std::vector<int32_t> luma;
    std::vector<uint16_t> noise;
};

TEST_F(ColorWindowTest, WindowMeanColourWithTheProcessedLuma)
{
    // Level 0, threshold 0, size mode 0: a 3 x 3 window.
    const RgbPlane out = Run(ColorWindowRadius(0, 0, 0), 0);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const uint16_t* p = out.Pixel(x, y);
            if (std::abs(x - 5) <= 1 && std::abs(y - 5) <= 1) {
                // f = 7000 / (2 x 1000 + 4 x 2000 + 3000) = 7000 / 13000.
                EXPECT_EQ(p[0], uint16_t(1000.0f * (7000.0f / 13000.0f)));
                EXPECT_EQ(p[1], uint16_t(2000.0f * (7000.0f / 13000.0f)));
                EXPECT_EQ(p[2], uint16_t(3000.0f * (7000.0f / 13000.0f)));
            } else {
                // No colour in the window: black, not 0 / 0.
                EXPECT_EQ(p[0] + p[1] + p[2], 0) << x << "," << y;
            }
        }
}

TEST_F(ColorWindowTest, ThresholdChoosesBetweenTheSmallAndTheFullWindow)
{
    // (6, 5): the full window (5..7) holds the colour, the small one (6..7)
    // does not. noise - threshold + 20 = a picks small (a <= 0), blended
    // bounds (0 < a <= 50) or full (a > 50).
    struct Case {
        uint16_t noise;
        bool coloured;
    } cases[] = {{0, false}, {20, false}, {45, true}, {100, true}};
    for (const Case& c : cases) {
        std::fill(noise.begin(), noise.end(), c.noise);
        const RgbPlane out = Run(1, 40);
        EXPECT_EQ(out.Pixel(6, 5)[1] != 0, c.coloured) << "noise " << c.noise;
        EXPECT_NE(out.Pixel(5, 5)[1], 0) << "the small window holds the pixel itself";
    }
}

TEST(ColorWindow, LargeWindowSumsDoNotOverflow)
{
    // 300 x 300 white pixels: the whole-picture sums exceed 32 bits.
    const RgbPlane work = Plane(300, 300, 65535, 65535, 65535);
    const std::vector<int32_t> luma(300 * 300, 7 * 65535);
    RgbPlane out;
    ASSERT_EQ(ApplyColorWindow(work, luma, {}, {300, 0}, NoProgress(), out), DevelopStatus::Ok);
    for (uint16_t v : out.rgb)
        ASSERT_GE(v, 65534);
}

// ---------------------------------------------------------------------------
// The whole region development on a synthetic document

// A document with a synthetic image: a gradient, a few rectangles and noise;
// two frames on request.
class RegionDoc {
public:
    RegionDoc(int w, int h, bool twoFrames, bool bayer, unsigned seed)
    {
        doc.StopWorker();
        RawImage img;
        img.imageWidth = w;
        img.imageHeight = h;
        img.whiteLevel = 16383;
        img.maxGreen = 15000;
        img.bayerFlag = bayer ? 1 : 0;
        std::mt19937 rng(seed);
        std::normal_distribution<float> noise(0.0f, 400.0f);
        auto fill = [&](std::vector<uint16_t>& plane, float scale) {
            plane.resize(size_t(w) * h * 3);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < 3; ++c) {
                        float v = 2000.0f + 9000.0f * float(x) / float(w) + 1500.0f * float(c);
                        if ((x / 7 + y / 5) % 3 == 0)
                            v += 3000.0f * float(c + 1) / 3.0f;
                        v = (v + noise(rng)) * scale;
                        plane[(size_t(y) * w + size_t(x)) * 3 + size_t(c)] =
                            uint16_t(std::clamp(v, 0.0f, 16383.0f));
                    }
        };
        fill(img.mainImage, 1.0f);
        if (twoFrames)
            fill(img.secondFrame, 0.25f);
        doc.AdoptImage(std::move(img));
        doc.Edit().SetField(ParamField::twoFrames, twoFrames ? 1 : 0);
        doc.Edit().SetField(ParamField::honeycomb, 1);
        // The family white-balance tables: a synthetic image has no presets
        // of its own.
        doc.Edit().SetSwitch(SwitchId::UseRafWB, 0);
    }

    void Flat(uint16_t value)
    {
        test::EditImage(doc, [&](RawImage& img) {
            std::fill(img.mainImage.begin(), img.mainImage.end(), value);
            std::fill(img.secondFrame.begin(), img.secondFrame.end(), uint16_t(value / 4));
        });
    }

    // Noise reduction, sharpening and colour-noise cancel all on.
    void EverythingOn(bool median)
    {
        doc.Edit().ModifyParams([&](DevParams& p) {
            p.bNR = 1;
            p.NR1 = 2;
            p.NR2 = 80;
            p.NR3 = 150;
            p.NR4 = 10;
            p.sharpness = 3;
            p.soften = 10;
            p.harden = 40;
            p.iColorNR = 2;
            p.iColorNRthreshold = 30;
        });
        doc.Edit().SetSwitch(SwitchId::UseOldUI, 0);
        doc.Edit().SetSwitch(SwitchId::UseOldNR, median ? 1 : 0);
    }

    std::vector<uint16_t> Develop(int mode, IProgress* progress = nullptr, DevelopStatus* status = nullptr)
    {
        doc.SetSizeMode(mode);
        const auto [outW, outH] = OutSize(mode, doc.Image().imageWidth, doc.Image().imageHeight);
        return doc.DevelopRegion(0, 0, doc.Image().imageWidth, doc.Image().imageHeight, outW, outH, progress, status);
    }

    static std::pair<int, int> OutSize(int mode, int w, int h)
    {
        switch (mode) {
        case 0:
            return {2 * w, 2 * h};
        case 1:
            return {3 * w / 2, 3 * h / 2};
        case 9:
            return {3 * w / 4, 3 * h / 4};
        case 10:
            return {w / 2, h / 2};
        default:
            return {w, h};
        }
    }

    test::ScopedSettings settings;
    CVelmoDoc doc;
};

struct ModeCase {
    int mode;
    bool bayer;
};
const ModeCase kModes[] = {{0, false}, {1, false}, {2, false}, {8, true}, {9, true}, {10, true}};

TEST(DevelopRegion, FlatFieldStaysFlatThroughEveryPass)
{
    for (const ModeCase& m : kModes) {
        for (int harden : {40, 100}) {
            RegionDoc rd(40, 32, true, m.bayer, 1);
            rd.Flat(8000);
            rd.EverythingOn(false);
            rd.doc.Edit().SetField(ParamField::harden, harden); // the strongest sharpening must not blacken a flat area
            DevelopStatus status{};
            const std::vector<uint16_t> out = rd.Develop(m.mode, nullptr, &status);
            ASSERT_EQ(status, DevelopStatus::Ok) << "mode " << m.mode;
            const auto [outW, outH] = RegionDoc::OutSize(m.mode, 40, 32);
            ASSERT_EQ(out.size(), size_t(outW) * outH * 3);
            // Only the float rounding of the colour window differs by a unit;
            // the x3/2 and x3/4 splats truncate each of their parts, a pattern
            // of a few units that the strongest sharpening brings out.
            const int tolerance = harden == 100 && (m.mode == 1 || m.mode == 9) ? 48 : 1;
            for (int ch = 0; ch < 3; ++ch) {
                int lo = 65535, hi = 0;
                for (size_t i = size_t(ch); i < out.size(); i += 3) {
                    lo = std::min<int>(lo, out[i]);
                    hi = std::max<int>(hi, out[i]);
                }
                EXPECT_GT(lo, 30000) << "mode " << m.mode << " harden " << harden << " channel " << ch;
                EXPECT_LE(hi - lo, tolerance) << "mode " << m.mode << " harden " << harden << " channel " << ch;
            }
        }
    }
}

TEST(DevelopRegion, WithoutHoneycombOnlyPlacementAndTone)
{
    RegionDoc rd(24, 16, false, false, 2);
    rd.doc.Edit().SetField(ParamField::honeycomb, 0);
    rd.doc.Edit().SetField(ParamField::sharpness, 4); // neither soften nor harden
    rd.doc.Edit().SetField(ParamField::iColorNRthreshold, 0);
    const std::vector<uint16_t> plain = rd.Develop(2);
    rd.EverythingOn(false);
    rd.doc.Edit().SetField(ParamField::honeycomb, 0);
    RecordingProgress progress;
    const std::vector<uint16_t> busy = rd.Develop(2, &progress);
    EXPECT_EQ(plain, busy) << "noise reduction, sharpening or the colour window ran without honeycomb";
    EXPECT_EQ(progress.Passes(), (std::vector<std::string>{"PASS1", "PASS6"}));
}

TEST(DevelopRegion, ProgressLabelsEvery64RowsAndTheEnd)
{
    RegionDoc rd(30, 100, true, false, 3);
    rd.EverythingOn(false);
    RecordingProgress progress;
    DevelopStatus status{};
    const std::vector<uint16_t> out = rd.Develop(0, &progress, &status);
    ASSERT_EQ(status, DevelopStatus::Ok);
    EXPECT_EQ(progress.Passes(),
              (std::vector<std::string>{"PASS1", "PASS2", "PASS3", "PASS3b", "Bilateral NR 1/2", "Bilateral NR 2/2",
                                        "PASS7a", "PASS7b", "PASS4", "PASS6"}));
    // PASS3 runs over the 200 output rows: rows 0, 64, 128 and 192.
    std::vector<int> pass3;
    for (const auto& [percent, label] : progress.calls)
        if (label == "PASS3")
            pass3.push_back(percent);
    EXPECT_EQ(pass3, (std::vector<int>{0, 32, 64, 96}));
    EXPECT_NE(std::find(progress.calls.begin(), progress.calls.end(), std::pair<int, std::string>{-2, "Allocating memory"}),
              progress.calls.end());
    EXPECT_EQ(progress.calls.back().first, -1);

    rd.EverythingOn(true);
    RecordingProgress median;
    rd.Develop(0, &median);
    const auto passes = median.Passes();
    EXPECT_NE(std::find(passes.begin(), passes.end(), "Median NR"), passes.end());
}

TEST(DevelopRegion, AbortInAnyPassGivesNoImage)
{
    // Under the sanitizer build LeakSanitizer checks that nothing is left.
    const char* passes[] = {"PASS1",  "PASS2",  "PASS3", "PASS3b", "Bilateral NR 1/2", "Bilateral NR 2/2",
                            "PASS7a", "PASS7b", "PASS4", "PASS6",  "Median NR"};
    for (const char* pass : passes) {
        RegionDoc rd(30, 140, true, false, 4);
        rd.EverythingOn(std::string(pass) == "Median NR");
        RecordingProgress progress(pass);
        DevelopStatus status{};
        const std::vector<uint16_t> out = rd.Develop(1, &progress, &status);
        EXPECT_TRUE(progress.stopped) << pass << " never reported";
        EXPECT_EQ(status, DevelopStatus::Aborted) << pass;
        EXPECT_TRUE(out.empty()) << pass;
        // Nothing after the pass that was stopped, but the final erase.
        const auto names = progress.Passes();
        EXPECT_EQ(names.back(), pass);
        EXPECT_EQ(progress.calls.back().first, -1);
    }
}

TEST(DevelopRegion, OutOfMemoryAndBadInputAreNotAborts)
{
    RegionDoc rd(16, 16, false, false, 5);
    rd.doc.SetSizeMode(0);
    DevelopStatus status{};
    // 200000 x 200000 pixels: more than any plane may hold, refused before
    // allocating.
    std::vector<uint16_t> out = rd.doc.DevelopRegion(0, 0, 16, 16, 200000, 200000, nullptr, &status);
    EXPECT_EQ(status, DevelopStatus::OutOfMemory);
    EXPECT_TRUE(out.empty());

    struct Case {
        int mode, x, y, w, h, outW, outH;
    } bad[] = {{3, 0, 0, 16, 16, 16, 16}, {11, 0, 0, 16, 16, 16, 16}, {2, 0, 0, -1, 16, 16, 16},
               {2, 0, 0, 16, 16, 0, 16},  {2, 0, 0, 16, 16, 16, -4}};
    for (const Case& c : bad) {
        rd.doc.SetSizeMode(c.mode);
        out = rd.doc.DevelopRegion(c.x, c.y, c.w, c.h, c.outW, c.outH, nullptr, &status);
        EXPECT_EQ(status, DevelopStatus::InvalidInput) << c.mode << " " << c.w << " " << c.outW << " " << c.outH;
        EXPECT_TRUE(out.empty());
    }

    // A rectangle beyond the image develops (its points stay empty before
    // the tone step) rather than reading outside the planes.
    rd.doc.SetSizeMode(2);
    out = rd.doc.DevelopRegion(10, 10, 16, 16, 16, 16, nullptr, &status);
    EXPECT_EQ(status, DevelopStatus::Ok);
    out = rd.doc.DevelopRegion(INT_MAX - 4, -20, 16, 16, 16, 16, nullptr, &status);
    EXPECT_EQ(status, DevelopStatus::Ok);

    // No image at all.
    CVelmoDoc empty;
    empty.SetSizeMode(2);
    out = empty.DevelopRegion(0, 0, 8, 8, 8, 8, nullptr, &status);
    EXPECT_EQ(status, DevelopStatus::InvalidInput);
}

TEST(DevelopRegion, SameBytesOnOneThreadAndAllCores)
{
    for (bool median : {false, true}) {
        for (const ModeCase& m : kModes) {
            RegionDoc rd(72, 60, true, m.bayer, 6);
            rd.EverythingOn(median);
            SetWorkerThreads(1);
            DevelopStatus status{};
            const std::vector<uint16_t> one = rd.Develop(m.mode, nullptr, &status);
            ASSERT_EQ(status, DevelopStatus::Ok);
            ASSERT_FALSE(one.empty());
            for (int threads : {0, 3}) {
                SetWorkerThreads(threads);
                EXPECT_EQ(rd.Develop(m.mode), one)
                    << "mode " << m.mode << (median ? " median" : " bilateral") << ", threads " << WorkerThreads();
            }
            SetWorkerThreads(0);
        }
    }
}

TEST(SweepLumaToTone, SameBytesAsThePassesOneAfterAnother)
{
    // A noisy work plane; bands of 32 rows and more, so that the rows the
    // kernels and windows reach beyond a band come from the next one.
    RegionDoc rd(8, 8, false, false, 9);
    const DevelopContext ctx = rd.doc.PrepareDevelopment();
    struct Case {
        int w, h, mode, soften, harden, threshold, radius;
    } cases[] = {
        {23, 100, 0, 1000, 451, 30, 1},  // the defaults' shape: sharpening, noise map, small window
        {23, 100, 1, 600, 300, 0, 3},    // both kernels, full window always
        {31, 97, 2, 700, 1000, 200, 2},  // softening only
        {17, 90, 0, 1000, 1000, 25, 40}, // no kernel, window wider than a band
        {2, 70, 9, 500, 1, 30, 1},       // narrower than the kernels
        {40, 3, 10, 800, 200, 10, 1},    // fewer rows than the kernels reach
        {9, 1, 0, 900, 451, 30, 2},      // one row
    };
    for (const Case& c : cases) {
        RgbPlane work = Plane(c.w, c.h);
        std::mt19937 rng(unsigned(c.w * 131 + c.h));
        std::uniform_int_distribution<int> value(0, 65535);
        for (uint16_t& v : work.rgb)
            v = uint16_t(value(rng) / ((&v - work.rgb.data()) % 7 == 0 ? 1 : 9)); // dark with bright specks
        ColorWindowParams window;
        window.radius = c.radius;
        window.threshold = c.threshold;

        std::vector<int32_t> luma;
        int32_t lmax = 0;
        std::vector<uint16_t> noise;
        RgbPlane staged;
        ASSERT_EQ(ComputeLuma(work, NoProgress(), luma, &lmax), DevelopStatus::Ok);
        if (c.threshold != 0) {
            ASSERT_EQ(ComputeNoiseMap(work, NoProgress(), noise), DevelopStatus::Ok);
        }
        if (c.soften != 1000) {
            ASSERT_EQ(SoftenLuma(luma, c.w, c.h, c.soften, c.mode, NoProgress()), DevelopStatus::Ok);
        }
        if (c.harden != 1000) {
            ASSERT_EQ(HardenLuma(luma, c.w, c.h, c.harden, c.mode, NoProgress()), DevelopStatus::Ok);
        }
        ASSERT_EQ(ApplyColorWindow(work, luma, noise, window, NoProgress(), staged), DevelopStatus::Ok);
        ASSERT_EQ(ApplyTone(staged, ctx, NoProgress()), DevelopStatus::Ok);

        LumaChain chain;
        chain.softenCentre = c.soften;
        chain.hardenCentre = c.harden;
        chain.sizeMode = c.mode;
        for (int threads : {1, 0}) {
            SetWorkerThreads(threads);
            RgbPlane swept;
            ASSERT_EQ(SweepLumaToTone(work, chain, window, ctx, NoProgress(), swept), DevelopStatus::Ok);
            EXPECT_EQ(swept.width, c.w);
            EXPECT_EQ(swept.height, c.h);
            EXPECT_EQ(swept.rgb, staged.rgb) << c.w << " x " << c.h << " mode " << c.mode << " soften " << c.soften
                                             << " harden " << c.harden << " threshold " << c.threshold << " radius "
                                             << c.radius << ", threads " << WorkerThreads();
        }
        SetWorkerThreads(0);
    }
}

TEST(SweepLumaToTone, AbortAndBadInputLeaveNoImage)
{
    RegionDoc rd(8, 8, false, false, 10);
    const DevelopContext ctx = rd.doc.PrepareDevelopment();
    const RgbPlane work = Plane(20, 200, 3000, 4000, 5000);
    RecordingProgress progress("PASS4");
    RgbPlane out;
    EXPECT_EQ(SweepLumaToTone(work, LumaChain{}, ColorWindowParams{}, ctx, progress, out), DevelopStatus::Aborted);
    EXPECT_TRUE(progress.stopped);
    EXPECT_TRUE(out.rgb.empty());

    RgbPlane shortPlane = Plane(20, 10);
    shortPlane.rgb.resize(100); // fewer samples than its size says
    EXPECT_EQ(SweepLumaToTone(shortPlane, LumaChain{}, ColorWindowParams{}, ctx, NoProgress(), out),
              DevelopStatus::InvalidInput);
}

TEST(DevelopRegion, TwoThreadsDevelopingAtOnce)
{
    // The worker and the user-interface thread may each develop: two runs at
    // once give what each gives alone.
    RegionDoc a(64, 48, true, false, 7);
    a.EverythingOn(false);
    RegionDoc b(48, 64, false, false, 8);
    b.doc.Edit().SetField(ParamField::sharpness, 0);
    const std::vector<uint16_t> aloneA = a.Develop(1);
    const std::vector<uint16_t> aloneB = b.Develop(0);
    std::vector<uint16_t> togetherA;
    std::thread other([&] { togetherA = a.Develop(1); });
    const std::vector<uint16_t> togetherB = b.Develop(0);
    other.join();
    EXPECT_EQ(togetherA, aloneA);
    EXPECT_EQ(togetherB, aloneB);
}

} // namespace
} // namespace velmo
