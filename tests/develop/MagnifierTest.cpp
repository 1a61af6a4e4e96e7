#include "MagnifierTestEnv.h"
#include "develop/colour/ColorManagement.h"
#include "develop/context/DevelopContext.h"
#include "develop/passes/RegionPasses.h"
#include "develop/preview/Magnifier.h"

#include <gtest/gtest.h>

#include <numeric>

#include <cstdlib>
#include <string>

namespace velmo {
namespace {

class StopAt final : public IProgress {
public:
    int Report(int, const char*) override { return 1; }
};

const uint8_t* Px(const DisplayImage& image, int c, int r) { return image.Row(r) + size_t(c) * 3; }

uint8_t PatternByte(int c, int r) { return (c + r) % 8 == 0 ? 0 : 0x7F; }

// The rectangle developed directly with the document's own context.
RgbPlane Direct(CVelmoDoc& doc, int x, int y, int n)
{
    RgbPlane plane;
    NullProgress quiet;
    EXPECT_EQ(doc.DevelopFull(x, y, n, n, plane, &quiet), DevelopStatus::Ok);
    return plane;
}

// Counts pixels of the shown image whose bytes differ from the high bytes of
// plane at (c + dx, r + dy), inside the columns [c0, c1) and rows [r0, r1).
int Mismatches(const DisplayImage& image, const RgbPlane& plane, int c0, int c1, int r0, int r1)
{
    int bad = 0;
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
            const uint8_t* m = Px(image, c, r);
            const uint16_t* p = plane.Pixel(c, r);
            if (m[2] != p[0] >> 8 || m[1] != p[1] >> 8 || m[0] != p[2] >> 8)
                ++bad;
        }
    return bad;
}

class Magnifier : public ::testing::Test, protected test::MagnifierDoc {
protected:
    const DisplayImage& Shown()
    {
        EXPECT_NE(doc.MagnifierImage(), nullptr);
        static const DisplayImage empty;
        return doc.MagnifierImage() ? *doc.MagnifierImage() : empty;
    }
};

TEST_F(Magnifier, SquareSizeAndPlaceByMode)
{
    struct Case {
        int mode, m, half, side;
        bool bayer;
    } cases[] = {
        {0, 256, 64, 128, false},  // developed 128 x 128, shown doubled
        {1, 256, 85, 171, false},  // 170 x 1.5 = 255 < 256: one more
        {2, 256, 128, 256, false},
        {8, 256, 128, 256, true},
        {9, 256, 170, 342, true},  // 341 x 0.75 = 255 < 256: one more
        {10, 256, 256, 512, true},
        {0, 512, 128, 256, false},
        {1, 512, 170, 342, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " size " + std::to_string(c.m));
        Image(1024, 768, c.bayer);
        doc.SetSizeMode(c.mode);
        doc.Edit().SetSwitch(SwitchId::MagnifierSize, c.m);
        doc.SetMagnifierCentre(256, doc.MagnifierY());
        doc.SetMagnifierCentre(doc.MagnifierX(), 192);
        const int before = host.bitmaps;
        doc.UpdateMagnifier();
        ASSERT_EQ(host.bitmaps, before + 1);
        const DisplayImage& shown = Shown();
        ASSERT_EQ(shown.width, c.m);
        ASSERT_EQ(shown.height, c.m);
        EXPECT_EQ(shown.stride, c.m * 3);
        EXPECT_EQ(host.last, doc.MagnifierImage());
        EXPECT_EQ(doc.MagnifierOriginX(), 512 - c.half);
        EXPECT_EQ(doc.MagnifierOriginY(), 384 - c.half);
        const RgbPlane square = Direct(doc, 512 - c.half, 384 - c.half, c.side);
        ASSERT_GE(square.width, c.m);
        if (c.mode == 0) {
            EXPECT_EQ(square.width, 2 * c.side);
        }
        EXPECT_EQ(Mismatches(shown, square, 0, c.m, 0, c.m), 0);
    }
}

TEST_F(Magnifier, PatternWhereTheSquareLeavesThePicture)
{
    // Size mode 0, M = 256: a square of 128 image pixels shown at 2x.
    struct Case {
        const char* name;
        int cx, cy;     // centre in the preview frame
        int x0, y0;     // the square's image position
        int c0, c1, r0, r1; // the pattern's columns and rows
    } cases[] = {
        {"10 past the right edge", 485, 192, 906, 320, 236, 256, 0, 256},
        {"10 past the left edge", 27, 192, -10, 320, 0, 20, 0, 256},
        {"10 past the bottom", 256, 357, 448, 650, 0, 256, 236, 256},
        {"10 past the top", 256, 27, 448, -10, 0, 256, 0, 20},
    };
    Image(1024, 768, false);
    doc.SetSizeMode(0);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.SetMagnifierCentre(c.cx, doc.MagnifierY());
        doc.SetMagnifierCentre(doc.MagnifierX(), c.cy);
        doc.UpdateMagnifier();
        const DisplayImage& shown = Shown();
        ASSERT_EQ(shown.width, 256);
        EXPECT_EQ(doc.MagnifierOriginX(), c.x0);
        EXPECT_EQ(doc.MagnifierOriginY(), c.y0);
        const RgbPlane square = Direct(doc, c.x0, c.y0, 128);
        int patternBad = 0, pictureBad = 0;
        for (int r = 0; r < 256; ++r)
            for (int col = 0; col < 256; ++col) {
                const uint8_t* m = Px(shown, col, r);
                if (col >= c.c0 && col < c.c1 && r >= c.r0 && r < c.r1) {
                    const uint8_t v = PatternByte(col, r);
                    patternBad += m[0] != v || m[1] != v || m[2] != v;
                } else {
                    pictureBad += Mismatches(shown, square, col, col + 1, r, r + 1);
                }
            }
        EXPECT_EQ(patternBad, 0);
        EXPECT_EQ(pictureBad, 0);
    }
}

