// PASS3, PASS3b, PASS7a and PASS7b of a region development: the luma plane,
// the colour-noise map, softening and sharpening.
#include "develop/passes/RegionPasses.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace velmo {

namespace {

constexpr int kRowsPerChunk = 8;

// The 5 x 5 sharpening kernels; the 24 outer weights sum to 360, the centre
// is the pass's own.
constexpr int kKernel08[25] = {0, 10, 20, 10, 0, 10, 20, 30, 20, 10, 20, 30, 0, 30, 20, 10, 20, 30, 20, 10, 0, 10, 20, 10, 0};
constexpr int kKernel19[25] = {0, 5, 10, 5, 0, 5, 30, 40, 30, 5, 10, 40, 0, 40, 10, 5, 30, 40, 30, 5, 0, 5, 10, 5, 0};
constexpr int kKernel210[25] = {0, 0, 0, 0, 0, 0, 40, 50, 40, 0, 0, 50, 0, 50, 0, 0, 40, 50, 40, 0, 0, 0, 0, 0, 0};

const int* KernelFor(int sizeMode)
{
    switch (sizeMode) {
    case 1:
    case 9:
        return kKernel19;
    case 2:
    case 10:
        return kKernel210;
    default:
        return kKernel08;
    }
}

int32_t SaturateInt32(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int CentreFor(int amount)
{
    const int a = std::clamp(amount, 0, 100);
    return static_cast<int>(1000.0 - 1000.0 * std::pow(a / 100.0, 0.2));
}

// One kernel pass into a new plane: per pixel (a x L + b x S) / d, truncated
// as integer division does, with S the sum of weight x neighbour; neighbours
// outside the picture take the nearest edge pixel.
//
// The sums are built in double, row by row, so that they vectorise: every
// partial sum is an integer below 2^40 (at most 24 weights of 50 times a
// 32-bit value) and therefore exact. The quotient is exact too while the
// numerator stays below 2^53 (|a| <= 2^20, |b| <= 1): a quotient that is
// not an integer lies at least 1/d from the next one, and the rounding of one
// double division is smaller than that. Other coefficients take int64.
DevelopStatus KernelPass(std::vector<int32_t>& luma, int width, int height, int sizeMode, const char* label,
                         IProgress& progress, int64_t a, int64_t b, int64_t d)
{
    if (width <= 0 || height <= 0 || luma.size() != size_t(width) * size_t(height))
        return DevelopStatus::InvalidInput;
    const int* kernel = KernelFor(sizeMode);
    progress.Report(-2, kAllocatingMemory);
    std::vector<int32_t> out;
    if (!TryAssign(out, uint64_t(width) * uint64_t(height), 0))
        return DevelopStatus::OutOfMemory;
    const bool viaDouble = a >= -(int64_t(1) << 20) && a <= (int64_t(1) << 20) && (b == 1 || b == -1);
    // Columns whose whole 5-pixel reach lies inside the row.
    const int inner0 = std::min(2, width), inner1 = std::max(inner0, width - 2);
    const bool done = RunRowPass(progress, label, height, kRowsPerChunk, [&](int begin, int end) {
        std::vector<double> sums(static_cast<size_t>(width));
        for (int y = begin; y < end; ++y) {
            std::fill(sums.begin(), sums.end(), 0.0);
            double* sum = sums.data();
            for (int dy = -2; dy <= 2; ++dy) {
                const int32_t* src = luma.data() + size_t(std::clamp(y + dy, 0, height - 1)) * width;
                for (int dx = -2; dx <= 2; ++dx) {
                    const double w = kernel[(dy + 2) * 5 + dx + 2];
                    if (w == 0.0)
                        continue;
                    for (int x = 0; x < inner0; ++x)
                        sum[x] += w * src[std::clamp(x + dx, 0, width - 1)];
                    const int32_t* shifted = src + dx;
                    for (int x = inner0; x < inner1; ++x)
                        sum[x] += w * shifted[x];
                    for (int x = inner1; x < width; ++x)
                        sum[x] += w * src[std::clamp(x + dx, 0, width - 1)];
                }
            }
            const int32_t* row = luma.data() + size_t(y) * width;
            int32_t* dst = out.data() + size_t(y) * width;
            if (viaDouble) {
                const double fa = double(a), fb = double(b), fd = double(d);
                constexpr double lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
                for (int x = 0; x < width; ++x)
                    dst[x] = static_cast<int32_t>(std::clamp((fa * row[x] + fb * sum[x]) / fd, lo, hi));
            } else {
                for (int x = 0; x < width; ++x)
                    dst[x] = SaturateInt32((a * int64_t(row[x]) + b * int64_t(sum[x])) / d);
            }
        }
    });
    if (!done)
        return DevelopStatus::Aborted;
    luma.swap(out);
    return DevelopStatus::Ok;
}

} // namespace

DevelopStatus ComputeLuma(const RgbPlane& work, IProgress& progress, std::vector<int32_t>& luma, int32_t* lmax)
{
    const int W = work.width;
    const int H = work.height;
    progress.Report(-2, kAllocatingMemory);
    std::vector<int32_t> rowMax;
    if (!TryAssign(luma, uint64_t(W) * uint64_t(H), 0) || !TryAssign(rowMax, uint64_t(std::max(H, 0)), 0))
        return DevelopStatus::OutOfMemory;
    const bool done = RunRowPass(progress, "PASS3", H, kRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            int32_t m = 0;
            int32_t* out = luma.data() + size_t(y) * W;
            for (int x = 0; x < W; ++x) {
                const uint16_t* p = work.Pixel(x, y);
                const int32_t l = 2 * int32_t(p[0]) + 4 * int32_t(p[1]) + int32_t(p[2]);
                out[x] = l;
                m = std::max(m, l);
            }
            rowMax[size_t(y)] = m;
        }
    });
    if (!done)
        return DevelopStatus::Aborted;
    int32_t m = 0;
    for (int32_t v : rowMax)
        m = std::max(m, v);
    *lmax = m;
    return DevelopStatus::Ok;
}

