// The load's preview steps on an image: the 512 x 384 sample maps with the
// auto white-balance rows, and the full-preview maps.
#include "raw/LoadPreviews.h"
#include "raw/RawImage.h"
#include "raw/WhiteBalanceData.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmo {
namespace {

class LoadPreviewMaps : public ::testing::Test {
protected:
    RawImage img = EmptyImage(0, 1024, 768);
    FamilyWhiteBalanceTable family = NormalizedFamilyTables()[0];

    void Image(int w, int h, uint16_t value, bool second = false)
    {
        img.imageWidth = w;
        img.imageHeight = h;
        img.whiteLevel = 16383;
        img.mainImage.assign(size_t(w) * (h + 2) * 3 + 3, 0);
        for (size_t i = 0; i < size_t(w) * h * 3; ++i)
            img.mainImage[i] = value;
        if (second)
            img.secondFrame = img.mainImage;
    }
    uint16_t Map1(int y, int x, int ch) const { return img.previewMap1[(size_t(y) * 512 + x) * 3 + ch]; }
};

TEST_F(LoadPreviewMaps, ThreeToTwoPictureIsLetterboxed)
{
    Image(600, 400, 1000, true);
    ASSERT_TRUE(MakePreview1(img, family, NoProgress()));
    // h = 400 x 512 / 600 = 341 rows from row 21.
    EXPECT_EQ(Map1(20, 100, 1), 0);
    EXPECT_EQ(Map1(21, 100, 1), 1000);
    EXPECT_EQ(Map1(361, 100, 1), 1000);
    EXPECT_EQ(Map1(362, 100, 1), 0);
    EXPECT_EQ(img.previewMap2[(size_t(100) * 512 + 10) * 3], 1000);
}

TEST_F(LoadPreviewMaps, BlackPictureGivesAutoFactorOne)
{
    Image(512, 384, 0);
    for (int i = 0; i < 4; ++i)
        img.rafPresets.rows[1][i] = 300;
    img.wbUnit = 256;
    const int32_t before = family.rows[6][2];
    ASSERT_TRUE(MakePreview1(img, family, NoProgress()));
    // With t = 1 for every channel the auto preset is the daylight preset.
    EXPECT_EQ(img.rafPresets.rows[10][0], 300);
    EXPECT_EQ(img.rafPresets.rows[10][1], 300);
    EXPECT_EQ(img.rafPresets.rows[10][3], 300);
    EXPECT_EQ(family.rows[6][2], before);
}

TEST_F(LoadPreviewMaps, FullPreviewFillsTheScreenMap)
{
    Image(400, 300, 2000, true);
    ASSERT_TRUE(MakePreview2(img, NoProgress()));
    const int top = (img.fullHeight - std::min(img.fullHeight, 300 * img.fullWidth / 400)) / 2;
    EXPECT_EQ(img.fullMap1[(size_t(top + 5) * img.fullWidth + 7) * 3 + 1], 2000);
    EXPECT_EQ(img.fullMap2[(size_t(top + 5) * img.fullWidth + 7) * 3 + 1], 2000);
}

} // namespace
} // namespace velmo
