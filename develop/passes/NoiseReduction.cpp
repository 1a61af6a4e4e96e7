#include "develop/passes/NoiseReduction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velmo {

namespace {

constexpr int kRangeTableSize = 65536;
// Rows per chunk: enough work per task for the wider windows as well.
constexpr int kMinRowsPerChunk = 4;

bool PlaneMatches(const std::vector<int32_t>& luma, int width, int height)
{
    return width > 0 && height > 0 && luma.size() == size_t(width) * size_t(height);
}

} // namespace

int BilateralRadius(int nr1, int sizeMode)
{
    // Clamped first so that scaling cannot overflow; anything above 10 ends
    // at 10 anyway.
    const int n = std::clamp(nr1, 0, kMaxNoiseRadius);
    int r = n;
    switch (sizeMode) {
    case 0:
    case 8:
        r = n * 2;
        break;
    case 1:
    case 9:
        r = n * 6 / 4;
        break;
    default:
        break;
    }
    return std::clamp(r, 0, kMaxNoiseRadius);
}

int MedianRadius(int nr1)
{
    return std::clamp(nr1, 0, kMaxNoiseRadius);
}

int MirrorCoordinate(int c, int n)
{
    if (n <= 1)
        return 0;
    while (c < 0 || c >= n) {
        if (c < 0)
            c = -c;
        else
            c = 2 * n - 1 - c;
    }
    return c;
}

DevelopStatus BilateralNoiseReduction(std::vector<int32_t>& luma, int width, int height, int32_t lmax,
                                      const NoiseReductionParams& params, IProgress& progress)
{
    const int strength = std::clamp(params.strength, 0, 100);
    if (strength == 0 || lmax <= 0)
        return DevelopStatus::Ok;
    if (!PlaneMatches(luma, width, height))
        return DevelopStatus::InvalidInput;

    const int r = BilateralRadius(params.radius, params.sizeMode);
    const int side = 2 * r + 1;
    const float spatialSigma = std::clamp(static_cast<float>(params.spatialSigma) / 100.0f, 0.01f, 10.0f);
    const float rangeSigma = std::clamp(static_cast<float>(params.rangeSigma) / 100.0f, 0.01f, 10.0f);

    std::vector<float> spatial(size_t(side) * side);
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            spatial[size_t(dy + r) * side + size_t(dx + r)] =
                std::exp(-static_cast<float>(dx * dx + dy * dy) / (2.0f * spatialSigma * spatialSigma));
    std::vector<float> range(kRangeTableSize);
    for (int j = 0; j < kRangeTableSize; ++j) {
        const float t = static_cast<float>(j) / 65535.0f;
        range[size_t(j)] = std::exp(-(t * t) / (2.0f * rangeSigma * rangeSigma));
    }

    const int paddedW = width + 2 * r;
    const int paddedH = height + 2 * r;
    progress.Report(-2, kAllocatingMemory);
    std::vector<float> padded;
    std::vector<int32_t> result;
    if (!TryAssign(padded, uint64_t(paddedW) * uint64_t(paddedH)) ||
        !TryAssign(result, uint64_t(width) * uint64_t(height)))
        return DevelopStatus::OutOfMemory;

    std::vector<int> columnOf(static_cast<size_t>(paddedW));
    for (int px = 0; px < paddedW; ++px)
        columnOf[size_t(px)] = MirrorCoordinate(px - r, width);
    const float norm = static_cast<float>(lmax);

    const bool padDone = RunRowPass(progress, "Bilateral NR 1/2", paddedH, kMinRowsPerChunk, [&](int begin, int end) {
        for (int py = begin; py < end; ++py) {
            const int32_t* src = luma.data() + size_t(MirrorCoordinate(py - r, height)) * width;
            float* dst = padded.data() + size_t(py) * paddedW;
            for (int px = 0; px < paddedW; ++px)
                dst[px] = static_cast<float>(src[columnOf[size_t(px)]]) / norm;
        }
    });
    if (!padDone)
        return DevelopStatus::Aborted;

    const float blend = norm * static_cast<float>(strength);
    const int keep = 100 - strength;
    const bool filterDone = RunRowPass(progress, "Bilateral NR 2/2", height, kMinRowsPerChunk, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const int32_t* in = luma.data() + size_t(y) * width;
            int32_t* out = result.data() + size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                const float c = padded[size_t(y + r) * paddedW + size_t(x + r)];
                float numerator = 0.0f;
                float denominator = 0.0f;
                const float* w = spatial.data();
                for (int wy = 0; wy < side; ++wy) {
                    const float* row = padded.data() + size_t(y + wy) * paddedW + size_t(x);
                    for (int wx = 0; wx < side; ++wx) {
                        const float v = row[wx];
                        const int index = std::min(static_cast<int>(std::fabs(c - v) * 65535.0f), kRangeTableSize - 1);
                        const float weight = range[size_t(index)] * *w++;
                        numerator += v * weight;
                        denominator += weight;
                    }
                }
                // The centre always weighs 1, so the denominator is never 0.
                const float value =
                    (numerator / denominator * blend + static_cast<float>(keep * in[x])) / 100.0f;
                out[x] = static_cast<int32_t>(value);
            }
        }
    });
    if (!filterDone)
        return DevelopStatus::Aborted;
    luma.swap(result);
    return DevelopStatus::Ok;
}

DevelopStatus MedianNoiseReduction(std::vector<int32_t>& luma, int width, int height,
                                   const NoiseReductionParams& params, IProgress& progress)
{
    const int strength = std::clamp(params.strength, 0, 100);
    if (strength == 0)
        return DevelopStatus::Ok;
    if (!PlaneMatches(luma, width, height))
        return DevelopStatus::InvalidInput;

    const int r = MedianRadius(params.radius);
    const int side = 2 * r + 1;
    const size_t count = size_t(side) * side;

    progress.Report(-2, kAllocatingMemory);
    std::vector<int32_t> result;
    if (!TryAssign(result, uint64_t(width) * uint64_t(height)))
        return DevelopStatus::OutOfMemory;

    const int keep = 100 - strength;
    bool done = false;
    try {
        done = RunRowPass(progress, "Median NR", height, kMinRowsPerChunk, [&](int begin, int end) {
            std::vector<int32_t> window(count);
            std::vector<int> columns(size_t(width) + 2 * size_t(r));
            for (int i = 0; i < width + 2 * r; ++i)
                columns[size_t(i)] = std::clamp(i - r, 0, width - 1);
            for (int y = begin; y < end; ++y) {
                for (int x = 0; x < width; ++x) {
                    size_t k = 0;
                    for (int dy = -r; dy <= r; ++dy) {
                        const int32_t* row = luma.data() + size_t(std::clamp(y + dy, 0, height - 1)) * width;
                        for (int dx = 0; dx < side; ++dx)
                            window[k++] = row[columns[size_t(x + dx)]];
                    }
                    // Only the middle element of the sorted window is used.
                    std::nth_element(window.begin(), window.begin() + count / 2, window.end());
                    const int64_t median = window[count / 2];
                    const int64_t l = luma[size_t(y) * width + size_t(x)];
                    result[size_t(y) * width + size_t(x)] = static_cast<int32_t>((l * keep + strength * median) / 100);
                }
            }
        });
    } catch (const std::bad_alloc&) {
        return DevelopStatus::OutOfMemory;
    }
    if (!done)
        return DevelopStatus::Aborted;
    luma.swap(result);
    return DevelopStatus::Ok;
}

} // namespace velmo
