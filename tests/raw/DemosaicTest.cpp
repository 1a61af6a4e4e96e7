#include "raw/Demosaic.h"

#include <gtest/gtest.h>

#include "platform/core/ParallelRows.h"

#include <functional>

namespace velmo {
namespace {

// A frame in the loader's layout with its spare rows.
struct TestFrame {
    int w, h;
    std::vector<uint16_t> px;
    TestFrame(int width, int height) : w(width), h(height), px(size_t(width) * (height + 2) * 3 + 3, 0) {}
    FramePlane Plane() { return {px.data(), w, h}; }
    uint16_t& at(int r, int c, int ch) { return px[(size_t(r) * w + c) * 3 + ch]; }
};

// Places a scene (value per site and colour) as a Bayer sensor measures it.
TestFrame BayerFrame(int w, int h, int e, const std::function<int(int, int, int)>& scene)
{
    TestFrame f(w, h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int ch = ((r + c) & 1) == 0 ? 1 : ((r & 1) == e ? 0 : 2);
            f.at(r, c, ch) = uint16_t(scene(r, c, ch));
        }
    return f;
}

// As a SuperCCD site: G in G, its R-or-B sample in both R and B.
TestFrame SuperCcdFrame(int w, int h, const std::function<int(int, int, int)>& scene)
{
    TestFrame f(w, h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int ch = ((r + c) & 1) == 0 ? 0 : 2;
            f.at(r, c, 0) = f.at(r, c, 2) = uint16_t(scene(r, c, ch));
            f.at(r, c, 1) = uint16_t(scene(r, c, 1));
        }
    return f;
}

TEST(DirectionalMean4, LowerScoreWinsAndTiesAverage)
{
    // Pair A's guides agree with the centre, pair B's do not.
    EXPECT_EQ(DirectionalMean4(10, 20, 100, 200, 50, 50, 10, 90, 50), 15);
    EXPECT_EQ(DirectionalMean4(10, 20, 100, 200, 10, 90, 50, 50, 50), 150);
    EXPECT_EQ(DirectionalMean4(10, 20, 100, 200, 50, 50, 50, 50, 50), (15 + 150) >> 1);
    // The 0.75 weight of the guide difference: |45 - 50| + 0.75 x 10 = 12.5 beats |60 - 50| + 0 = 10? No: 10 wins.
    EXPECT_EQ(DirectionalMean4(10, 20, 100, 200, 40, 50, 60, 60, 50), 150);
}

TEST(ChooseDirections3, VotesAndMajority)
{
    struct Case {
        int in[12];
        int out[3];
    } cases[] = {
        // All channels prefer A (smaller difference).
        {{10, 12, 0, 100, 20, 22, 0, 100, 30, 32, 0, 100}, {11, 21, 31}},
        // Channel 1 undecided follows the majority (B).
        {{0, 100, 10, 12, 5, 9, 1, 5, 0, 100, 30, 32}, {11, 3, 31}},
        // A tie of votes averages the pair means.
        {{10, 12, 0, 100, 4, 8, 20, 24, 0, 100, 30, 32}, {11, 14, 31}},
    };
    for (auto& c : cases) {
        int v[15];
        std::copy(c.in, c.in + 12, v);
        ChooseDirections3(v);
        EXPECT_EQ(v[12], c.out[0]);
        EXPECT_EQ(v[13], c.out[1]);
        EXPECT_EQ(v[14], c.out[2]);
    }
}

class BayerDemosaic : public ::testing::TestWithParam<int> {};

TEST_P(BayerDemosaic, FlatFieldStaysFlat)
{
    const int e = GetParam();
    auto f = BayerFrame(12, 10, e, [](int, int, int ch) { return 1000 + 500 * ch; });
    ASSERT_TRUE(InterpolateBayer(f.Plane(), e, NoProgress()));
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c)
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_EQ(f.at(r, c, ch), 1000 + 500 * ch) << r << "," << c << " ch " << ch;
}

TEST_P(BayerDemosaic, EdgesInEachDirectionStayInRange)
{
    const int e = GetParam();
    struct Edge {
        const char* name;
        std::function<bool(int, int)> bright;
    } edges[] = {
        {"vertical", [](int, int c) { return c >= 6; }},
        {"horizontal", [](int r, int) { return r >= 6; }},
        {"diagonal", [](int r, int c) { return r + c >= 12; }},
        {"antidiagonal", [](int r, int c) { return c - r >= 1; }},
    };
    for (const auto& edge : edges) {
        auto scene = [&](int r, int c, int) { return edge.bright(r, c) ? 3000 : 1000; };
        auto f = BayerFrame(14, 12, e, scene);
        ASSERT_TRUE(InterpolateBayer(f.Plane(), e, NoProgress()));
        for (int r = 1; r < f.h - 1; ++r)
            for (int c = 1; c < f.w - 1; ++c)
                for (int ch = 0; ch < 3; ++ch) {
                    const int v = f.at(r, c, ch);
                    EXPECT_GE(v, 1000) << edge.name << " " << r << "," << c;
                    EXPECT_LE(v, 3000) << edge.name << " " << r << "," << c;
                }
        // Away from the edge the picture is exact.
        for (int r = 2; r < f.h - 2; ++r)
            for (int c = 2; c < f.w - 2; ++c) {
                bool near = false;
                for (int dr = -2; dr <= 2; ++dr)
                    for (int dc = -2; dc <= 2; ++dc)
                        near |= edge.bright(r + dr, c + dc) != edge.bright(r, c);
                if (near)
                    continue;
                for (int ch = 0; ch < 3; ++ch)
                    EXPECT_EQ(f.at(r, c, ch), scene(r, c, ch)) << edge.name << " " << r << "," << c;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Phases, BayerDemosaic, ::testing::Values(0, 1));

TEST(SuperCcdDemosaic, FlatFieldAndCornerRule)
{
    auto f = SuperCcdFrame(10, 8, [](int, int, int ch) { return 800 + 300 * ch; });
    ASSERT_TRUE(InterpolateSuperCcd(f.Plane(), false, NoProgress()));
    for (int r = 0; r < f.h; ++r)
        for (int c = 0; c < f.w; ++c)
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_EQ(f.at(r, c, ch), 800 + 300 * ch) << r << "," << c << " ch " << ch;

    // The top-left pixel keeps its own R and takes B from its right and lower neighbours.
    auto g = SuperCcdFrame(6, 6, [](int r, int c, int) { return 100 * (r * 6 + c + 1); });
    ASSERT_TRUE(InterpolateSuperCcd(g.Plane(), false, NoProgress()));
    EXPECT_EQ(g.at(0, 0, 0), 100);
    EXPECT_EQ(g.at(0, 0, 2), (700 + 200) / 2);
}

TEST(SuperCcdDemosaic, EdgesStayInRangeForBothPasses)
{
    for (bool second : {false, true})
        for (int dir = 0; dir < 2; ++dir) {
            auto scene = [dir](int r, int c, int) { return (dir == 0 ? c >= 5 : r >= 5) ? 2000 : 500; };
            auto f = SuperCcdFrame(12, 10, scene);
            ASSERT_TRUE(InterpolateSuperCcd(f.Plane(), second, NoProgress()));
            for (int r = 0; r < f.h; ++r)
                for (int c = 0; c < f.w; ++c)
                    for (int ch = 0; ch < 3; ++ch) {
                        EXPECT_GE(f.at(r, c, ch), 500) << second << " " << dir << " " << r << "," << c;
                        EXPECT_LE(f.at(r, c, ch), 2000) << second << " " << dir << " " << r << "," << c;
                    }
        }
}

TEST(SuperCcdDemosaic, EdgesInEachDirectionAreExactAwayFromTheEdge)
{
    struct Edge {
        const char* name;
        std::function<bool(int, int)> bright;
    } edges[] = {
        {"vertical", [](int, int c) { return c >= 6; }},
        {"horizontal", [](int r, int) { return r >= 5; }},
        {"diagonal", [](int r, int c) { return r + c >= 11; }},
        {"antidiagonal", [](int r, int c) { return c - r >= 2; }},
    };
    for (bool second : {false, true})
        for (const auto& edge : edges) {
            auto scene = [&](int r, int c, int ch) { return (edge.bright(r, c) ? 3000 : 1000) + 100 * ch; };
            auto f = SuperCcdFrame(14, 12, scene);
            ASSERT_TRUE(InterpolateSuperCcd(f.Plane(), second, NoProgress()));
            for (int r = 0; r < f.h; ++r)
                for (int c = 0; c < f.w; ++c) {
                    bool near = false;
                    for (int dr = -2; dr <= 2; ++dr)
                        for (int dc = -2; dc <= 2; ++dc)
                            near |= edge.bright(r + dr, c + dc) != edge.bright(r, c);
                    for (int ch = 0; ch < 3; ++ch) {
                        const int v = f.at(r, c, ch);
                        EXPECT_GE(v, 1000 + 100 * ch) << edge.name << " " << second << " " << r << "," << c;
                        EXPECT_LE(v, 3000 + 100 * ch) << edge.name << " " << second << " " << r << "," << c;
                        if (!near) {
                            EXPECT_EQ(v, scene(r, c, ch)) << edge.name << " " << second << " " << r << "," << c;
                        }
                    }
                }
        }
}

TEST(Demosaic, TinyAndOddFramesStayInsideTheirBuffers)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 5}, {5, 3}, {7, 7}}) {
        auto f = BayerFrame(w, h, 0, [](int r, int c, int) { return 100 + r + c; });
        EXPECT_TRUE(InterpolateBayer(f.Plane(), 0, NoProgress()));
        auto g = SuperCcdFrame(w, h, [](int r, int c, int) { return 100 + r * c; });
        EXPECT_TRUE(InterpolateSuperCcd(g.Plane(), true, NoProgress()));
    }
}

