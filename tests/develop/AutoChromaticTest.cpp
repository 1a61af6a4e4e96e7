#include "develop/preview/AutoChromatic.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace velmo {
namespace {

int64_t Bowl(int v, int centre) { return int64_t(v - centre) * (v - centre) * 100 + 1000; }

TEST(ChromaticSearch, FindsTheMinimumOfEachChannel)
{
    struct Case {
        int red, blue;
    } cases[] = {{5, -7}, {0, 0}, {-30, 41}, {1, -1}, {13, 13}};
    for (const auto& c : cases) {
        std::set<std::pair<int, int>> rendered;
        const auto result = SearchChromaticAberration([&](int r, int b) {
            EXPECT_TRUE(rendered.insert({r, b}).second) << "pair rendered twice: " << r << "," << b;
            return FringeSums{Bowl(r, c.red), Bowl(b, c.blue)};
        });
        EXPECT_EQ(result.chromaRed, c.red);
        EXPECT_EQ(result.chromaBlue, c.blue);
        EXPECT_FALSE(result.aborted);
        EXPECT_EQ(result.renders, int(rendered.size()));
    }
}

TEST(ChromaticSearch, WithoutFringesTheValuesStayNearZero)
{
    const auto result = SearchChromaticAberration([](int, int) { return FringeSums{500, 500}; });
    // Equal sums move each value by -q until the step reaches 1; ties keep the middle.
    EXPECT_EQ(result.chromaRed, -4 - 3 - 2 - 1 - 1 - 1 - 1 - 1 - 1);
    EXPECT_EQ(result.chromaRed, result.chromaBlue);
}

TEST(ChromaticSearch, FallingSumsMoveByWholeStepsAndTheRoundsAreCapped)
{
    // Always falling towards larger values: the step never shrinks.
    const auto result = SearchChromaticAberration([](int r, int b) { return FringeSums{-int64_t(r), -int64_t(b)}; },
                                                  {}, 10);
    EXPECT_EQ(result.rounds, 10);
    EXPECT_EQ(result.chromaRed, 160);
    EXPECT_EQ(result.chromaBlue, 160);
}

TEST(ChromaticSearch, AbortStopsRendersAndKeepsTheValuesReached)
{
    int renders = 0;
    const auto result = SearchChromaticAberration(
        [&](int r, int b) {
            ++renders;
            return FringeSums{Bowl(r, 40), Bowl(b, 40)};
        },
        [&] { return renders >= 4; });
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(renders, 4);
    EXPECT_EQ(result.renders, 4);
    EXPECT_LE(result.rounds, kChromaticMaxRounds);
}

TEST(ChromaticSearch, StepDecisions)
{
    struct Case {
        int64_t s0, s1, s2;
        int v, s, v2, s2after;
    } cases[] = {
        {3, 2, 1, 0, 16, 16, 16},  // falling
        {1, 2, 3, 0, 16, -16, 16}, // rising
        {5, 1, 4, 0, 16, 4, 12},   // valley leaning right
        {4, 1, 5, 0, 16, -4, 12},  // valley leaning left
        {4, 1, 5, 0, 3, -1, 2},    // q at least 1
        {1, 2, 3, 7, 1, 6, 0},     // last step: left smallest
        {3, 2, 1, 7, 1, 8, 0},     // right smallest
        {2, 2, 2, 7, 1, 7, 0},     // tie favours the middle
    };
    for (const auto& c : cases) {
        int v = c.v, s = c.s;
        DecideChromaticStep(c.s0, c.s1, c.s2, &v, &s);
        EXPECT_EQ(v, c.v2) << c.s0 << " " << c.s1 << " " << c.s2 << " step " << c.s;
        EXPECT_EQ(s, c.s2after) << c.s0 << " " << c.s1 << " " << c.s2 << " step " << c.s;
    }
}

TEST(ChromaticSearch, SixteenBorderPointsForEachRotation)
{
    for (int rotate : {0, 1, 2}) {
        const auto points = ChromaticBorderPoints(rotate);
        ASSERT_EQ(points.size(), 16u);
        // Turned pictures map the far edge to -1; the kept-inside magnifier clamps it.
        for (const auto& p : points) {
            EXPECT_TRUE(p.x <= 0 || p.x >= 511 || p.y <= 0 || p.y >= 383) << rotate << ": " << p.x << "," << p.y;
            EXPECT_GE(p.x, -1);
            EXPECT_LE(p.x, 512);
            EXPECT_GE(p.y, -1);
            EXPECT_LE(p.y, 384);
        }
    }
    EXPECT_EQ(ChromaticBorderPoints(0)[0].x, 0);
    EXPECT_EQ(ChromaticBorderPoints(1)[0].y, 383);
    EXPECT_EQ(ChromaticBorderPoints(2)[0].x, 511);
}

} // namespace
} // namespace velmo
