// The per-row arithmetic of PASS3, PASS3b, PASS7a, PASS7b and PASS4.
#include "develop/passes/RegionRows.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace velmo::rows {

namespace {

// The 5 x 5 sharpening kernels; the 24 outer weights sum to 360, the centre
// is the pass's own.
constexpr int kKernel08[25] = {0, 10, 20, 10, 0, 10, 20, 30, 20, 10, 20, 30, 0, 30, 20, 10, 20, 30, 20, 10, 0, 10, 20, 10, 0};
constexpr int kKernel19[25] = {0, 5, 10, 5, 0, 5, 30, 40, 30, 5, 10, 40, 0, 40, 10, 5, 30, 40, 30, 5, 0, 5, 10, 5, 0};
constexpr int kKernel210[25] = {0, 0, 0, 0, 0, 0, 40, 50, 40, 0, 0, 50, 0, 50, 0, 0, 40, 50, 40, 0, 0, 0, 0, 0, 0};

const int* WeightsFor(int sizeMode)
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

// The sums are built in double so that they vectorise: every partial sum is
// an integer below 2^40 (at most 24 weights of 50 times a 32-bit value) and
// therefore exact. The quotient is exact too while the numerator stays below
// 2^53 (|a| <= 2^20, |b| <= 1): a quotient that is not an integer lies at
// least 1/d from the next one, and the rounding of one double division is
// smaller than that. Other coefficients take int64.
Kernel MakeKernel(int sizeMode, int64_t a, int64_t b, int64_t d)
{
    Kernel k;
    k.weights = WeightsFor(sizeMode);
    k.a = a;
    k.b = b;
    k.d = d;
    k.viaDouble = a >= -(int64_t(1) << 20) && a <= (int64_t(1) << 20) && (b == 1 || b == -1);
    return k;
}

uint16_t ScaledChannel(int64_t sum, float f)
{
    const float v = static_cast<float>(sum) * f;
    if (!(v > 0.0f))
        return 0;
    if (v >= 65535.0f)
        return 65535;
    return static_cast<uint16_t>(v);
}

} // namespace

int32_t LumaRow(const uint16_t* rgb, int width, int32_t* out)
{
    int32_t m = 0;
    for (int x = 0; x < width; ++x, rgb += 3) {
        const int32_t l = 2 * int32_t(rgb[0]) + 4 * int32_t(rgb[1]) + int32_t(rgb[2]);
        out[x] = l;
        m = std::max(m, l);
    }
    return m;
}

Kernel SoftenKernel(int centre, int sizeMode)
{
    const int64_t cs = centre;
    return MakeKernel(sizeMode, cs, 1, cs + 360 != 0 ? cs + 360 : 1);
}

Kernel HardenKernel(int centre, int sizeMode)
{
    const int64_t ch = centre;
    return MakeKernel(sizeMode, ch + 360, -1, ch != 0 ? ch : 1);
}

void KernelRow(const Kernel& k, const int32_t* const src[5], int width, double* sum, int32_t* dst)
{
    // Columns whose whole 5-pixel reach lies inside the row.
    const int inner0 = std::min(2, width), inner1 = std::max(inner0, width - 2);
    std::fill(sum, sum + width, 0.0);
    for (int dy = -2; dy <= 2; ++dy) {
        const int32_t* s = src[dy + 2];
        for (int dx = -2; dx <= 2; ++dx) {
            const double w = k.weights[(dy + 2) * 5 + dx + 2];
            if (w == 0.0)
                continue;
            for (int x = 0; x < inner0; ++x)
                sum[x] += w * s[std::clamp(x + dx, 0, width - 1)];
            for (int x = inner0; x < inner1; ++x)
                sum[x] += w * s[x + dx];
            for (int x = inner1; x < width; ++x)
                sum[x] += w * s[std::clamp(x + dx, 0, width - 1)];
        }
    }
    const int32_t* row = src[2];
    if (k.viaDouble) {
        const double fa = double(k.a), fb = double(k.b), fd = double(k.d);
        constexpr double lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
        for (int x = 0; x < width; ++x)
            dst[x] = static_cast<int32_t>(std::clamp((fa * row[x] + fb * sum[x]) / fd, lo, hi));
    } else {
        for (int x = 0; x < width; ++x)
            dst[x] = SaturateInt32((k.a * int64_t(row[x]) + k.b * int64_t(sum[x])) / k.d);
    }
}

void NormaliseRow(const uint16_t* p, int width, uint8_t* n)
{
    // The quotient p x 255 / m in double is exact: both are integers below 2^24.
    for (int x = 0; x < width; ++x, p += 3, n += 3) {
        const int32_t m = std::max({p[0], p[1], p[2]});
        const double f = m == 0 ? 0.0 : double(m);
        for (int c = 0; c < 3; ++c)
            n[c] = static_cast<uint8_t>(m == 0 ? p[c] : int32_t(double(int32_t(p[c]) * 255) / f));
    }
}