struct AbortAt final : IProgress {
    std::string label;
    std::vector<std::string> seen;
    int Report(int, const char* l) override
    {
        if (seen.empty() || seen.back() != l)
            seen.push_back(l);
        return label == l;
    }
};

TEST(Demosaic, ProgressLabelsAndAbort)
{
    auto f = BayerFrame(16, 140, 0, [](int, int, int) { return 5; });
    AbortAt all;
    ASSERT_TRUE(InterpolateBayer(f.Plane(), 0, all));
    EXPECT_EQ(all.seen, (std::vector<std::string>{"Interpolate1", "Interpolate2", "Interpolate3", "Interpolate4"}));
    AbortAt stop;
    stop.label = "Interpolate3";
    EXPECT_FALSE(InterpolateBayer(f.Plane(), 0, stop));
}

TEST(BlackLevel, SubtractsWithoutWrapping)
{
    TestFrame f(2, 1);
    f.at(0, 0, 0) = 300;
    f.at(0, 0, 1) = 700;
    f.at(0, 1, 2) = 512;
    SubtractBlackLevel(f.Plane(), 512);
    EXPECT_EQ(f.at(0, 0, 0), 0);
    EXPECT_EQ(f.at(0, 0, 1), 188);
    EXPECT_EQ(f.at(0, 1, 2), 0);
}

} // namespace
} // namespace velmo

namespace velmo {
namespace {

TEST(Demosaic, OneThreadAndAllCoresGiveTheSameBytes)
{
    auto noisy = [](int r, int c, int ch) { return int((r * 7919u + c * 104729u + ch * 1299709u) % 4096u); };
    for (bool bayer : {true, false}) {
        auto a = bayer ? BayerFrame(96, 300, 0, noisy) : SuperCcdFrame(96, 300, noisy);
        auto b = a;
        SetWorkerThreads(1);
        ASSERT_TRUE(bayer ? InterpolateBayer(a.Plane(), 0, NoProgress()) : InterpolateSuperCcd(a.Plane(), false, NoProgress()));
        SetWorkerThreads(0);
        ASSERT_TRUE(bayer ? InterpolateBayer(b.Plane(), 0, NoProgress()) : InterpolateSuperCcd(b.Plane(), false, NoProgress()));
        EXPECT_EQ(a.px, b.px) << (bayer ? "Bayer" : "SuperCCD");
    }
}

} // namespace
} // namespace velmo
