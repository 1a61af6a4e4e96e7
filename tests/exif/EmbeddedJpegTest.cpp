#include "exif/EmbeddedJpeg.h"

#include "tests/support/JpegCodec.h"
#include "tests/support/RafBuilder.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

using test::RafFileSpec;
using test::RafLayout;

class EmbeddedJpeg : public ::testing::Test {
protected:
    // Writes the file and decodes its JPEG independently as the reference.
    std::string Write(const RafFileSpec& recipe, const char* name = "preview.RAF")
    {
        RafLayout layout;
        std::vector<uint8_t> bytes = test::BuildRaf(recipe, &layout);
        std::string path = dir.File(name);
        EXPECT_TRUE(test::WriteFile(path, bytes));
        if (recipe.previewComponents != 4 && bytes.size() >= layout.jpegOffset + layout.jpegLength) {
            std::vector<uint8_t> jpeg(bytes.begin() + static_cast<ptrdiff_t>(layout.jpegOffset),
                                      bytes.begin() + static_cast<ptrdiff_t>(layout.jpegOffset + layout.jpegLength));
            reference = test::DecodeJpegRgb(jpeg, &width, &height);
        }
        return path;
    }

    // The reference pixel (r, g, b) at picture row y, column x.
    const uint8_t* Ref(int y, int x) const { return &reference[(static_cast<size_t>(y) * width + x) * 3]; }

    test::TempDir dir;
    std::vector<uint8_t> reference;
    int width = 0;
    int height = 0;
};

TEST_F(EmbeddedJpeg, SameSizeIsAnExactCopyTopRowFirstInBgrOrder)
{
    RafFileSpec recipe;
    recipe.previewWidth = 160;
    recipe.previewHeight = 120;
    std::string path = Write(recipe);
    ASSERT_EQ(width, 160);
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(160, 120), 0xEE);
    ASSERT_EQ(LoadEmbeddedJpeg(path, area, 160, 120), 1);
    for (size_t i = 0; i < kEmbeddedJpegHeaderRoom; ++i)
        ASSERT_EQ(area[i], 0xEE) << "the caller's header room is not written";
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint8_t* px = &area[kEmbeddedJpegHeaderRoom + (static_cast<size_t>(y) * 160 + x) * 3];
            ASSERT_EQ(px[0], Ref(y, x)[2]) << y << "," << x;
            ASSERT_EQ(px[1], Ref(y, x)[1]) << y << "," << x;
            ASSERT_EQ(px[2], Ref(y, x)[0]) << y << "," << x;
        }
    // The gradient runs red to the right and green downwards: the top row comes first.
    EXPECT_LT(area[kEmbeddedJpegHeaderRoom + 1], area[kEmbeddedJpegHeaderRoom + 119 * 160 * 3 + 1]);
}

TEST_F(EmbeddedJpeg, ScalingPicksNearestRowsCountedFromTheBottom)
{
    RafFileSpec recipe;
    recipe.previewWidth = 37;
    recipe.previewHeight = 29;
    std::string path = Write(recipe);
    const int outW = 10, outH = 7;
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(outW, outH));
    ASSERT_EQ(LoadEmbeddedJpeg(path, area, outW, outH), 1);
    for (int m = 0; m < outH; ++m) {
        // Bottom-up rows k = n x H / outH of the picture fill area rows outH-1-n.
        const int n = outH - 1 - m;
        const int y = height - 1 - n * height / outH;
        for (int i = 0; i < outW; ++i) {
            const int x = i * width / outW;
            const uint8_t* px = &area[kEmbeddedJpegHeaderRoom + (static_cast<size_t>(m) * outW + i) * 3];
            EXPECT_EQ(px[0], Ref(y, x)[2]);
            EXPECT_EQ(px[1], Ref(y, x)[1]);
            EXPECT_EQ(px[2], Ref(y, x)[0]);
        }
    }
    // Picture rows 28, 24, 20, 16, 12, 7, 3 for 29 rows into 7: the last row is the bottom one.
    EXPECT_EQ(height - 1 - 0 * height / outH, 28);
    EXPECT_EQ(height - 1 - 6 * height / outH, 4);
}

