// PASS3, PASS3b, PASS7a and PASS7b of a region development: the luma plane,
// the colour-noise map, softening and sharpening.
#include "develop/RegionPasses.h"

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

struct Tap {
    int dx, dy, weight;
};

std::vector<Tap> KernelTaps(int sizeMode)
{
    const int* k = KernelFor(sizeMode);
    std::vector<Tap> taps;
    for (int i = 0; i < 25; ++i)
        if (k[i] != 0)
            taps.push_back({i % 5 - 2, i / 5 - 2, k[i]});
    return taps;
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

// One kernel pass: combine(L, sum of weight x neighbour) per pixel, into a
// new plane.
template <class Combine>
DevelopStatus KernelPass(std::vector<int32_t>& luma, int width, int height, int sizeMode, const char* label,
                         IProgress& progress, Combine combine)
{
    if (width <= 0 || height <= 0 || luma.size() != size_t(width) * size_t(height))
        return DevelopStatus::InvalidInput;
    const std::vector<Tap> taps = KernelTaps(sizeMode);
    progress.Report(-2, kAllocatingMemory);
    std::vector<int32_t> out;
    if (!TryAssign(out, uint64_t(width) * uint64_t(height), 0))
        return DevelopStatus::OutOfMemory;
    // Away from the border every tap is a fixed offset from the pixel.
    std::vector<ptrdiff_t> offsets;
    for (const Tap& t : taps)
        offsets.push_back(ptrdiff_t(t.dy) * width + t.dx);
    const bool done = RunRowPass(progress, label, height, kRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const bool innerRow = y >= 2 && y < height - 2;
            const int32_t* row = luma.data() + size_t(y) * width;
            int32_t* dst = out.data() + size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                int64_t sum = 0;
                if (innerRow && x >= 2 && x < width - 2) {
                    const int32_t* centre = row + x;
                    for (size_t i = 0; i < taps.size(); ++i)
                        sum += int64_t(taps[i].weight) * centre[offsets[i]];
                } else {
                    for (const Tap& t : taps) {
                        const int nx = std::clamp(x + t.dx, 0, width - 1);
                        const int ny = std::clamp(y + t.dy, 0, height - 1);
                        sum += int64_t(t.weight) * luma[size_t(ny) * width + size_t(nx)];
                    }
                }
                dst[x] = SaturateInt32(combine(int64_t(row[x]), sum));
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
    // Each pixel normalised to its largest channel once, 0..255, instead of
    // once per neighbourhood it belongs to.
    std::vector<uint8_t> norm;
    if (!TryAssign(noise, uint64_t(W) * uint64_t(H), uint16_t(0)) ||
        !TryAssign(norm, uint64_t(W) * uint64_t(H) * 3, uint8_t(0)))
        return DevelopStatus::OutOfMemory;
    ParallelRows(H, kRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y)
            for (int x = 0; x < W; ++x) {
                const uint16_t* p = work.Pixel(x, y);
                const int32_t m = std::max({p[0], p[1], p[2]});
                uint8_t* n = norm.data() + (size_t(y) * W + size_t(x)) * 3;
                for (int c = 0; c < 3; ++c)
                    n[c] = static_cast<uint8_t>(m == 0 ? p[c] : int32_t(p[c]) * 255 / m);
            }
    });
    const bool done = RunRowPass(progress, "PASS3b", H, kRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const int y0 = std::max(0, y - 1), y1 = std::min(H - 1, y + 1);
            for (int x = 0; x < W; ++x) {
                const int x0 = std::max(0, x - 1), x1 = std::min(W - 1, x + 1);
                const uint8_t* c = norm.data() + (size_t(y) * W + size_t(x)) * 3;
                int sum = 0;
                for (int ny = y0; ny <= y1; ++ny)
                    for (int nx = x0; nx <= x1; ++nx) {
                        const uint8_t* q = norm.data() + (size_t(ny) * W + size_t(nx)) * 3;
                        sum += std::abs(q[0] - c[0]) + std::abs(q[1] - c[1]) + std::abs(q[2] - c[2]);
                    }
                const int pixels = (y1 - y0 + 1) * (x1 - x0 + 1);
                const float value = static_cast<float>(sum) / (static_cast<float>(pixels) * 5.0f / 6.0f);
                noise[size_t(y) * W + size_t(x)] = static_cast<uint16_t>(std::min(value, 65535.0f));
            }
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
    return KernelPass(luma, width, height, sizeMode, "PASS7a", progress,
                      [&](int64_t l, int64_t sum) { return (cs * l + sum) / divisor; });
}

DevelopStatus HardenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress)
{
    const int64_t ch = centre;
    const int64_t divisor = ch != 0 ? ch : 1;
    return KernelPass(luma, width, height, sizeMode, "PASS7b", progress,
                      [&](int64_t l, int64_t sum) { return ((ch + 360) * l - sum) / divisor; });
}

} // namespace velmo