TEST_F(Magnifier, PreviewSizeModeCutsThePreviewCopy)
{
    struct Case {
        const char* name;
        int rotate, family, imageW, imageH, m, cx, cy;
        int x0, y0; // the square's position in the copy
    } cases[] = {
        {"512 over the whole frame", 0, 0, 2048, 1536, 512, 256, 192, 0, -64},
        {"turned right", 1, 0, 2048, 1536, 256, 100, 50, 206, -28},
        {"turned left", 2, 0, 2048, 1536, 256, 100, 50, -78, 284},
        {"letterboxed family 1", 0, 1, 2048, 1152, 256, 256, 0, 128, -80},
        {"letterboxed family 7", 0, 7, 2048, 1152, 256, 256, 384, 128, 208},
        {"centre clamped to the copy", 0, 0, 2048, 1536, 256, 600, 500, 383, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::EditImage(doc, [&](RawImage& img) {
            img.imageWidth = c.imageW;
            img.imageHeight = c.imageH;
            img.mainImage.assign(3, 1);
        });
        doc.SetCameraFamily(c.family);
        doc.Edit().SetField(ParamField::rotate, c.rotate);
        doc.SetSizeMode(11); // preview size, Bayer-type bit
        doc.Edit().SetSwitch(SwitchId::MagnifierSize, c.m);
        const int cw = c.rotate ? 384 : 512, ch = c.rotate ? 512 : 384;
        std::vector<uint16_t> copy = doc.Preview16();
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
                uint16_t* p = &copy[(size_t(y) * cw + size_t(x)) * 3];
                p[0] = uint16_t(((x % 256) << 8) | 0x80);
                p[1] = uint16_t((y % 256) << 8);
                p[2] = uint16_t((((x + 2 * y) % 256) << 8) | 0xFF);
            }
        doc.SetPreview16(std::move(copy));
        const int originBefore = doc.MagnifierOriginX();
        doc.SetMagnifierCentre(c.cx, doc.MagnifierY());
        doc.SetMagnifierCentre(doc.MagnifierX(), c.cy);
        doc.UpdateMagnifier();
        const DisplayImage& shown = Shown();
        ASSERT_EQ(shown.width, c.m);
        int bad = 0;
        for (int r = 0; r < c.m; ++r)
            for (int col = 0; col < c.m; ++col) {
                const int x = c.x0 + col, y = c.y0 + r;
                const bool outside = x < 0 || y < 0 || x >= cw || y >= ch;
                const uint8_t* m = Px(shown, col, r);
                if (outside) {
                    const uint8_t v = PatternByte(col, r);
                    bad += m[0] != v || m[1] != v || m[2] != v;
                } else {
                    bad += m[2] != x % 256 || m[1] != y % 256 || m[0] != (x + 2 * y) % 256;
                }
            }
        EXPECT_EQ(bad, 0);
        EXPECT_EQ(doc.MagnifierOriginX(), originBefore); // no image position in this mode
    }
}

