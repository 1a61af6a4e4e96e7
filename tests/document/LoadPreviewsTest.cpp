// The document's side of the load's previews: the maps a host gets, and the
// family rows derived from the camera's presets.
#include "develop/passes/RegionPasses.h"
#include "document/VelmoDoc.h"
#include "raw/LoadPreviews.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

class LoadPreviews : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::RecordingHost host;
    CVelmoDoc doc{&host};
};

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
        // The load's preview steps on the document's maps.
        test::EditImage(*doc, [&](RawImage& img) {
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
            FamilyWhiteBalanceTables tables = doc->FamilyTables();
            ASSERT_TRUE(MakePreview1(img, tables[FamilyTableIndex(img.cameraFamily)], NoProgress()));
            ASSERT_TRUE(MakePreview2(img, NoProgress()));
            doc->SetFamilyTables(tables);
        });
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