DevelopStatus ComputeNoiseMap(const RgbPlane& work, IProgress& progress, std::vector<uint16_t>& noise)
{
    const int W = work.width;
    const int H = work.height;
    progress.Report(-2, kAllocatingMemory);
    if (!TryAssign(noise, uint64_t(W) * uint64_t(H), uint16_t(0)))
        return DevelopStatus::OutOfMemory;
    const bool done = RunRowPass(progress, "PASS3b", H, kRowsPerChunk, [&](int begin, int end) {
        // Each pixel of the chunk's rows and the row above and below,
        // normalised to its largest channel once (0..255), instead of once
        // per neighbourhood it belongs to. The quotient p x 255 / m in
        // double is exact: both are integers below 2^24.
        const int first = std::max(0, begin - 1), last = std::min(H, end + 1);
        std::vector<uint8_t> norm(size_t(last - first) * size_t(W) * 3);
        for (int y = first; y < last; ++y) {
            const uint16_t* p = work.Pixel(0, y);
            uint8_t* n = norm.data() + size_t(y - first) * size_t(W) * 3;
            for (int x = 0; x < W; ++x, p += 3, n += 3) {
                const int32_t m = std::max({p[0], p[1], p[2]});
                const double f = m == 0 ? 0.0 : double(m);
                for (int c = 0; c < 3; ++c)
                    n[c] = static_cast<uint8_t>(m == 0 ? p[c] : int32_t(double(int32_t(p[c]) * 255) / f));
            }
        }
        auto at = [&](int y, int x) { return norm.data() + (size_t(y - first) * size_t(W) + size_t(x)) * 3; };
        std::vector<uint16_t> diff(size_t(W) * 3);
        for (int y = begin; y < end; ++y) {
            const int y0 = std::max(0, y - 1), y1 = std::min(H - 1, y + 1);
            uint16_t* out = noise.data() + size_t(y) * W;
            // The sum of channel differences to the pixel over its 3 x 3
            // neighbourhood (fewer pixels at the picture's edges), over 5/6
            // of the pixel count.
            auto edge = [&](int x) {
                const int x0 = std::max(0, x - 1), x1 = std::min(W - 1, x + 1);
                const uint8_t* c = at(y, x);
                int sum = 0;
                for (int ny = y0; ny <= y1; ++ny)
                    for (int nx = x0; nx <= x1; ++nx) {
                        const uint8_t* q = at(ny, nx);
                        sum += std::abs(q[0] - c[0]) + std::abs(q[1] - c[1]) + std::abs(q[2] - c[2]);
                    }
                const int pixels = (y1 - y0 + 1) * (x1 - x0 + 1);
                const float value = static_cast<float>(sum) / (static_cast<float>(pixels) * 5.0f / 6.0f);
                out[x] = static_cast<uint16_t>(std::min(value, 65535.0f));
            };
            if (y0 != y - 1 || y1 != y + 1 || W < 3) {
                for (int x = 0; x < W; ++x)
                    edge(x);
                continue;
            }
            // Inside: per sample, the differences to the same channel of the
            // nine neighbours (a plain loop that vectorises), then per pixel
            // the sum of its three channels.
            edge(0);
            const uint8_t* above = at(y - 1, 0);
            const uint8_t* here = at(y, 0);
            const uint8_t* below = at(y + 1, 0);
            for (int i = 3; i < 3 * (W - 1); ++i) {
                const int c = here[i];
                diff[size_t(i)] = uint16_t(std::abs(above[i - 3] - c) + std::abs(above[i] - c) +
                                           std::abs(above[i + 3] - c) + std::abs(here[i - 3] - c) +
                                           std::abs(here[i + 3] - c) + std::abs(below[i - 3] - c) +
                                           std::abs(below[i] - c) + std::abs(below[i + 3] - c));
            }
            const float nine = 9.0f * 5.0f / 6.0f;
            for (int x = 1; x < W - 1; ++x) {
                const int sum = diff[size_t(3 * x)] + diff[size_t(3 * x + 1)] + diff[size_t(3 * x + 2)];
                out[x] = static_cast<uint16_t>(std::min(static_cast<float>(sum) / nine, 65535.0f));
            }
            edge(W - 1);
        }
    });
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

SharpenCentres SharpnessCentres(int sharpness, int soften, int harden)
{
    int s = 0, h = 0;
    switch (sharpness) {
    case 0:
        h = 20;
        break;
    case 1:
        h = 5;
        break;
    case 2:
        s = 20;
        break;
    case 3:
        s = soften;
        h = harden;
        break;
    default:
        break;
    }
    SharpenCentres c;
    c.soften = CentreFor(s);
    // harden 100 gives 0, which would leave only the neighbour term and turn
    // flat areas black; 1 keeps the pixel's own luma in the result.
    c.harden = std::max(CentreFor(h), 1);
    return c;
}

DevelopStatus SoftenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress)
{
    const int64_t cs = centre;
    const int64_t divisor = cs + 360 != 0 ? cs + 360 : 1;
    return KernelPass(luma, width, height, sizeMode, "PASS7a", progress, cs, 1, divisor);
}

DevelopStatus HardenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress)
{
    const int64_t ch = centre;
    const int64_t divisor = ch != 0 ? ch : 1;
    return KernelPass(luma, width, height, sizeMode, "PASS7b", progress, ch + 360, -1, divisor);
}

} // namespace velmo
