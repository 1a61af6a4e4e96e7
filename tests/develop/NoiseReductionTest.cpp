#include "develop/passes/NoiseReduction.h"

#include "platform/core/ParallelRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace velmo {
namespace {

struct Plane {
    int width, height;
    std::vector<int32_t> values;
    int32_t& at(int x, int y) { return values[size_t(y) * width + size_t(x)]; }
    int32_t Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

Plane Flat(int w, int h, int32_t v) { return {w, h, std::vector<int32_t>(size_t(w) * h, v)}; }

Plane Noisy(int w, int h, unsigned seed)
{
    Plane p = Flat(w, h, 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> noise(0, 30000);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.at(x, y) = (x > w / 2 ? 300000 : 100000) + noise(rng);
    return p;
}

// Records the labels it is shown and asks to stop at a chosen label.
class LabelProgress final : public IProgress {
public:
    explicit LabelProgress(std::string stopLabel = {}) : stopAt(std::move(stopLabel)) {}
    int Report(int percent, const char* label) override
    {
        if (percent >= 0 && label)
            labels.emplace_back(label);
        return !stopAt.empty() && label && stopAt == label ? 1 : 0;
    }
    std::string stopAt;
    std::vector<std::string> labels;
};

// Wide sigmas: every neighbour weighs almost the same, so the bilateral
// filter is close to a plain window mean.
NoiseReductionParams MeanLike(int radius, int sizeMode)
{
    NoiseReductionParams p;
    p.radius = radius;
    p.strength = 100;
    p.spatialSigma = 100000;
    p.rangeSigma = 100000;
    p.sizeMode = sizeMode;
    return p;
}

TEST(NoiseReductionRadius, ScaledBySizeModeAndClamped)
{
    struct Case {
        int nr1, sizeMode, bilateral, median;
    } cases[] = {
        {1, 0, 2, 1},  {1, 8, 2, 1},   {3, 1, 4, 3},  {3, 9, 4, 3},         {5, 2, 5, 5},
        {5, 10, 5, 5}, {6, 0, 10, 6},  {0, 0, 0, 0},  {-3, 0, 0, 0},        {INT_MAX, 8, 10, 10},
        {INT_MIN, 1, 0, 0},            {12, 2, 10, 10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BilateralRadius(c.nr1, c.sizeMode), c.bilateral) << c.nr1 << " mode " << c.sizeMode;
        EXPECT_EQ(MedianRadius(c.nr1), c.median) << c.nr1;
    }
}

TEST(NoiseReductionMirror, ReflectsWithoutRepeatingTheFirstAndWithRepeatingTheLast)
{
    struct Case {
        int c, n, expect;
    } cases[] = {
        {-1, 5, 1}, {-4, 5, 4}, {5, 5, 4}, {6, 5, 3}, {9, 5, 0}, {0, 5, 0}, {4, 5, 4},
        // Planes smaller than the window: reflected again until inside.
        {-5, 5, 4}, {10, 5, 1}, {-3, 2, 0}, {7, 2, 1}, {-10, 1, 0}, {10, 1, 0}, {-20, 3, 0},
    };
    for (const Case& c : cases) {
        const int m = MirrorCoordinate(c.c, c.n);
        EXPECT_EQ(m, c.expect) << c.c << " in " << c.n;
        EXPECT_GE(m, 0);
        EXPECT_LT(m, c.n);
    }
}

TEST(BilateralNoiseReduction, FlatPlaneStaysExactlyFlat)
{
    for (int mode : {0, 1, 2}) {
        Plane p = Flat(37, 23, 123456);
        NoiseReductionParams params;
        params.sizeMode = mode;
        ASSERT_EQ(BilateralNoiseReduction(p.values, p.width, p.height, p.Max(), params, NoProgress()),
                  DevelopStatus::Ok);
        for (int32_t v : p.values)
            ASSERT_EQ(v, 123456) << "mode " << mode;
    }
}

TEST(BilateralNoiseReduction, BlackRegionIsLeftAlone)
{
    Plane p = Flat(8, 5, 0);
    ASSERT_EQ(BilateralNoiseReduction(p.values, p.width, p.height, 0, NoiseReductionParams{}, NoProgress()),
              DevelopStatus::Ok);
    EXPECT_EQ(p.values, Flat(8, 5, 0).values);
}

TEST(BilateralNoiseReduction, CentreOnlyWindowsKeepTheLuma)
{
    // Radius 0, or a spatial sigma so small that only the centre weighs:
    // the luma stays, up to the float truncation.
    NoiseReductionParams radius0;
    radius0.radius = 0;
    NoiseReductionParams sigma0;
    sigma0.spatialSigma = 0;
    for (const NoiseReductionParams& params : {radius0, sigma0}) {
        const Plane original = Noisy(40, 30, 3);
        Plane p = original;
        ASSERT_EQ(BilateralNoiseReduction(p.values, p.width, p.height, p.Max(), params, NoProgress()),
                  DevelopStatus::Ok);
        for (size_t i = 0; i < p.values.size(); ++i)
            ASSERT_LE(std::abs(p.values[i] - original.values[i]), 1) << i;
    }
}

TEST(BilateralNoiseReduction, StrengthZeroLeavesThePlane)
{
    const Plane original = Noisy(20, 20, 4);
    for (int strength : {0, -40}) {
        Plane p = original;
        NoiseReductionParams params;
        params.strength = strength;
        EXPECT_EQ(BilateralNoiseReduction(p.values, p.width, p.height, p.Max(), params, NoProgress()),
                  DevelopStatus::Ok);
        EXPECT_EQ(p.values, original.values);
    }
}

TEST(BilateralNoiseReduction, EdgesMirrorWithoutRepeatingTheFirstColumn)
{
    // One row of 0 with 100 at the left or right end, radius 1 (size mode 2)
    // and near-uniform weights: the left end's window is 0, 100, 0 (column 1
    // mirrored), the right end's 0, 100, 100 (the last column repeated).
    Plane left = Flat(6, 1, 0);
    left.at(0, 0) = 100000;
    ASSERT_EQ(BilateralNoiseReduction(left.values, 6, 1, 100000, MeanLike(1, 2), NoProgress()), DevelopStatus::Ok);
    EXPECT_NEAR(left.at(0, 0), 33333, 500);
    EXPECT_NEAR(left.at(1, 0), 33333, 500);
    EXPECT_EQ(left.at(3, 0), 0);

    Plane right = Flat(6, 1, 0);
    right.at(5, 0) = 100000;
    ASSERT_EQ(BilateralNoiseReduction(right.values, 6, 1, 100000, MeanLike(1, 2), NoProgress()), DevelopStatus::Ok);
    EXPECT_NEAR(right.at(5, 0), 66667, 500);
    EXPECT_NEAR(right.at(4, 0), 33333, 500);
}

TEST(BilateralNoiseReduction, RadiusFollowsTheSizeMode)
{
    // A single bright column spreads over 2 x NR1 columns in size mode 0 and
    // over NR1 in size mode 2.
    for (const auto& [mode, reach] : {std::pair{0, 2}, std::pair{2, 1}}) {
        Plane p = Flat(21, 9, 0);
        for (int y = 0; y < 9; ++y)
            p.at(10, y) = 70000;
        ASSERT_EQ(BilateralNoiseReduction(p.values, 21, 9, 70000, MeanLike(1, mode), NoProgress()),
                  DevelopStatus::Ok);
        EXPECT_GT(p.at(10 + reach, 4), 0) << "mode " << mode;
        EXPECT_EQ(p.at(10 + reach + 1, 4), 0) << "mode " << mode;
        EXPECT_GT(p.at(10 - reach, 4), 0) << "mode " << mode;
        EXPECT_EQ(p.at(10 - reach - 1, 4), 0) << "mode " << mode;
    }
}

TEST(NoiseReduction, TinyPlanesWithTheLargestRadius)
{
    // Planes smaller than the window: nothing is read outside them (the
    // sanitizer build checks), flat stays flat.
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{3, 2}, std::pair{11, 1}}) {
        NoiseReductionParams params;
        params.radius = 10;
        params.sizeMode = 0;
        Plane bilateral = Flat(w, h, 5000);
        ASSERT_EQ(BilateralNoiseReduction(bilateral.values, w, h, 5000, params, NoProgress()), DevelopStatus::Ok);
        EXPECT_EQ(bilateral.values, Flat(w, h, 5000).values) << w << "x" << h;

        Plane median = Flat(w, h, 5000);
        median.at(0, 0) = 9000;
        const Plane before = median;
        ASSERT_EQ(MedianNoiseReduction(median.values, w, h, params, NoProgress()), DevelopStatus::Ok);
        if (w * h == 1)
            EXPECT_EQ(median.values, before.values);
        else
            EXPECT_EQ(median.at(w - 1, h - 1), 5000) << w << "x" << h;

        Plane noisy = Noisy(w, h, 11);
        ASSERT_EQ(BilateralNoiseReduction(noisy.values, w, h, noisy.Max(), params, NoProgress()), DevelopStatus::Ok);
        for (int32_t v : noisy.values) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 330000);
        }
    }
}

