// PASS3, PASS3b, PASS7a and PASS7b of a region development: the luma plane,
// the colour-noise map, softening and sharpening.
#include "develop/passes/RegionPasses.h"
#include "develop/passes/RegionRows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace velmo {

namespace {

constexpr int kRowsPerChunk = 8;

int CentreFor(int amount)
{
    const int a = std::clamp(amount, 0, 100);
    return static_cast<int>(1000.0 - 1000.0 * std::pow(a / 100.0, 0.2));
}

// One kernel pass into a new plane; neighbours outside the picture take the
// nearest edge pixel.
DevelopStatus KernelPass(std::vector<int32_t>& luma, int width, int height, const rows::Kernel& kernel,
                         const char* label, IProgress& progress)
{
    if (width <= 0 || height <= 0 || luma.size() != size_t(width) * size_t(height))
        return DevelopStatus::InvalidInput;
    progress.Report(-2, kAllocatingMemory);
    std::vector<int32_t> out;
    if (!TryAssign(out, uint64_t(width) * uint64_t(height), 0))
        return DevelopStatus::OutOfMemory;
    const bool done = RunRowPass(progress, label, height, kRowsPerChunk, [&](int begin, int end) {
        std::vector<double> sums(static_cast<size_t>(width));
        for (int y = begin; y < end; ++y) {
            const int32_t* src[5];
            for (int i = 0; i < 5; ++i)
                src[i] = luma.data() + size_t(std::clamp(y + i - 2, 0, height - 1)) * width;
            rows::KernelRow(kernel, src, width, sums.data(), out.data() + size_t(y) * width);
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
        for (int y = begin; y < end; ++y)
            rowMax[size_t(y)] = rows::LumaRow(work.Pixel(0, y), W, luma.data() + size_t(y) * W);
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
        // normalised once instead of once per neighbourhood it belongs to.
        const int first = std::max(0, begin - 1), last = std::min(H, end + 1);
        const size_t stride = size_t(W) * 3;
        std::vector<uint8_t> norm(size_t(last - first) * stride);
        for (int y = first; y < last; ++y)
            rows::NormaliseRow(work.Pixel(0, y), W, norm.data() + size_t(y - first) * stride);
        auto at = [&](int y) { return y < 0 || y >= H ? nullptr : norm.data() + size_t(y - first) * stride; };
        std::vector<uint16_t> diff(stride);
        for (int y = begin; y < end; ++y)
            rows::NoiseRow(at(y - 1), at(y), at(y + 1), W, diff.data(), noise.data() + size_t(y) * W);
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
    return KernelPass(luma, width, height, rows::SoftenKernel(centre, sizeMode), "PASS7a", progress);
}

DevelopStatus HardenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress)
{
    return KernelPass(luma, width, height, rows::HardenKernel(centre, sizeMode), "PASS7b", progress);
}

} // namespace velmo
