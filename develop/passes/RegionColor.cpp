// PASS4 and PASS6 of a region development: the colour window that puts the
// processed luma back into colour, and the tone and colour step.
#include "develop/context/DevelopContext.h"
#include "develop/passes/RegionPasses.h"
#include "develop/passes/RegionRows.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr int kToneRowsPerChunk = 4;
// Large enough above the chunk's own rows for the band tables of the window.
constexpr int kWindowRowsPerChunk = 16;
// Beyond this many pixels no window grows further on any plane we allocate.
constexpr int kMaxColorLevel = 1 << 20;

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
            const rows::BandSums band(work.rgb.data(), W, std::max(0, begin - O), std::min(H, end + std::max(O, 1)));
            for (int y = begin; y < end; ++y)
                rows::WindowRow(band, y, W, H, O, t, t != 0 ? noise.data() + size_t(y) * W : nullptr,
                                luma.data() + size_t(y) * W, result.Pixel(0, y));
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
