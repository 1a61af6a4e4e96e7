// PASS3 to PASS6 fused into one sweep over bands of rows. The passes one
// after another keep three full-size planes beside the work plane (the luma,
// the sharpened luma and the noise map) and go over the picture five times;
// here each band of rows goes through every step while it is in cache, and
// only the result is a full-size plane. The rows that a band's kernels and
// window reach beyond it are recomputed by each band that needs them.
#include "develop/context/DevelopContext.h"
#include "develop/passes/RegionPasses.h"
#include "develop/passes/RegionRows.h"

#include <algorithm>
#include <new>

namespace velmo {

namespace {

// Bands of at least this many rows keep the recomputed rows at their edges
// a small part of the work.
constexpr int kSweepRowsPerChunk = 32;

} // namespace

DevelopStatus SweepLumaToTone(const RgbPlane& work, const LumaChain& chain, const ColorWindowParams& window,
                              const DevelopContext& ctx, IProgress& progress, RgbPlane& result)
{
    const int W = work.width;
    const int H = work.height;
    const size_t pixels = size_t(W) * size_t(H);
    result = RgbPlane{};
    if (W <= 0 || H <= 0 || work.rgb.size() < pixels * 3)
        return DevelopStatus::InvalidInput;
    const int O = std::clamp(window.radius, 0, std::max(W, H));
    const int64_t t = window.threshold;

    rows::Kernel kernels[2];
    int kernelCount = 0;
    if (chain.softenCentre != 1000)
        kernels[kernelCount++] = rows::SoftenKernel(chain.softenCentre, chain.sizeMode);
    if (chain.hardenCentre != 1000)
        kernels[kernelCount++] = rows::HardenKernel(chain.hardenCentre, chain.sizeMode);

    progress.Report(-2, kAllocatingMemory);
    result.width = W;
    result.height = H;
    if (!TryAssign(result.rgb, uint64_t(pixels) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;

    const int minRows = std::max(kSweepRowsPerChunk, 2 * O + 2);
    bool done = false;
    try {
        done = RunRowPass(progress, "PASS4", H, minRows, [&](int begin, int end) {
            // The luma of the band and of the two rows per kernel pass that
            // the kernels reach beyond it; each pass narrows the rows by two.
            int first = std::max(0, begin - 2 * kernelCount);
            int last = std::min(H, end + 2 * kernelCount);
            std::vector<int32_t> luma(size_t(last - first) * size_t(W));
            for (int y = first; y < last; ++y)
                rows::LumaRow(work.Pixel(0, y), W, luma.data() + size_t(y - first) * W);
            if (kernelCount > 0) {
                std::vector<int32_t> filtered(luma.size());
                std::vector<double> sums(static_cast<size_t>(W));
                for (int k = 0; k < kernelCount; ++k) {
                    const int reach = 2 * (kernelCount - k - 1);
                    const int outFirst = std::max(0, begin - reach), outLast = std::min(H, end + reach);
                    for (int y = outFirst; y < outLast; ++y) {
                        // The edge rule: rows outside the picture are its edge rows.
                        const int32_t* src[5];
                        for (int i = 0; i < 5; ++i)
                            src[i] = luma.data() + size_t(std::clamp(y + i - 2, 0, H - 1) - first) * W;
                        rows::KernelRow(kernels[k], src, W, sums.data(), filtered.data() + size_t(y - outFirst) * W);
                    }
                    luma.swap(filtered);
                    first = outFirst;
                    last = outLast;
                }
            }

            std::vector<uint16_t> noise;
            if (t != 0) {
                const int nFirst = std::max(0, begin - 1), nLast = std::min(H, end + 1);
                const size_t stride = size_t(W) * 3;
                std::vector<uint8_t> norm(size_t(nLast - nFirst) * stride);
                for (int y = nFirst; y < nLast; ++y)
                    rows::NormaliseRow(work.Pixel(0, y), W, norm.data() + size_t(y - nFirst) * stride);
                auto at = [&](int y) { return y < 0 || y >= H ? nullptr : norm.data() + size_t(y - nFirst) * stride; };
                std::vector<uint16_t> diff(stride);
                noise.resize(size_t(end - begin) * size_t(W));
                for (int y = begin; y < end; ++y)
                    rows::NoiseRow(at(y - 1), at(y), at(y + 1), W, diff.data(), noise.data() + size_t(y - begin) * W);
            }

            // The chunk's rows and every row their windows reach.
            const rows::BandSums band(work.rgb.data(), W, std::max(0, begin - O), std::min(H, end + std::max(O, 1)));
            for (int y = begin; y < end; ++y) {
                uint16_t* out = result.Pixel(0, y);
                rows::WindowRow(band, y, W, H, O, t, t != 0 ? noise.data() + size_t(y - begin) * W : nullptr,
                                luma.data() + size_t(y - first) * W, out);
                for (int x = 0; x < W; ++x, out += 3)
                    ctx.ToneColorPixel(&out[0], &out[1], &out[2]);
            }
        });
    } catch (const std::bad_alloc&) {
        result = RgbPlane{};
        return DevelopStatus::OutOfMemory;
    }
    if (!done)
        result = RgbPlane{};
    return done ? DevelopStatus::Ok : DevelopStatus::Aborted;
}

} // namespace velmo
