#include "develop/context/DevelopContext.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>

namespace velmo {
namespace {

struct MixCase {
    const char* name;
    int typeSR;
    int easySR;
    int mixSR;
    int sOn, rOn;
    float gammaSR;   // R exponent 1 / gammaSR (types other than easy)
    float gammaSR2;
    int linearSR;
    float sensitize; // gain 2^sensitize
    float s[3];
    float r[3];
    float expected[3];
};

DevelopContext MixContext(const MixCase& c)
{
    DevelopContext ctx;
    DevParams& p = ctx.params;
    p.twoFrames = 1;
    p.typeSR = c.typeSR;
    p.easySR = c.easySR;
    p.mixSR = c.mixSR;
    p.sImageOn = c.sOn;
    p.rImageOn = c.rOn;
    p.gammaSR = c.gammaSR;
    p.gammaSR2 = c.gammaSR2;
    p.linearSR = c.linearSR;
    p.sensitize = c.sensitize;
    p.gamma = 1.0f;
    ctx.constants = MakeDevelopConstants(p, 0, {});
    return ctx;
}

const float kEasy = std::pow(0.2f, 0.8333333f);

// R pixels of a different value per channel, so that a channel mix-up shows.
const MixCase kMixCases[] = {
    {"S only", 0, 0, 50, 1, 1, 1, 1, 0, 0, {0.4f, 0.4f, 1.5f}, {0.2f, 0.1f, 0.05f}, {0.4f, 0.4f, 1.0f}},
    {"R only", 1, 0, 50, 1, 1, 1, 1, 0, 1, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.4f, 0.2f, 0.1f}},
    {"simple", 2, 0, 50, 1, 1, 1, 1, 0, 0, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.3f, 0.25f, 0.225f}},
    {"simple R exponent", 2, 0, 50, 1, 1, 2, 1, 0, 0, {0.4f, 0.4f, 0.4f}, {0.25f, 0.16f, 0.04f}, {0.45f, 0.4f, 0.3f}},
    {"simple S off", 2, 0, 50, 0, 1, 1, 1, 0, 0, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.1f, 0.05f, 0.025f}},
    {"simple R off", 2, 0, 50, 1, 0, 1, 1, 0, 0, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.2f, 0.2f, 0.2f}},
    // Gain 0.5: R is divided by it before mixing.
    {"simple gain 0.5", 2, 0, 50, 1, 1, 1, 1, 0, -1, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.4f, 0.3f, 0.25f}},
    {"type 1 label", 3, 0, 50, 1, 1, 1, 1, 0, 0, {0.4f, -0.1f, 1.2f}, {0.2f, 0.1f, 0.05f}, {0.4f, 0.0f, 1.0f}},
    {"type 2", 4, 0, 50, 1, 1, 1, 2, 0, 0, {0.4f, 0.4f, 0.4f}, {0.2f, 0.1f, 0.05f}, {0.6f, 0.4f, 0.3f}},
    // Easy: L = 0.5, f = 1: 8 L f = 4 and 1 - 2 L f = 0.
    {"easy type", 5, 0, 240, 1, 1, 1, 1, 0, 0, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f},
     {4 * kEasy, 4 * kEasy, 4 * kEasy}},
    {"easy switch overrides type", 2, 1, 240, 1, 1, 1, 1, 0, 0, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f},
     {4 * kEasy, 4 * kEasy, 4 * kEasy}},
    {"easy half", 5, 0, 120, 1, 1, 1, 1, 0, 0, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f},
     {2 * kEasy + 0.25f, 2 * kEasy + 0.25f, 2 * kEasy + 0.25f}},
    {"easy mix clamped", 5, 0, 480, 1, 1, 1, 1, 0, 0, {0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f},
     {4 * kEasy, 4 * kEasy, 4 * kEasy}},
    // Linear, threshold 0.7, R weight 0.5.
    {"linear below", 6, 0, 0, 1, 1, 1, 0.5f, 70, 0, {0.5f, 0.5f, 0.5f}, {0.2f, 0.1f, 0.05f}, {0.5f, 0.5f, 0.5f}},
    {"linear blend", 6, 0, 0, 1, 1, 1, 0.5f, 70, 0, {0.8f, 0.8f, 0.8f}, {0.2f, 0.1f, 0.05f}, {1.2f, 0.8f, 0.6f}},
    {"linear above", 6, 0, 0, 1, 1, 1, 0.5f, 70, 0, {0.95f, 0.95f, 0.95f}, {0.2f, 0.1f, 0.05f}, {1.6f, 0.8f, 0.4f}},
    {"linear gain 0.5 keeps R", 6, 0, 0, 1, 1, 1, 0.5f, 70, -1, {0.95f, 0.95f, 0.95f}, {0.2f, 0.1f, 0.05f},
     {1.6f, 0.8f, 0.4f}},
    {"16 x R", 7, 0, 0, 1, 1, 1, 1, 0, -1, {0.3f, 0.3f, 0.3f}, {0.2f, 0.1f, 0.05f}, {3.2f, 1.6f, 0.8f}},
};

