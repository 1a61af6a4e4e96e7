// What raw/ does to an image besides loading it: the layout bits from the
// header, closing, and the frame swap.
#include "raw/RawImage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmo {
namespace {

TEST(RawImage, DetectExrModeFromTheHeader)
{
    struct Case {
        const char* kind;
        uint32_t at132;
        int result, bits;
    } cases[] = {
        {"2001", 0, 1, 0}, {"2002", 0, 0, 0}, {"2201", 0, 1, 3},
        {"2201", 5, 1, 2}, {"2203", 0, 0, 2}, {"0100", 0, 1, 0},
    };
    for (const auto& c : cases) {
        RawImage img;
        img.exrBits = 1;
        img.header.assign(4096, 0);
        std::memcpy(img.header.data() + 24, c.kind, 4);
        std::memcpy(img.header.data() + 132, &c.at132, 4);
        // ExrFrames answers the same and leaves the bits.
        EXPECT_EQ(ExrFrames(img), c.result) << c.kind;
        EXPECT_EQ(img.exrBits, 1) << c.kind;
        EXPECT_EQ(DetectExrMode(img), c.result) << c.kind;
        EXPECT_EQ(img.exrBits, c.bits) << c.kind;
    }
    RawImage none;
    EXPECT_EQ(DetectExrMode(none), 1);
    EXPECT_EQ(ExrFrames(none), 1);
}

TEST(RawImage, CloseFreesFramesAndExifAndKeepsMapsAndPresets)
{
    RawImage img = EmptyImage(7, 1024, 768);
    EXPECT_EQ(img.cameraFamily, 7);
    EXPECT_EQ(img.previewMap1.size(), kPreviewMapSamples);
    EXPECT_EQ(img.fullMap1.size(), size_t(1024) * 769 * 3);
    img.mainImage.assign(30, 1);
    img.secondFrame.assign(30, 2);
    img.header.assign(4096, 3);
    img.exifLines.push_back("Model:X");
    img.rafPresets.rows[1][0] = 300;
    CloseImage(img);
    EXPECT_FALSE(img.HasFrames());
    EXPECT_TRUE(img.secondFrame.empty());
    EXPECT_TRUE(img.header.empty());
    EXPECT_TRUE(img.exifLines.empty());
    EXPECT_EQ(img.previewMap1.size(), kPreviewMapSamples);
    EXPECT_EQ(img.rafPresets.rows[1][0], 300);
    EXPECT_TRUE(EmptyImage(0, 0, 0).fullMap1.empty());
}

TEST(RawImage, SwapFramesTradesFramesAndMapsOfOneSize)
{
    RawImage img = EmptyImage(0, 1024, 768);
    img.mainImage.assign(12, 1);
    EXPECT_FALSE(SwapFrames(img)); // no second frame
    img.secondFrame.assign(9, 2);
    EXPECT_FALSE(SwapFrames(img)); // another size
    img.secondFrame.assign(12, 2);
    img.previewMap2.assign(kPreviewMapSamples, 5);
    img.fullMap2.clear();
    ASSERT_TRUE(SwapFrames(img));
    EXPECT_EQ(img.mainImage[0], 2);
    EXPECT_EQ(img.secondFrame[0], 1);
    EXPECT_EQ(img.previewMap1[0], 5);
    EXPECT_EQ(img.previewMap2[0], 0);
    EXPECT_TRUE(img.fullMap1.empty());
}

} // namespace
} // namespace velmo
