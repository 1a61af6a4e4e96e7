#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

class SpotWhiteBalance : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc{&host};
    test::EditLog log{doc.Edit()};

    void SetUp() override
    {
        test::EditImage(doc, [&](RawImage& img) {
            img.imageWidth = 64;
            img.imageHeight = 48;
            img.mainImage.assign(size_t(64) * 50 * 3 + 3, 0);
        });
        Fill(0, 0, 64, 48, 1000, 2000, 500);
        doc.Edit().ModifyParams([](DevParams& p) { p.customWB1 = p.customWB2 = p.customWB3 = 128; });
    }
    void Fill(int x0, int y0, int x1, int y1, uint16_t r, uint16_t g, uint16_t b)
    {
        test::EditImage(doc, [&](RawImage& img) {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    uint16_t* p = &img.mainImage[(size_t(y) * 64 + x) * 3];
                    p[0] = r;
                    p[1] = g;
                    p[2] = b;
                }
        });
    }
};

TEST_F(SpotWhiteBalance, GreyAreaGivesEqualGains)
{
    Fill(16, 12, 48, 36, 3000, 3000, 3000);
    doc.Edit().SetSwitch(SwitchId::UseRafWB, 0);
    // Preview (128..383, 96..287) maps to image (16..47, 12..35).
    ASSERT_TRUE(doc.SpotWhiteBalanceRect(128, 96, 383, 287));
    EXPECT_EQ(doc.Edit().Params().customWB1, 4096);
    EXPECT_EQ(doc.Edit().Params().customWB2, 4096);
    EXPECT_EQ(doc.Edit().Params().customWB3, 4096);
    EXPECT_EQ(doc.Edit().Params().whiteBalance, 7);
    EXPECT_EQ(log.Refreshes(), 1);
}

TEST_F(SpotWhiteBalance, PointTakesTheBlockAroundIt)
{
    doc.Edit().SetSwitch(SwitchId::UseRafWB, 1);
    ASSERT_TRUE(doc.SpotWhiteBalancePoint(256, 192));
    EXPECT_EQ(doc.Edit().Params().customWB1, 2048);
    EXPECT_EQ(doc.Edit().Params().customWB2, 4096);
    EXPECT_EQ(doc.Edit().Params().customWB3, 1024);
    EXPECT_EQ(doc.Edit().Params().whiteBalance, 11);
    // Two pixels from the border: ignored.
    EXPECT_FALSE(doc.SpotWhiteBalancePoint(8, 192));
    EXPECT_EQ(log.Refreshes(), 1);
}

TEST_F(SpotWhiteBalance, BlackOrReversedAreasAndLensCorrection)
{
    Fill(0, 0, 64, 48, 0, 0, 0);
    EXPECT_FALSE(doc.SpotWhiteBalanceRect(300, 200, 100, 50));
    EXPECT_EQ(doc.Edit().Params().customWB1, 128);
    Fill(0, 0, 64, 48, 10, 20, 40);
    EXPECT_TRUE(doc.SpotWhiteBalanceRect(300, 200, 100, 50)); // reversed corners are the same rectangle
    EXPECT_EQ(doc.Edit().Params().customWB3, 4096);

    test::RecordingMessages messages;
    doc.Edit().SetFeature(FeatureKind::LensCorrection, 1);
    doc.Edit().SetField(ParamField::customWB1, 5);
    EXPECT_FALSE(doc.SpotWhiteBalancePoint(256, 192));
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(doc.Edit().Params().customWB1, 5);
}

TEST_F(SpotWhiteBalance, FromTheMagnifierAtFullSize)
{
    doc.SetSizeMode(0);
    doc.SetMagnifierOrigin(10, 10);
    Fill(28, 28, 33, 33, 100, 100, 400);
    // Magnifier (40, 40) at scale 2 is image (30, 30).
    ASSERT_TRUE(doc.SpotWhiteBalanceFromMagnifier(40, 40));
    EXPECT_EQ(doc.Edit().Params().customWB1, 1024);
    EXPECT_EQ(doc.Edit().Params().customWB3, 4096);
}

} // namespace
} // namespace velmo