class MixSRTable : public ::testing::TestWithParam<MixCase> {};

TEST_P(MixSRTable, Mix)
{
    const MixCase& c = GetParam();
    const DevelopContext ctx = MixContext(c);
    float s[3] = {c.s[0], c.s[1], c.s[2]};
    float r[3] = {c.r[0], c.r[1], c.r[2]};
    ctx.MixSR(s, r);
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_NEAR(s[ch], c.expected[ch], 2e-5f) << "channel " << ch;
}

INSTANTIATE_TEST_SUITE_P(EveryType, MixSRTable, ::testing::ValuesIn(kMixCases),
                         [](const ::testing::TestParamInfo<MixCase>& testInfo) {
                             std::string n = testInfo.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

struct ScaleCase {
    const char* name;
    int typeSR;
    int easySR;
    int exrMode;
    int rDivisor;
    float sensitize;
    float s[3];
    float r[3];
    float expectedS[3];
    float expectedR[3];
};

TEST(ScaleSR, Cases)
{
    const ScaleCase cases[] = {
        {"R only leaves both", 1, 0, 2, 4, 0, {0.5f, 0.97f, 1.0f}, {0.4f, 0.4f, 0.4f}, {0.5f, 0.97f, 1.0f},
         {0.4f, 0.4f, 0.4f}},
        {"divisor", 2, 0, 0, 4, 0, {0.5f, 0.5f, 0.5f}, {0.4f, 0.2f, 0.8f}, {0.5f, 0.5f, 0.5f}, {0.1f, 0.05f, 0.2f}},
        {"divisor 1 ignored", 2, 0, 0, 1, 0, {0.5f, 0.5f, 0.5f}, {0.4f, 0.2f, 0.8f}, {0.5f, 0.5f, 0.5f},
         {0.4f, 0.2f, 0.8f}},
        // DR: values at or above 0.95 extend to 16 R, then R follows S / 16.
        {"dr extends", 2, 0, 2, 4, 0, {0.5f, 0.95f, 1.0f}, {0.4f, 0.4f, 0.2f}, {0.5f, 1.6f, 1.0f},
         {0.5f / 16, 0.1f, 1.0f / 16}},
        {"dr easy with linear type", 6, 1, 2, 0, 0, {0.96f, 0.2f, 0.2f}, {0.1f, 0.0f, 0.0f}, {1.6f, 0.2f, 0.2f},
         {0.1f, 0.0125f, 0.0125f}},
        {"dr linear type skipped", 6, 0, 2, 0, 0, {0.96f, 0.2f, 0.2f}, {0.1f, 0.0f, 0.0f}, {0.96f, 0.2f, 0.2f},
         {0.1f, 0.0f, 0.0f}},
        {"dr gain below 1 skipped", 2, 0, 2, 0, -1, {0.96f, 0.2f, 0.2f}, {0.1f, 0.0f, 0.0f}, {0.96f, 0.2f, 0.2f},
         {0.1f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        DevelopContext ctx;
        ctx.params.twoFrames = 1;
        ctx.params.typeSR = c.typeSR;
        ctx.params.easySR = c.easySR;
        ctx.params.sensitize = c.sensitize;
        ctx.params.gamma = 1.0f;
        ctx.constants = MakeDevelopConstants(ctx.params, 0, {});
        ctx.exrMode = c.exrMode;
        ctx.rDivisor = c.rDivisor;
        float s[3] = {c.s[0], c.s[1], c.s[2]};
        float r[3] = {c.r[0], c.r[1], c.r[2]};
        ctx.ScaleSR(s, r);
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_NEAR(s[ch], c.expectedS[ch], 1e-6f) << c.name << " s" << ch;
            EXPECT_NEAR(r[ch], c.expectedR[ch], 1e-6f) << c.name << " r" << ch;
        }
    }
}

} // namespace
} // namespace velmo