TEST_F(Magnifier, TurnedPicturesTurnTheSquare)
{
    Image(1024, 768, false);
    doc.SetSizeMode(2);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    doc.SetMagnifierCentre(200, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 150);
    doc.UpdateMagnifier();
    const std::shared_ptr<const DisplayImage> upright = doc.MagnifierImage();
    ASSERT_NE(upright, nullptr);
    struct Case {
        int rotate;
        int (*sx)(int c, int r);
        int (*sy)(int c, int r);
    } cases[] = {
        {1, [](int, int r) { return r; }, [](int c, int) { return 255 - c; }},
        {2, [](int, int r) { return 255 - r; }, [](int c, int) { return c; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("rotate " + std::to_string(c.rotate));
        doc.Edit().SetField(ParamField::rotate, c.rotate);
        doc.UpdateMagnifier();
        ASSERT_NE(doc.MagnifierImage(), upright);
        int bad = 0;
        for (int r = 0; r < 256; ++r)
            for (int col = 0; col < 256; ++col) {
                const uint8_t* m = Px(*doc.MagnifierImage(), col, r);
                const uint8_t* u = Px(*upright, c.sx(col, r), c.sy(col, r));
                bad += m[0] != u[0] || m[1] != u[1] || m[2] != u[2];
            }
        EXPECT_EQ(bad, 0);
    }
}

TEST_F(Magnifier, HistogramsSumLikeAPreviewAndFringeSumsAccumulate)
{
    Image(1024, 768, true);
    doc.SetSizeMode(8);
    // A rendering elsewhere first: every bin must be written again. A
    // selection histogram of one black pixel in source 2.
    doc.SetMagnifierCentre(60, 50);
    doc.UpdateMagnifier();
    doc.SetMagnifierCentre(256, 192);
    const uint8_t black[3] = {0, 0, 0};
    doc.ComputePreviewHistogram(black, 1, 1, 0, 0, 0, 0);
    for (int m : {256, 512}) {
        SCOPED_TRACE("size " + std::to_string(m));
        doc.Edit().SetSwitch(SwitchId::MagnifierSize, m);
        doc.ResetFringe();
        doc.UpdateMagnifier();
        const DisplayImage& shown = Shown();
        ASSERT_EQ(shown.width, m);
        int64_t counts[4][256] = {};
        int64_t red = 0, blue = 0;
        for (int r = 0; r < m; ++r)
            for (int c = 0; c < m; ++c) {
                const uint8_t* p = Px(shown, c, r);
                ++counts[0][p[2]];
                ++counts[1][p[1]];
                ++counts[2][p[0]];
                ++counts[3][(2 * p[2] + 4 * p[1] + p[0]) / 7];
                red += std::abs(p[2] - p[1]);
                blue += std::abs(p[0] - p[1]);
            }
        for (int ch = 0; ch < 4; ++ch) {
            int64_t sum = 0;
            for (int i = 0; i < 256; ++i) {
                const int32_t bin = doc.Histogram()[size_t(1024 + ch * 256 + i)];
                sum += bin;
                if (m == 256)
                    EXPECT_EQ(bin, 3 * counts[ch][i]) << "channel " << ch << " bin " << i;
                else
                    EXPECT_NEAR(bin, 0.75 * double(counts[ch][i]), 1.0) << "channel " << ch << " bin " << i;
            }
            EXPECT_EQ(sum, 512 * 384) << "channel " << ch;
        }
        EXPECT_EQ(doc.Fringe().red, red);
        EXPECT_EQ(doc.Fringe().blue, blue);
        EXPECT_GT(red, 0);
        doc.UpdateMagnifier();
        EXPECT_EQ(doc.Fringe().red, 2 * red);
        EXPECT_EQ(doc.Fringe().blue, 2 * blue);
    }
    // The preview's and the selection's sources are not the magnifier's.
    EXPECT_EQ(std::accumulate(doc.Histogram().begin(), doc.Histogram().begin() + 1024, int64_t(0)), 0);
    EXPECT_EQ(doc.Histogram()[2048], 196608);
}

TEST(MagnifierHistogram, ScalingKeepsEachTotal)
{
    std::array<int64_t, 1024> counts{};
    // A 512 x 512 magnifier's counts, spread unevenly.
    for (int ch = 0; ch < 4; ++ch) {
        int64_t left = 512 * 512;
        for (int i = 0; i < 255 && left > 0; ++i) {
            const int64_t n = std::min<int64_t>(left, (i * 37 + ch * 11) % 4001 + 1);
            counts[size_t(ch * 256 + i)] = n;
            left -= n;
        }
        counts[size_t(ch * 256 + 255)] += left;
    }
    const auto scaled = ScaleMagnifierHistogram(counts, 512);
    for (int ch = 0; ch < 4; ++ch) {
        int64_t sum = 0;
        for (int i = 0; i < 256; ++i) {
            EXPECT_NEAR(scaled[size_t(ch * 256 + i)], 0.75 * double(counts[size_t(ch * 256 + i)]), 1.0);
            sum += scaled[size_t(ch * 256 + i)];
        }
        EXPECT_EQ(sum, 196608);
    }
    // The integer form of the scale is 0 here; the real one is not.
    EXPECT_EQ(3072 / (4 * (512 * 512 / 256)), 0);
}

TEST_F(Magnifier, KeepInsideClampsTheSquareOnce)
{
    Image(1024, 768, true);
    doc.SetSizeMode(8);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    doc.SetMagnifierCentre(511, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 383);
    doc.KeepMagnifierInside();
    doc.UpdateMagnifier();
    EXPECT_FALSE(doc.MagnifierKeepsInside());
    EXPECT_EQ(doc.MagnifierOriginX(), 1024 - 256);
    EXPECT_EQ(doc.MagnifierOriginY(), 768 - 256);
    EXPECT_EQ(Mismatches(Shown(), Direct(doc, 768, 512, 256), 0, 256, 0, 256), 0);
    // Without the flag the square runs past the corner.
    doc.UpdateMagnifier();
    EXPECT_EQ(doc.MagnifierOriginX(), 1022 - 128);
    EXPECT_EQ(doc.MagnifierOriginY(), 766 - 128);
    EXPECT_EQ(Px(Shown(), 255, 255)[0], PatternByte(255, 255));
}

TEST_F(Magnifier, AnAbortedDevelopmentKeepsThePreviousImage)
{
    Image(512, 384, true);
    doc.SetSizeMode(8);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    doc.SetMagnifierCentre(256, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 192);
    doc.UpdateMagnifier();
    const auto image = doc.MagnifierImage();
    const auto histogram = doc.Histogram();
    const int64_t red = doc.Fringe().red, blue = doc.Fringe().blue;
    const int bitmaps = host.bitmaps;
    doc.SetMagnifierCentre(100, doc.MagnifierY());
    StopAt stop;
    EXPECT_EQ(doc.UpdateMagnifier(doc.PrepareDevelopment(), &stop), DevelopStatus::Aborted);
    EXPECT_EQ(doc.MagnifierImage(), image);
    EXPECT_EQ(doc.Histogram(), histogram);
    EXPECT_EQ(doc.Fringe().red, red);
    EXPECT_EQ(doc.Fringe().blue, blue);
    EXPECT_EQ(doc.MagnifierOriginX(), 128);
    EXPECT_EQ(host.bitmaps, bitmaps);
}

TEST_F(Magnifier, DisplayChoiceConvertsOrLeavesItToTheGui)
{
    Image(512, 384, true);
    doc.SetSizeMode(8);
    doc.Edit().SetSwitch(SwitchId::MagnifierSize, 256);
    doc.SetMagnifierCentre(256, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 192);
    doc.Edit().SetField(ParamField::ICC, 1); // Adobe RGB (1998) output

    doc.UpdateMagnifier();
    ASSERT_NE(doc.MagnifierImage(), nullptr);
    EXPECT_TRUE(doc.MagnifierImage()->colorManaged);
    EXPECT_EQ(doc.MagnifierImage()->profile, doc.Colors().ProfileForDisplay(1));
    const RgbPlane square = Direct(doc, 128, 64, 256);
    EXPECT_EQ(Mismatches(*doc.MagnifierImage(), square, 0, 256, 0, 256), 0);

    ASSERT_TRUE(doc.Colors().SetDisplayChoice(DisplayChoice::Srgb)); // LittleCMS to sRGB
    doc.UpdateMagnifier();
    ASSERT_NE(doc.MagnifierImage(), nullptr);
    EXPECT_FALSE(doc.MagnifierImage()->colorManaged);
    RgbPlane converted = square;
    const auto transform = doc.Colors().Transform(1);
    ASSERT_NE(transform, nullptr);
    transform->Apply(converted.rgb.data(), converted.rgb.data(), converted.rgb.size() / 3);
    EXPECT_NE(converted.rgb, square.rgb);
    EXPECT_EQ(Mismatches(*doc.MagnifierImage(), converted, 0, 256, 0, 256), 0);
}

TEST_F(Magnifier, NothingWithoutAnImage)
{
    doc.SetMagnifierCentre(256, doc.MagnifierY());
    doc.SetMagnifierCentre(doc.MagnifierX(), 192);
    doc.KeepMagnifierInside();
    doc.UpdateMagnifier();
    EXPECT_EQ(doc.MagnifierImage(), nullptr);
    EXPECT_EQ(host.bitmaps, 0);
    EXPECT_TRUE(doc.MagnifierKeepsInside());
}

} // namespace
} // namespace velmo
