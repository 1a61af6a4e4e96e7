#include "develop/passes/RegionPasses.h"
#include "document/VelmoDoc.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

class LoadPreviews : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc{&host};

    void Image(int w, int h, uint16_t value, bool second = false)
    {
        test::EditImage(doc, [&](RawImage& img) {
            img.imageWidth = w;
            img.imageHeight = h;
            img.whiteLevel = 16383;
            img.mainImage.assign(size_t(w) * (h + 2) * 3 + 3, 0);
            for (size_t i = 0; i < size_t(w) * h * 3; ++i)
                img.mainImage[i] = value;
            if (second)
                img.secondFrame = img.mainImage;
        });
    }
    uint16_t Map1(int y, int x, int ch) const { return doc.Image().previewMap1[(size_t(y) * 512 + x) * 3 + ch]; }
};

TEST_F(LoadPreviews, ThreeToTwoPictureIsLetterboxed)
{
    Image(600, 400, 1000, true);
    ASSERT_TRUE(doc.MakePreview1(NoProgress()));
    // h = 400 x 512 / 600 = 341 rows from row 21.
    EXPECT_EQ(Map1(20, 100, 1), 0);
    EXPECT_EQ(Map1(21, 100, 1), 1000);
    EXPECT_EQ(Map1(361, 100, 1), 1000);
    EXPECT_EQ(Map1(362, 100, 1), 0);
    EXPECT_EQ(doc.Image().previewMap2[(size_t(100) * 512 + 10) * 3], 1000);
}

TEST_F(LoadPreviews, BlackPictureGivesAutoFactorOne)
{
    Image(512, 384, 0);
    test::EditImage(doc, [&](RawImage& img) {
        for (int i = 0; i < 4; ++i)
            img.rafPresets.rows[1][i] = 300;
        img.wbUnit = 256;
    });
    const int32_t before = doc.FamilyTable().rows[6][2];
    ASSERT_TRUE(doc.MakePreview1(NoProgress()));
    // With t = 1 for every channel the auto preset is the daylight preset.
    EXPECT_EQ(doc.Image().rafPresets.rows[10][0], 300);
    EXPECT_EQ(doc.Image().rafPresets.rows[10][1], 300);
    EXPECT_EQ(doc.Image().rafPresets.rows[10][3], 300);
    EXPECT_EQ(doc.FamilyTable().rows[6][2], before);
}

TEST_F(LoadPreviews, FullPreviewFillsTheScreenMap)
{
    Image(400, 300, 2000, true);
    ASSERT_TRUE(doc.MakePreview2(NoProgress()));
    const int top = (doc.Image().fullHeight - std::min(doc.Image().fullHeight, 300 * doc.Image().fullWidth / 400)) / 2;
    EXPECT_EQ(doc.Image().fullMap1[(size_t(top + 5) * doc.Image().fullWidth + 7) * 3 + 1], 2000);
    EXPECT_EQ(doc.Image().fullMap2[(size_t(top + 5) * doc.Image().fullWidth + 7) * 3 + 1], 2000);
}

TEST(LoadPreviewsOneShot, AHostWithoutTheFullPreviewGetsNoScreenMapsAndTheSameEstimates)
{
    // A one-shot conversion: the screen-sized maps are neither kept nor
    // built; the small maps and the white-balance estimates drawn from them
    // are those of a document with a window, and the image still develops.
    class OneShotHost final : public test::RecordingHost {
    public:
        bool ShowsFullPreview() const override { return false; }
    };
    test::ScopedSettings settings;
    test::RecordingHost windowHost;
    OneShotHost oneShotHost;
    CVelmoDoc window(&windowHost), oneShot(&oneShotHost);
    EXPECT_FALSE(window.Image().fullMap1.empty());
    EXPECT_TRUE(oneShot.Image().fullMap1.empty());
    EXPECT_TRUE(oneShot.Image().fullMap2.empty());
    for (CVelmoDoc* doc : {&window, &oneShot}) {
        doc->StopWorker();
        test::EditImage(*doc, [](RawImage& img) {
            img.imageWidth = 64;
            img.imageHeight = 48;
            img.whiteLevel = 16383;
            img.mainImage.resize(size_t(64) * 48 * 3);
            for (size_t i = 0; i < img.mainImage.size(); ++i)
                img.mainImage[i] = uint16_t(1000 + (i * 37) % 9000);
            img.secondFrame = img.mainImage;
            for (int i = 0; i < 4; ++i)
                img.rafPresets.rows[1][i] = uint16_t(300 + 40 * i);
            img.wbUnit = 256;
        });
        ASSERT_TRUE(doc->MakePreview1(NoProgress()));
        ASSERT_TRUE(doc->MakePreview2(NoProgress()));
    }
    EXPECT_TRUE(oneShot.Image().fullMap1.empty());
    EXPECT_EQ(oneShot.Image().previewMap1, window.Image().previewMap1);
    for (int row : {7, 10})
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(oneShot.Image().rafPresets.rows[row][i], window.Image().rafPresets.rows[row][i]) << row;
    RgbPlane a, b;
    ASSERT_EQ(window.DevelopFull(0, 0, 64, 48, a), DevelopStatus::Ok);
    ASSERT_EQ(oneShot.DevelopFull(0, 0, 64, 48, b), DevelopStatus::Ok);
    EXPECT_EQ(a.rgb, b.rgb);
}

TEST_F(LoadPreviews, FamilyPresetRowsFromTheCameraPresets)
{
    test::EditImage(doc, [](RawImage& img) {
        auto& p = img.rafPresets.rows;
        const uint16_t daylight[4] = {300, 400, 300, 500};
        std::copy(daylight, daylight + 4, p[1]);
        const uint16_t autoPreset[4] = {600, 400, 600, 250};
        std::copy(autoPreset, autoPreset + 4, p[7]);
    });
    doc.DeriveFamilyPresetRows();
    const auto& f0 = doc.FamilyTable().rows[0];
    EXPECT_EQ(doc.FamilyTable().rows[10][2], 400 * f0[2] / 400);
    EXPECT_EQ(doc.FamilyTable().rows[10][3], 600 * f0[3] / 300);
    EXPECT_EQ(doc.FamilyTable().rows[10][4], 250 * f0[4] / 500);

    // Without a daylight preset the rows stay.
    test::EditImage(doc, [](RawImage& img) { std::fill(img.rafPresets.rows[1], img.rafPresets.rows[1] + 4, 0); });
    FamilyWhiteBalanceTables tables = doc.FamilyTables();
    tables[FamilyTableIndex(doc.CameraFamily())].rows[11][2] = 77;
    doc.SetFamilyTables(tables);
    doc.DeriveFamilyPresetRows();
    EXPECT_EQ(doc.FamilyTable().rows[11][2], 77);
}

} // namespace
} // namespace velmo