void NoiseRow(const uint8_t* above, const uint8_t* here, const uint8_t* below, int width, uint16_t* diff,
              uint16_t* out)
{
    const int W = width;
    // The sum of channel differences to the pixel over its 3 x 3
    // neighbourhood (fewer pixels at the picture's edges), over 5/6 of the
    // pixel count.
    const uint8_t* rowsNear[3] = {above, here, below};
    auto edge = [&](int x) {
        const int x0 = std::max(0, x - 1), x1 = std::min(W - 1, x + 1);
        const uint8_t* c = here + size_t(x) * 3;
        int sum = 0, rowCount = 0;
        for (const uint8_t* r : rowsNear) {
            if (!r)
                continue;
            ++rowCount;
            for (int nx = x0; nx <= x1; ++nx) {
                const uint8_t* q = r + size_t(nx) * 3;
                sum += std::abs(q[0] - c[0]) + std::abs(q[1] - c[1]) + std::abs(q[2] - c[2]);
            }
        }
        const int pixels = rowCount * (x1 - x0 + 1);
        const float value = static_cast<float>(sum) / (static_cast<float>(pixels) * 5.0f / 6.0f);
        out[x] = static_cast<uint16_t>(std::min(value, 65535.0f));
    };
    if (!above || !below || W < 3) {
        for (int x = 0; x < W; ++x)
            edge(x);
        return;
    }
    // Inside: per sample, the differences to the same channel of the nine
    // neighbours (a plain loop that vectorises), then per pixel the sum of
    // its three channels.
    edge(0);
    for (int i = 3; i < 3 * (W - 1); ++i) {
        const int c = here[i];
        diff[size_t(i)] = uint16_t(std::abs(above[i - 3] - c) + std::abs(above[i] - c) + std::abs(above[i + 3] - c) +
                                   std::abs(here[i - 3] - c) + std::abs(here[i + 3] - c) +
                                   std::abs(below[i - 3] - c) + std::abs(below[i] - c) + std::abs(below[i + 3] - c));
    }
    const float nine = 9.0f * 5.0f / 6.0f;
    for (int x = 1; x < W - 1; ++x) {
        const int sum = diff[size_t(3 * x)] + diff[size_t(3 * x + 1)] + diff[size_t(3 * x + 2)];
        out[x] = static_cast<uint16_t>(std::min(static_cast<float>(sum) / nine, 65535.0f));
    }
    edge(W - 1);
}

BandSums::BandSums(const uint16_t* rgb, int w, int firstRow, int endRow)
    : width(w), first(firstRow), sums(size_t(endRow - firstRow + 1) * size_t(w + 1) * 3, 0)
{
    const size_t stride = size_t(width + 1) * 3;
    for (int r = firstRow; r < endRow; ++r) {
        const int64_t* above = sums.data() + size_t(r - firstRow) * stride;
        int64_t* row = sums.data() + size_t(r - firstRow + 1) * stride;
        int64_t run[3] = {0, 0, 0};
        const uint16_t* p = rgb + size_t(r) * size_t(width) * 3;
        for (int x = 0; x < width; ++x, p += 3) {
            for (int c = 0; c < 3; ++c) {
                run[c] += p[c];
                row[size_t(x + 1) * 3 + c] = above[size_t(x + 1) * 3 + c] + run[c];
            }
        }
    }
}

void WindowRow(const BandSums& band, int y, int W, int H, int O, int64_t t, const uint16_t* noise,
               const int32_t* luma, uint16_t* out)
{
    const int64_t fy0 = std::max(0, y - O), fy1 = std::min(H - 1, y + O);
    const int64_t sy0 = y, sy1 = std::min(H - 1, y + 1);
    for (int x = 0; x < W; ++x, out += 3) {
        int64_t x0 = std::max(0, x - O), x1 = std::min(W - 1, x + O);
        int64_t y0 = fy0, y1 = fy1;
        if (t != 0) {
            const int64_t sx0 = x, sx1 = std::min(W - 1, x + 1);
            const int64_t a = int64_t(noise[x]) - t + 20;
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
        const int64_t weighted = 2 * s[0] + 4 * s[1] + s[2];
        if (weighted == 0) {
            out[0] = out[1] = out[2] = 0; // no colour in the window: black
            continue;
        }
        const float f = static_cast<float>(luma[x]) / static_cast<float>(weighted);
        out[0] = ScaledChannel(s[0], f);
        out[1] = ScaledChannel(s[1], f);
        out[2] = ScaledChannel(s[2], f);
    }
}

} // namespace velmo::rows
