#include "raw/InterpolateExr.h"

#include "platform/core/Progress.h"
#include "raw/RawImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmo {
namespace {

struct RecordingProgress final : IProgress {
    std::vector<std::pair<int, std::string>> calls;
    int Report(int percent, const char* label) override
    {
        calls.emplace_back(percent, label);
        return 1; // asking to stop changes nothing: the rebuild has no abort
    }
};

// Channel k of pixel (x, y) of frame i: distinct per frame, position and channel.
uint16_t Sample(int i, int x, int y, int k) { return uint16_t(1000 * (i + 1) + 100 * y + 10 * x + k + 1); }

std::vector<uint16_t> Frame(int i, int w, int h)
{
    std::vector<uint16_t> f(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k)
                f[(size_t(y) * w + x) * 3 + k] = Sample(i, x, y, k);
    return f;
}

struct Plane {
    std::vector<uint16_t> data;
    int w, h;
    const uint16_t* At(int x, int y) const { return data.data() + (size_t(y) * w + x) * 3; }
};

Plane Interpolate(int w, int h)
{
    NullProgress progress;
    return {InterpolateExrPlanes(Frame(0, w, h), Frame(1, w, h), w, h, progress), 2 * w, 2 * h};
}

TEST(InterpolateExr, TwoByTwoFramesFormACheckerboard)
{
    const Plane p = Interpolate(2, 2);
    ASSERT_EQ(p.data.size(), size_t(4) * (4 + 2) * 3 + 3); // two spare rows, three spare samples
    for (int i = 0; i < 2; ++i)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                for (int k = 0; k < 3; ++k)
                    EXPECT_EQ(p.At(2 * x + i, 2 * y + i)[k], Sample(i, x, y, k)) << i << " " << x << "," << y;
    for (size_t i = size_t(4) * 4 * 3; i < p.data.size(); ++i)
        EXPECT_EQ(p.data[i], 0) << "spare row sample " << i;
}

// Every border hole of a 6 x 6 result against its documented neighbours.
TEST(InterpolateExr, EdgesAndCorners)
{
    const Plane p = Interpolate(3, 3);
    const int W = 6, H = 6;
    struct Hole {
        int x, y;
        std::vector<std::pair<int, int>> from; // three: integer mean; two: (a + b) >> 1
    };
    std::vector<Hole> holes;
    for (int x = 1; x < W - 1; x += 2)
        holes.push_back({x, 0, {{x, 1}, {x - 1, 0}, {x + 1, 0}}});
    for (int y = 1; y < H - 1; y += 2)
        holes.push_back({0, y, {{0, y - 1}, {0, y + 1}, {1, y}}});
    for (int y = 2; y < H - 1; y += 2)
        holes.push_back({W - 1, y, {{W - 1, y - 1}, {W - 1, y + 1}, {W - 2, y}}});
    for (int x = 2; x < W - 1; x += 2)
        holes.push_back({x, H - 1, {{x, H - 2}, {x - 1, H - 1}, {x + 1, H - 1}}});
    holes.push_back({W - 1, 0, {{W - 1, 1}, {W - 2, 0}}});
    holes.push_back({0, H - 1, {{0, H - 2}, {1, H - 1}}});
    ASSERT_EQ(holes.size(), 10u); // every border point with x + y odd

    for (const Hole& hole : holes) {
        for (int k = 0; k < 3; ++k) {
            int sum = 0;
            for (auto [x, y] : hole.from)
                sum += p.At(x, y)[k];
            const int expected = hole.from.size() == 3 ? sum / 3 : sum >> 1;
            EXPECT_EQ(p.At(hole.x, hole.y)[k], expected) << hole.x << "," << hole.y << " channel " << k;
        }
    }
}

// Interior holes take the pair of neighbours that agrees better.
TEST(InterpolateExr, InteriorFollowsTheSmootherDirection)
{
    const int w = 3, h = 3;
    // Frame values constant along rows: horizontal neighbours agree.
    std::vector<uint16_t> f0(w * h * 3), f1(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k) {
                f0[(y * w + x) * 3 + k] = uint16_t(1000 * (2 * y) + k);
                f1[(y * w + x) * 3 + k] = uint16_t(1000 * (2 * y + 1) + k);
            }
    NullProgress progress;
    Plane p{InterpolateExrPlanes(f0, f1, w, h, progress), 2 * w, 2 * h};
    // Interior holes: odd rows, even columns 2..; even rows 2.., odd columns.
    const std::pair<int, int> interior[] = {{2, 1}, {4, 1}, {2, 3}, {4, 3}, {1, 2}, {3, 2}, {1, 4}, {3, 4}};
    for (auto [x, y] : interior)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(p.At(x, y)[k], 1000 * y + k) << x << "," << y;
    // A flat pair stays flat everywhere.
    std::vector<uint16_t> flat(w * h * 3, 777);
    const std::vector<uint16_t> out = InterpolateExrPlanes(flat, flat, w, h, progress);
    for (size_t i = 0; i < size_t(6) * 6 * 3; ++i)
        ASSERT_EQ(out[i], 777) << i;
}

TEST(InterpolateExr, SmallestFramesFillBothCorners)
{
    const Plane p = Interpolate(1, 1);
    for (int k = 0; k < 3; ++k) {
        const int a = Sample(0, 0, 0, k), b = Sample(1, 0, 0, k);
        EXPECT_EQ(p.At(0, 0)[k], a);
        EXPECT_EQ(p.At(1, 1)[k], b);
        EXPECT_EQ(p.At(1, 0)[k], (a + b) >> 1);
        EXPECT_EQ(p.At(0, 1)[k], (a + b) >> 1);
    }
    // One row and one column: no hole is left unfilled.
    for (auto [w, h] : {std::pair{5, 1}, std::pair{1, 5}}) {
        const Plane q = Interpolate(w, h);
        for (int y = 0; y < 2 * h; ++y)
            for (int x = 0; x < 2 * w; ++x)
                EXPECT_NE(q.At(x, y)[0], 0) << w << "x" << h << " at " << x << "," << y;
    }
}

TEST(InterpolateExr, RefusesBadSizesAndReportsProgress)
{
    NullProgress none;
    EXPECT_TRUE(InterpolateExrPlanes(Frame(0, 2, 2), Frame(1, 2, 2), 0, 2, none).empty());
    EXPECT_TRUE(InterpolateExrPlanes(Frame(0, 2, 2), Frame(1, 2, 1), 2, 2, none).empty());

    RecordingProgress progress;
    const auto out = InterpolateExrPlanes(Frame(0, 4, 4), Frame(1, 4, 4), 4, 4, progress);
    ASSERT_FALSE(out.empty());
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.front(), (std::pair<int, std::string>{-2, "Allocating memory"}));
    bool first = false, second = false;
    for (const auto& [percent, label] : progress.calls) {
        first |= label == "InterpolateEXR-1";
        second |= label == "InterpolateEXR-2";
        EXPECT_LE(percent, 100);
    }
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

TEST(InterpolateExr, ImageGetsOneFrameOfTwiceTheSize)
{
    NullProgress progress;
    RawImage img;
    img.imageWidth = 3;
    img.imageHeight = 2;
    img.mainImage = Frame(0, 3, 2);
    EXPECT_FALSE(InterpolateExr(img, progress)); // no second frame
    EXPECT_EQ(img.imageWidth, 3);

    img.secondFrame = Frame(1, 3, 2);
    ASSERT_TRUE(InterpolateExr(img, progress));
    EXPECT_EQ(img.imageWidth, 6);
    EXPECT_EQ(img.imageHeight, 4);
    EXPECT_TRUE(img.secondFrame.empty());
    ASSERT_GE(img.mainImage.size(), size_t(6) * 4 * 3);
    EXPECT_EQ(img.mainImage[0], Sample(0, 0, 0, 0));
    EXPECT_EQ(img.mainImage[(1 * 6 + 1) * 3], Sample(1, 0, 0, 0));
}

} // namespace
} // namespace velmo
