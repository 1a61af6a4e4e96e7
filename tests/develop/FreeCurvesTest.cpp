#include "develop/context/FreeCurves.h"
#include "develop/context/Spline.h"

#include "develop/context/MakeContext.h"
#include "params/EditState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace velmo {
namespace {

CSpline Spline(std::vector<double> xs, std::vector<double> ys, int linear = 0)
{
    CSpline s;
    s.linear = linear;
    s.SetPoints(xs, ys);
    return s;
}

TEST(Spline, TwoPointsAreLinearWhateverTheFlag)
{
    for (int linear : {0, 1}) {
        const CSpline s = Spline({0.0, 1.0}, {0.0, 1.0}, linear);
        for (double x : {0.1, 0.3, 0.77})
            EXPECT_DOUBLE_EQ(s.Evaluate(x), x) << linear;
    }
}

TEST(Spline, NaturalSplineThroughThreePoints)
{
    const CSpline s = Spline({0.0, 0.5, 1.0}, {0.0, 0.8, 1.0});
    EXPECT_DOUBLE_EQ(s.Evaluate(0.5), 0.8);
    // By hand: second derivative -3.6 at the middle point, 0 at the ends.
    EXPECT_NEAR(s.Evaluate(0.25), 0.45625, 1e-12);
    auto second = [&](double x) {
        const double d = 1e-4;
        return (s.Evaluate(x + d) - 2 * s.Evaluate(x) + s.Evaluate(x - d)) / (d * d);
    };
    EXPECT_NEAR(second(0.0001 + 1e-4), 0.0, 0.01);
    EXPECT_NEAR(second(0.9999 - 1e-4), 0.0, 0.01);
    EXPECT_NEAR(second(0.5 - 2e-4), -3.6, 0.01);
    // Linear flag: straight segments through the same points.
    const CSpline lin = Spline({0.0, 0.5, 1.0}, {0.0, 0.8, 1.0}, 1);
    EXPECT_NEAR(lin.Evaluate(0.25), 0.4, 1e-12);
    EXPECT_NEAR(lin.Evaluate(0.75), 0.9, 1e-12);
}

TEST(Spline, PassesThroughEveryPointAndIsSmooth)
{
    std::vector<double> xs, ys;
    for (int i = 0; i < 16; ++i) {
        xs.push_back(i / 15.0);
        ys.push_back(0.5 + 0.4 * std::sin(i * 0.9));
    }
    const CSpline s = Spline(xs, ys);
    for (size_t i = 0; i < xs.size(); ++i)
        EXPECT_NEAR(s.Evaluate(xs[i]), ys[i], 1e-12) << i;
    // Continuous across every interior point.
    for (size_t i = 1; i + 1 < xs.size(); ++i)
        EXPECT_NEAR(s.Evaluate(xs[i] - 1e-9), s.Evaluate(xs[i] + 1e-9), 1e-7) << i;
    // Collinear points give the line itself.
    const CSpline line = Spline({0.0, 0.2, 0.6, 1.0}, {0.1, 0.3, 0.7, 1.1});
    EXPECT_NEAR(line.Evaluate(0.4), 0.5, 1e-12);
}

TEST(Spline, ClampsOutsideThePoints)
{
    const CSpline s = Spline({0.2, 0.5, 0.8}, {0.3, 0.6, 0.9});
    EXPECT_EQ(s.Evaluate(0.0), 0.3);
    EXPECT_EQ(s.Evaluate(-5.0), 0.3);
    EXPECT_EQ(s.Evaluate(0.95), 0.9);
    EXPECT_EQ(s.Evaluate(7.0), 0.9);
    const CSpline empty;
    EXPECT_EQ(empty.Evaluate(0.5), 0.0);
    const CSpline one = Spline({0.5}, {0.25});
    EXPECT_EQ(one.Evaluate(0.1), 0.25);
    EXPECT_EQ(one.Evaluate(0.9), 0.25);
}

TEST(Spline, RepeatedXGivesFiniteValues)
{
    const CSpline s = Spline({0.0, 0.5, 0.5, 1.0}, {0.0, 0.2, 0.8, 1.0});
    for (double x = 0.0; x <= 1.0; x += 0.01)
        EXPECT_TRUE(std::isfinite(s.Evaluate(x))) << x;
}

// ---------------------------------------------------------------------------

class FreeCurveTables : public ::testing::Test {
protected:
    static FreeCurveRecord Record(std::initializer_list<std::pair<int, int>> points, int linear = 0)
    {
        FreeCurveRecord r{};
        r.linear = uint16_t(linear);
        for (auto [x, y] : points) {
            r.points[r.count].x = uint16_t(x);
            r.points[r.count].y = uint16_t(y);
            ++r.count;
        }
        return r;
    }
};

TEST_F(FreeCurveTables, EmptyStoreBuildsTheIdentity)
{
    EditState edit;
    edit.SetFreeCurve(FreeCurveStore{});
    for (const auto& channel : edit.FreeCurve().channel) {
        EXPECT_EQ(channel.count, 2);
        EXPECT_EQ(channel.points[1].x, 65535);
        EXPECT_EQ(channel.points[1].y, 65535);
    }
    EXPECT_EQ(edit.FreeCurvePointSet(), IdentityFreeCurvePoints());
    DevelopTables tables;
    EXPECT_TRUE(tables.FreeCurve(edit.FreeCurvePointSet())->IsIdentity());
}

TEST_F(FreeCurveTables, BadChannelsResetOneByOne)
{
    struct Case {
        const char* name;
        FreeCurveRecord red;
    } cases[] = {
        {"no points", Record({})},
        {"repeated x", Record({{0, 0}, {30000, 10000}, {30000, 50000}, {65535, 65535}})},
        {"unsorted x", Record({{0, 0}, {40000, 10000}, {30000, 50000}, {65535, 65535}})},
        {"too many", [] {
             FreeCurveRecord r = Record({{0, 0}, {65535, 65535}});
             r.count = 17;
             return r;
         }()},
    };
    for (const auto& c : cases) {
        FreeCurveStore store{};
        const FreeCurveRecord inverted = Record({{0, 65535}, {65535, 0}});
        store.channel[0] = inverted;
        store.channel[1] = c.red;
        store.channel[2] = Record({{0, 0}, {65535, 65535}});
        store.channel[3] = Record({{0, 0}, {65535, 32767}}, 1);
        EXPECT_EQ(NormalizeFreeCurveStore(store), 1) << c.name;
        EXPECT_EQ(std::memcmp(&store.channel[0], &inverted, sizeof inverted), 0) << c.name;
        const FreeCurveRecord identity = IdentityFreeCurveRecord();
        EXPECT_EQ(std::memcmp(&store.channel[1], &identity, sizeof identity), 0) << c.name;

        // The master curve runs before each channel's own curve.
        const auto lut = MakeFreeCurveLut(FreeCurvePointsOf(store));
        for (int i : {0, 1000, 32768, 65535}) {
            EXPECT_NEAR(lut->channel[0][i], 65535 - i, 1) << c.name << " " << i;
            EXPECT_NEAR(lut->channel[1][i], 65535 - i, 1) << c.name << " " << i;
            EXPECT_NEAR(lut->channel[2][i], (65535 - i) * 32767.0 / 65535.0, 1) << c.name << " " << i;
        }
    }
}

TEST_F(FreeCurveTables, StoredPointsBecomeUnitValuesAndBack)
{
    FreeCurveStore store{};
    for (auto& channel : store.channel)
        channel = Record({{0, 0}, {20000, 30000}, {65535, 65535}});
    store.channel[2].linear = 1;
    const FreeCurvePoints points = FreeCurvePointsOf(store);
    EXPECT_EQ(points.x[0].back(), 1.0);
    EXPECT_EQ(points.y[3].back(), 1.0);
    EXPECT_NEAR(points.x[2][1], 20000.0 / 65535.0, 1e-7);
    EXPECT_EQ(points.linear, (std::array<int, 4>{0, 0, 1, 0}));
    const FreeCurveStore back = FreeCurveStoreOf(points);
    EXPECT_EQ(std::memcmp(&back, &store, sizeof store), 0);
}

// A run keeps the table it took while the points change; the same points
// give the table already built.
TEST_F(FreeCurveTables, ATableInUseIsNeverRewritten)
{
    DevelopTables tables;
    const auto taken = tables.FreeCurve(IdentityFreeCurvePoints());
    FreeCurveStore store{};
    store.channel[0] = Record({{0, 65535}, {65535, 0}});
    const FreeCurvePoints inverted = FreeCurvePointsOf(store);
    const auto next = tables.FreeCurve(inverted);
    EXPECT_NE(next, taken);
    EXPECT_TRUE(taken->IsIdentity());
    EXPECT_FALSE(next->IsIdentity());
    EXPECT_EQ(tables.FreeCurve(inverted), next);
    EXPECT_EQ(tables.FreeCurveBuilds(), 2u);
}

} // namespace
} // namespace velmo