TEST_F(EmbeddedJpeg, GreyPreviewIsExpandedToRgb)
{
    RafFileSpec recipe;
    recipe.previewComponents = 1;
    recipe.previewWidth = 24;
    recipe.previewHeight = 16;
    std::string path = Write(recipe);
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(24, 16));
    ASSERT_EQ(LoadEmbeddedJpeg(path, area, 24, 16), 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t* px = &area[kEmbeddedJpegHeaderRoom + (static_cast<size_t>(y) * 24 + x) * 3];
            EXPECT_EQ(px[0], px[1]);
            EXPECT_EQ(px[1], px[2]);
            EXPECT_EQ(px[0], Ref(y, x)[0]);
        }
}

TEST_F(EmbeddedJpeg, FailuresLeaveTheAreaAsItWas)
{
    struct Case {
        const char* name;
        std::function<void(RafFileSpec&)> edit;
    } cases[] = {
        {"CMYK preview", [](RafFileSpec& s) { s.previewComponents = 4; }},
        {"not a RAF file", [](RafFileSpec& s) { s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout&) { b[2] = 'X'; }; }},
        {"offset zero", [](RafFileSpec& s) { s.faults.directory[0x54] = 0; }},
        {"offset past the end", [](RafFileSpec& s) { s.faults.directory[0x54] = 0x7FFFFFF0; }},
        {"offset at the records", [](RafFileSpec& s) {
             s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) {
                 b[0x54] = 0;
                 b[0x55] = static_cast<uint8_t>(at.recordsOffset >> 16);
                 b[0x56] = static_cast<uint8_t>(at.recordsOffset >> 8);
                 b[0x57] = static_cast<uint8_t>(at.recordsOffset);
             };
         }},
        {"file cut inside the header", [](RafFileSpec& s) { s.faults.truncateTo = 0x50; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RafFileSpec recipe;
        c.edit(recipe);
        std::string path = Write(recipe, "broken.RAF");
        std::vector<uint8_t> area(EmbeddedJpegAreaSize(8, 6), 0x5C);
        EXPECT_EQ(LoadEmbeddedJpeg(path, area, 8, 6), 0);
        EXPECT_TRUE(std::all_of(area.begin(), area.end(), [](uint8_t v) { return v == 0x5C; }));
    }
    RafFileSpec recipe;
    std::string path = Write(recipe);
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(8, 6), 0x5C);
    EXPECT_EQ(LoadEmbeddedJpeg(dir.File("missing.RAF"), area, 8, 6), 0);
    EXPECT_EQ(LoadEmbeddedJpeg(path, std::span(area).first(area.size() - 1), 8, 6), 0);
    EXPECT_EQ(LoadEmbeddedJpeg(path, area, 0, 6), 0);
    EXPECT_EQ(LoadEmbeddedJpeg(path, area, 8, -1), 0);
    EXPECT_TRUE(std::all_of(area.begin(), area.end(), [](uint8_t v) { return v == 0x5C; }));
    EXPECT_EQ(LoadEmbeddedJpeg(path, area, 8, 6), 1);
}

TEST_F(EmbeddedJpeg, PreviewCutShortDoesNotCrash)
{
    for (int keep : {40, 200, 600}) {
        RafFileSpec recipe;
        recipe.previewWidth = 64;
        recipe.previewHeight = 48;
        recipe.faults.patch = [keep](std::vector<uint8_t>& b, const RafLayout& at) {
            b.resize(at.jpegOffset + at.jpegLength * static_cast<size_t>(keep) / 1000);
        };
        std::string path = Write(recipe, "cut.RAF");
        std::vector<uint8_t> area(EmbeddedJpegAreaSize(16, 12));
        int result = LoadEmbeddedJpeg(path, area, 16, 12);
        EXPECT_TRUE(result == 0 || result == 1);
    }
}

} // namespace
} // namespace velmo
