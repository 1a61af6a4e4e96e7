#include "develop/preview/FullPreviewBitmap.h"
#include "develop/preview/Histogram.h"
#include "develop/preview/RenderPreview.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace velmo {
namespace {

// A 512 x 384 picture whose every pixel differs from its neighbours.
FullPreviewImage Picture()
{
    FullPreviewImage p;
    p.width = kPreviewWidth;
    p.height = kPreviewHeight;
    p.bgr.resize(size_t(p.width) * p.height * 3);
    for (size_t i = 0; i < p.bgr.size(); ++i)
        p.bgr[i] = uint8_t((i * 7 + i / 1536 * 3) % 256);
    return p;
}

TEST(ByteHistogram, CountsRedGreenBlueAndLuminosity)
{
    ByteHistogram h;
    const uint8_t bgr[6] = {10, 20, 30, 255, 255, 255};
    h.AddBgr(bgr, 2);
    EXPECT_EQ(h.counts[30], 1);                           // red
    EXPECT_EQ(h.counts[256 + 20], 1);                     // green
    EXPECT_EQ(h.counts[512 + 10], 1);                     // blue
    EXPECT_EQ(h.counts[768 + (2 * 30 + 4 * 20 + 10) / 7], 1); // luminosity
    EXPECT_EQ(h.counts[255] + h.counts[511] + h.counts[767] + h.counts[1023], 4);
    ByteHistogram twice = h;
    twice.Add(h);
    EXPECT_EQ(twice.counts[30], 2);
}

// The selection histogram of the view's preview and of the full preview
// are the one routine: on a picture of preview size both give the same bins.
TEST(SelectionHistogram, TheFullPreviewAndThePreviewAgree)
{
    const FullPreviewImage p = Picture();
    const struct {
        int x0, y0, x1, y1;
    } cases[] = {{0, 0, 511, 383}, {5, 5, 5, 5}, {100, 40, 300, 41}, {-20, -20, 10, 10}, {500, 300, 900, 900}};
    for (const auto& c : cases) {
        const auto a = RegionHistogram(p, c.x0, c.y0, c.x1, c.y1);
        const auto b = SelectionHistogram(p.bgr.data(), p.width, p.height, c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(a, b) << c.x0 << "," << c.y0;
        // Each table sums to the pixel count of a preview (rounding down).
        const int64_t red = std::accumulate(b.begin(), b.begin() + 256, int64_t(0));
        EXPECT_LE(red, kPreviewPixelCount);
        EXPECT_GT(red, kPreviewPixelCount - 256);
    }
    // A reversed rectangle and an empty picture give nothing.
    const auto none = SelectionHistogram(p.bgr.data(), p.width, p.height, 10, 10, 9, 20);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](int32_t v) { return v == 0; }));
    const auto empty = SelectionHistogram(nullptr, 0, 0, 0, 0, 5, 5);
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](int32_t v) { return v == 0; }));
}

} // namespace
} // namespace velmo
