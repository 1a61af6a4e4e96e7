#include "develop/passes/DevelopRegion.h"

#include "develop/context/DevelopContext.h"
#include "develop/passes/NoiseReduction.h"

#include <new>
#include <utility>

namespace velmo {

namespace {

bool ValidInput(const RegionSource& source, const RegionRect& rect, int sizeMode)
{
    if (!IsRegionSizeMode(sizeMode) || rect.w < 0 || rect.h < 0 || rect.outW <= 0 || rect.outH <= 0)
        return false;
    if (source.width <= 0 || source.height <= 0 || source.whiteLevel == 0)
        return false;
    const uint64_t samples = uint64_t(source.width) * uint64_t(source.height) * 3;
    if (source.sPlane.size() < samples)
        return false;
    return source.rPlane.empty() || source.rPlane.size() >= samples;
}

DevelopStatus RunPasses(const RegionSource& source, const RegionRect& rect, int sizeMode, const DevelopContext& ctx,
                        IProgress& progress, RgbPlane& result)
{
    const DevParams& p = ctx.params;
    const int W = rect.outW;
    const int H = rect.outH;

    // PASS1: the colour step of every sample that can reach the output, then
    // its placement on the grid.
    RgbPlane work;
    {
        RgbPlane samples;
        const int sampleW = SourceExtent(rect.w, W, sizeMode);
        const int sampleH = SourceExtent(rect.h, H, sizeMode);
        if (DevelopStatus s = DevelopSamples(source, rect, sampleW, sampleH, ctx, progress, samples);
            s != DevelopStatus::Ok)
            return s;
        progress.Report(-2, kAllocatingMemory);
        work.width = W;
        work.height = H;
        if (!TryAssign(work.rgb, uint64_t(W) * uint64_t(H) * 3, uint16_t(0)))
            return DevelopStatus::OutOfMemory;
        PlaceSamples(samples, sizeMode, work);
    }

    if (DevelopStatus s = FillHoneycomb(work, rect.w, rect.h, sizeMode, source.bayer, p.honeycomb != 0, progress);
        s != DevelopStatus::Ok)
        return s;

    if (p.honeycomb == 0) {
        if (DevelopStatus s = ApplyTone(work, ctx, progress); s != DevelopStatus::Ok)
            return s;
        result = std::move(work);
        return DevelopStatus::Ok;
    }

    const int effectiveNR = ctx.EffectiveNR();
    const bool reduceNoise = effectiveNR != 0 && p.NR2 != 0;
    const SharpenCentres centres = SharpnessCentres(p.sharpness, p.soften, p.harden);
    const int threshold = p.iColorNRthreshold;
    ColorWindowParams window;
    window.radius = ColorWindowRadius(p.iColorNR, effectiveNR, sizeMode);
    window.threshold = threshold;

    if (!reduceNoise) {
        // Every step from the luma to the tone is local to a few rows: one
        // sweep, and no full-size luma or noise planes.
        LumaChain chain;
        chain.softenCentre = centres.soften;
        chain.hardenCentre = centres.harden;
        chain.sizeMode = sizeMode;
        RgbPlane developed;
        if (DevelopStatus s = SweepLumaToTone(work, chain, window, ctx, progress, developed); s != DevelopStatus::Ok)
            return s;
        result = std::move(developed);
        return DevelopStatus::Ok;
    }

    // Noise reduction looks far beyond a band (and the bilateral filter at
    // the largest luma of the picture): the passes one after another.
    std::vector<int32_t> luma;
    int32_t lmax = 0;
    if (DevelopStatus s = ComputeLuma(work, progress, luma, &lmax); s != DevelopStatus::Ok)
        return s;

    std::vector<uint16_t> noise;
    if (threshold != 0)
        if (DevelopStatus s = ComputeNoiseMap(work, progress, noise); s != DevelopStatus::Ok)
            return s;

    {
        NoiseReductionParams nr;
        nr.radius = p.NR1;
        nr.strength = p.NR2;
        nr.spatialSigma = p.NR3;
        nr.rangeSigma = p.NR4;
        nr.sizeMode = sizeMode;
        const DevelopStatus s = ctx.useOldNR ? MedianNoiseReduction(luma, W, H, nr, progress)
                                             : BilateralNoiseReduction(luma, W, H, lmax, nr, progress);
        if (s != DevelopStatus::Ok)
            return s;
    }

    if (centres.soften != 1000)
        if (DevelopStatus s = SoftenLuma(luma, W, H, centres.soften, sizeMode, progress); s != DevelopStatus::Ok)
            return s;
    if (centres.harden != 1000)
        if (DevelopStatus s = HardenLuma(luma, W, H, centres.harden, sizeMode, progress); s != DevelopStatus::Ok)
            return s;

    RgbPlane developed;
    if (DevelopStatus s = ApplyColorWindow(work, luma, noise, window, progress, developed); s != DevelopStatus::Ok)
        return s;
    work = RgbPlane{};
    luma = {};
    noise = {};

    if (DevelopStatus s = ApplyTone(developed, ctx, progress); s != DevelopStatus::Ok)
        return s;
    result = std::move(developed);
    return DevelopStatus::Ok;
}

} // namespace

DevelopStatus DevelopRegion(const RegionSource& source, const RegionRect& rect, int sizeMode,
                            const DevelopContext& ctx, IProgress& progress, RgbPlane& result)
{
    result = RgbPlane{};
    DevelopStatus status = DevelopStatus::InvalidInput;
    if (ValidInput(source, rect, sizeMode)) {
        try {
            status = RunPasses(source, rect, sizeMode, ctx, progress, result);
        } catch (const std::bad_alloc&) {
            status = DevelopStatus::OutOfMemory;
        }
    }
    if (status != DevelopStatus::Ok)
        result = RgbPlane{};
    progress.Report(-1, nullptr);
    return status;
}

} // namespace velmo