TEST(MedianNoiseReduction, FullStrengthGivesTheWindowMedianWithRepeatedEdges)
{
    // Column 0 is repeated at the left edge: its 3 x 3 window holds six
    // copies of the bright pixel, so it survives; one column in, it is gone.
    Plane p = Flat(5, 1, 0);
    p.at(0, 0) = 100;
    NoiseReductionParams params;
    params.radius = 1;
    ASSERT_EQ(MedianNoiseReduction(p.values, 5, 1, params, NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(p.values, (std::vector<int32_t>{100, 0, 0, 0, 0}));

    Plane q{3, 3, {1, 9, 2, 8, 3, 7, 4, 6, 5}};
    ASSERT_EQ(MedianNoiseReduction(q.values, 3, 3, params, NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(q.at(1, 1), 5);
}

TEST(MedianNoiseReduction, StrengthBlendsInIntegers)
{
    Plane q{3, 3, {1, 9, 2, 8, 3, 7, 4, 6, 5}};
    NoiseReductionParams params;
    params.radius = 1;
    params.strength = 50;
    ASSERT_EQ(MedianNoiseReduction(q.values, 3, 3, params, NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(q.at(1, 1), (3 * 50 + 50 * 5) / 100);
}

TEST(MedianNoiseReduction, RadiusOutOfRangeIsClamped)
{
    const Plane original = Noisy(30, 12, 5);
    NoiseReductionParams params;

    Plane negative = original;
    params.radius = -7;
    ASSERT_EQ(MedianNoiseReduction(negative.values, 30, 12, params, NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(negative.values, original.values);

    Plane huge = original;
    params.radius = INT_MAX;
    ASSERT_EQ(MedianNoiseReduction(huge.values, 30, 12, params, NoProgress()), DevelopStatus::Ok);
    Plane ten = original;
    params.radius = 10;
    ASSERT_EQ(MedianNoiseReduction(ten.values, 30, 12, params, NoProgress()), DevelopStatus::Ok);
    EXPECT_EQ(huge.values, ten.values);
}

TEST(NoiseReduction, ProgressLabelsAndAbort)
{
    struct Case {
        bool median;
        const char* stopAt;
    } cases[] = {{false, "Bilateral NR 1/2"}, {false, "Bilateral NR 2/2"}, {true, "Median NR"}};
    for (const Case& c : cases) {
        const Plane original = Noisy(50, 200, 6);
        Plane p = original;
        LabelProgress progress(c.stopAt);
        const DevelopStatus status =
            c.median ? MedianNoiseReduction(p.values, 50, 200, NoiseReductionParams{}, progress)
                     : BilateralNoiseReduction(p.values, 50, 200, p.Max(), NoiseReductionParams{}, progress);
        EXPECT_EQ(status, DevelopStatus::Aborted) << c.stopAt;
        EXPECT_EQ(p.values, original.values) << "an aborted filter leaves its input";
        ASSERT_FALSE(progress.labels.empty());
        EXPECT_EQ(progress.labels.back(), c.stopAt);
    }
    // Without an abort: one report on the first row and one every 64 rows.
    Plane p = Noisy(50, 200, 6);
    LabelProgress progress;
    ASSERT_EQ(MedianNoiseReduction(p.values, 50, 200, NoiseReductionParams{}, progress), DevelopStatus::Ok);
    EXPECT_EQ(progress.labels, std::vector<std::string>(4, "Median NR"));
}

TEST(NoiseReduction, SameBytesOnOneThreadAndAllCores)
{
    const Plane original = Noisy(301, 257, 7);
    auto run = [&](int threads, bool median) {
        SetWorkerThreads(threads);
        Plane p = original;
        NoiseReductionParams params;
        params.radius = 2;
        params.strength = 80;
        params.sizeMode = 0;
        const DevelopStatus status = median ? MedianNoiseReduction(p.values, p.width, p.height, params, NoProgress())
                                            : BilateralNoiseReduction(p.values, p.width, p.height, p.Max(), params,
                                                                      NoProgress());
        EXPECT_EQ(status, DevelopStatus::Ok);
        return p.values;
    };
    for (bool median : {false, true}) {
        const auto one = run(1, median);
        EXPECT_NE(one, original.values);
        EXPECT_EQ(run(8, median), one) << (median ? "median" : "bilateral");
        EXPECT_EQ(run(3, median), one) << (median ? "median" : "bilateral");
    }
    SetWorkerThreads(0);
}

} // namespace
} // namespace velmo
