#include "platform/core/PixelMath.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmo {
namespace {

constexpr float kPi = 3.1415927f;

struct HsiCase {
    float r, g, b;
    HueModel model;
    float hue, saturation, intensity;
};

TEST(RGBToHSI, KnownColours)
{
    const HsiCase cases[] = {
        {1, 0, 0, HueModel::HLS, 0, 1, 0.5f},
        {1, 0, 0, HueModel::HSV, 0, 1, 1},
        {0, 0, 1, HueModel::HLS, 4 * kPi / 3, 1, 0.5f},
        {0, 0, 1, HueModel::HSV, 4 * kPi / 3, 1, 1},
        {0, 1, 0, HueModel::HSV, 2 * kPi / 3, 1, 1},
        {0.5f, 0.5f, 0.5f, HueModel::HLS, 0, 0, 0.5f},
        {0.5f, 0.5f, 0.5f, HueModel::HSV, 0, 0, 0.5f},
        {1, 0, 1, HueModel::HSV, 5 * kPi / 3, 1, 1}, // magenta: negative hue wrapped
        {0.75f, 0.25f, 0.25f, HueModel::HLS, 0, 0.5f, 0.5f},
        {0.8f, 0.6f, 0.6f, HueModel::HLS, 0, 1.0f / 3, 0.7f}, // lightness above 0.5
        {0, 0, 0, HueModel::HSV, 0, 0, 0},
    };
    for (const auto& c : cases) {
        float h, s, i;
        RGBToHSI(c.r, c.g, c.b, &h, &s, &i, c.model);
        EXPECT_NEAR(h, c.hue, 1e-5) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(s, c.saturation, 1e-5) << c.r << " " << c.g << " " << c.b;
        EXPECT_NEAR(i, c.intensity, 1e-6) << c.r << " " << c.g << " " << c.b;
    }
}

TEST(RGBToHSI, InputsAboveOneDoNotDivideByZero)
{
    float h, s, i;
    RGBToHSI(1.5f, 0.5f, 0.5f, &h, &s, &i, HueModel::HLS); // 2 - max - min = 0
    EXPECT_TRUE(std::isfinite(s));
    EXPECT_TRUE(std::isfinite(h));
}

class HsiRoundTrip : public ::testing::TestWithParam<HueModel> {};

TEST_P(HsiRoundTrip, ConversionsInvertEachOther)
{
    const HueModel model = GetParam();
    for (float r = 0; r <= 1.0f; r += 0.125f)
        for (float g = 0; g <= 1.0f; g += 0.125f)
            for (float b = 0; b <= 1.0f; b += 0.125f) {
                float h, s, i, r2 = -1, g2 = -1, b2 = -1;
                RGBToHSI(r, g, b, &h, &s, &i, model);
                ASSERT_GE(h, 0.0f);
                ASSERT_LT(h, 2 * kPi);
                HSIToRGB(h, s, i, &r2, &g2, &b2, model);
                EXPECT_NEAR(r2, r, 2e-5) << r << " " << g << " " << b;
                EXPECT_NEAR(g2, g, 2e-5) << r << " " << g << " " << b;
                EXPECT_NEAR(b2, b, 2e-5) << r << " " << g << " " << b;
            }
}

INSTANTIATE_TEST_SUITE_P(Models, HsiRoundTrip, ::testing::Values(HueModel::HLS, HueModel::HSV));

TEST(HSIToRGB, GreyForZeroSaturationAndHueAtTwoPi)
{
    for (HueModel m : {HueModel::HLS, HueModel::HSV}) {
        float r, g, b;
        HSIToRGB(3.0f, 0.0f, 0.3f, &r, &g, &b, m);
        EXPECT_FLOAT_EQ(r, 0.3f);
        EXPECT_FLOAT_EQ(g, 0.3f);
        EXPECT_FLOAT_EQ(b, 0.3f);
        // Just below 2 pi the sector computes as 6: it is red, not left unset.
        r = g = b = -1;
        HSIToRGB(std::nextafter(2 * kPi, 0.0f), 1.0f, m == HueModel::HLS ? 0.5f : 1.0f, &r, &g, &b, m);
        EXPECT_NEAR(r, 1.0f, 1e-5);
        EXPECT_NEAR(g, 0.0f, 1e-5);
        EXPECT_NEAR(b, 0.0f, 1e-4);
    }
}

TEST(DirectionalMean2, ChoosesTheDirectionOfTheCloserGuide)
{
    EXPECT_EQ(DirectionalMean2(10, 20, 5, 5, 0), 15);
    EXPECT_EQ(DirectionalMean2(10, 20, 5, 7, 6), 10);
    EXPECT_EQ(DirectionalMean2(10, 20, 3, 7, 6), 20);
    EXPECT_EQ(DirectionalMean2(10, 20, 6, 7, 6), 10);
    EXPECT_EQ(DirectionalMean2(10, 20, 5, 6, 6), 20);
    EXPECT_EQ(DirectionalMean2(11, 20, 4, 4, 4), 15);
    EXPECT_EQ(AbsInt(-4), 4);
}

TEST(Kernels, ValuesAtKnownPoints)
{
    EXPECT_DOUBLE_EQ(Lanczos3(0), 1.0);
    EXPECT_DOUBLE_EQ(Lanczos3(3), 0.0);
    EXPECT_DOUBLE_EQ(Lanczos3(-3.5), 0.0);
    EXPECT_NEAR(Lanczos3(1), 0.0, 1e-6);
    EXPECT_NEAR(Lanczos3(0.5), 0.6079271, 1e-6);
    EXPECT_NEAR(Lanczos3(-0.5), Lanczos3(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(Lanczos2(0), 1.0);
    EXPECT_DOUBLE_EQ(Lanczos2(2), 0.0);
    EXPECT_NEAR(Lanczos2(0.5), 0.5731591, 1e-6);
    EXPECT_DOUBLE_EQ(Cubic(0), 1.0);
    EXPECT_DOUBLE_EQ(Cubic(1), 0.0);
    EXPECT_DOUBLE_EQ(Cubic(0.5), 0.625);
    EXPECT_DOUBLE_EQ(Cubic(1.5), -0.125);
    EXPECT_DOUBLE_EQ(Cubic(2), 0.0);
}

TEST(StringList, SplitsAtBarsAndStopsAtAnEmptyPiece)
{
    std::vector<std::string> list{"x"};
    EXPECT_EQ(SplitStringList("Reds|Yellows||Greens", &list), 3);
    EXPECT_EQ(list, (std::vector<std::string>{"x", "Reds", "Yellows"}));
    list.clear();
    EXPECT_EQ(SplitStringList("a|b", &list), 2);
    EXPECT_EQ(LoadStringList(61231, &list), 6);
    EXPECT_EQ(list[5], "Preview size");
    std::vector<std::string> none;
    EXPECT_EQ(LoadStringList(1, &none), 0);
}

} // namespace
} // namespace velmo
