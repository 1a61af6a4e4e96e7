// PASS4 and PASS6 of a region development: the colour window that puts the
// processed luma back into colour, and the tone and colour step.
#include "develop/context/DevelopContext.h"
#include "develop/passes/RegionPasses.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr int kToneRowsPerChunk = 4;
// Large enough above the chunk's own rows for the band tables of the window.
constexpr int kWindowRowsPerChunk = 16;
// Beyond this many pixels no window grows further on any plane we allocate.
constexpr int kMaxColorLevel = 1 << 20;

uint16_t ScaledChannel(int64_t sum, float f)
{
    const float v = static_cast<float>(sum) * f;
    if (!(v > 0.0f))
        return 0;
    if (v >= 65535.0f)
        return 65535;
    return static_cast<uint16_t>(v);
}

// Summed-area table of the three channels over rows [firstRow, endRow) of
// the work plane: at(k, x) is the sum over rows firstRow .. firstRow + k - 1
// and columns 0 .. x - 1. 64-bit, so that no window sum can overflow.
class BandSums {
public:
    BandSums(const RgbPlane& work, int firstRow, int endRow)
        : width(work.width), first(firstRow), sums(size_t(endRow - firstRow + 1) * size_t(work.width + 1) * 3, 0)
    {
        const size_t stride = size_t(width + 1) * 3;
        for (int r = firstRow; r < endRow; ++r) {
            const int64_t* above = sums.data() + size_t(r - firstRow) * stride;
            int64_t* row = sums.data() + size_t(r - firstRow + 1) * stride;
            int64_t run[3] = {0, 0, 0};
            const uint16_t* p = work.Pixel(0, r);
            for (int x = 0; x < width; ++x, p += 3) {
                for (int c = 0; c < 3; ++c) {
                    run[c] += p[c];
                    row[size_t(x + 1) * 3 + c] = above[size_t(x + 1) * 3 + c] + run[c];
                }
            }
        }
    }

    // The sums over columns x0..x1 and rows y0..y1 (inclusive).
    void Window(int x0, int x1, int y0, int y1, int64_t out[3]) const
    {
        const size_t stride = size_t(width + 1) * 3;
        const int64_t* top = sums.data() + size_t(y0 - first) * stride;
        const int64_t* bottom = sums.data() + size_t(y1 + 1 - first) * stride;
        for (int c = 0; c < 3; ++c)
            out[c] = bottom[size_t(x1 + 1) * 3 + c] - top[size_t(x1 + 1) * 3 + c] - bottom[size_t(x0) * 3 + c] +
                     top[size_t(x0) * 3 + c];
    }

private:
    int width;
    int first;
    std::vector<int64_t> sums;
};

} // namespace

int ColorWindowRadius(int iColorNR, int effectiveNR, int sizeMode)
{
    int o = std::clamp(iColorNR, 0, kMaxColorLevel);
    if (effectiveNR == 2)
        o += 5;
    switch (sizeMode) {
    case 1:
    case 9:
        return 3 * o / 4 + 1;
    case 2:
    case 10:
        return o / 2 + 1;
    default:
        return o + 1;
    }
}

DevelopStatus ApplyColorWindow(const RgbPlane& work, const std::vector<int32_t>& luma,
                               const std::vector<uint16_t>& noise, const ColorWindowParams& params,
                               IProgress& progress, RgbPlane& result)
{
    const int W = work.width;
    const int H = work.height;
    const size_t pixels = size_t(W) * size_t(H);
    if (W <= 0 || H <= 0 || luma.size() != pixels || (params.threshold != 0 && noise.size() != pixels))
        return DevelopStatus::InvalidInput;
    const int O = std::clamp(params.radius, 0, std::max(W, H));
    const int64_t t = params.threshold;

    progress.Report(-2, kAllocatingMemory);
    result.width = W;
    result.height = H;
    if (!TryAssign(result.rgb, uint64_t(pixels) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;

    const int minRows = std::max(kWindowRowsPerChunk, 2 * O + 2);
    bool done = false;
    try {
        done = RunRowPass(progress, "PASS4", H, minRows, [&](int begin, int end) {
            // The chunk's rows and every row their windows reach.
            const BandSums band(work, std::max(0, begin - O), std::min(H, end + std::max(O, 1)));
            for (int y = begin; y < end; ++y) {
                const int64_t fy0 = std::max(0, y - O), fy1 = std::min(H - 1, y + O);
                const int64_t sy0 = y, sy1 = std::min(H - 1, y + 1);
                for (int x = 0; x < W; ++x) {
                    int64_t x0 = std::max(0, x - O), x1 = std::min(W - 1, x + O);
                    int64_t y0 = fy0, y1 = fy1;
                    if (t != 0) {
                        const int64_t sx0 = x, sx1 = std::min(W - 1, x + 1);
                        const int64_t a = int64_t(noise[size_t(y) * W + size_t(x)]) - t + 20;
                        if (a <= 0) {
                            x0 = sx0, x1 = sx1, y0 = sy0, y1 = sy1;
                        } else if (a <= 50) {
                            x0 = (a * x0 + (50 - a) * sx0) / 50;
                            x1 = (a * x1 + (50 - a) * sx1) / 50;
                            y0 = (a * y0 + (50 - a) * sy0) / 50;
                            y1 = (a * y1 + (50 - a) * sy1) / 50;
                        }
                    }
                    int64_t s[3];
                    band.Window(int(x0), int(x1), int(y0), int(y1), s);
                    uint16_t* o = result.Pixel(x, y);
                    const int64_t weighted = 2 * s[0] + 4 * s[1] + s[2];
                    if (weighted == 0)
                        continue; // no colour in the window: black
                    const float f = static_cast<float>(luma[size_t(y) * W + size_t(x)]) / static_cast<float>(weighted);
                    o[0] = ScaledChannel(s[0], f);
                    o[1] = ScaledChannel(s[1], f);
                    o[2] = ScaledChannel(s[2], f);
                }
            }
        });
    } catch (const std::bad_alloc&) {
        return DevelopStatus::OutOfMemory;
    }
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

DevelopStatus ApplyTone(RgbPlane& image, const DevelopContext& ctx, IProgress& progress)
{
    const int W = image.width;
    const bool done = RunRowPass(progress, "PASS6", image.height, kToneRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            uint16_t* p = image.Pixel(0, y);
            for (int x = 0; x < W; ++x, p += 3)
                ctx.ToneColorPixel(&p[0], &p[1], &p[2]);
        }
    });
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

} // namespace velmo
