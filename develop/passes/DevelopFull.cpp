#include "develop/passes/DevelopFull.h"

#include "develop/context/DevelopContext.h"
#include "develop/passes/DevelopRegion.h"
#include "develop/passes/LensCorrection.h"
#include "develop/passes/NoiseReduction.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace velmo {

namespace {

// The output scale num/den of a size mode; false for one not served here.
bool ScaleOf(int sizeMode, int64_t* num, int64_t* den)
{
    switch (sizeMode) {
    case 0:
        *num = 2, *den = 1;
        return true;
    case 1:
        *num = 3, *den = 2;
        return true;
    case 2:
    case 8:
        *num = 1, *den = 1;
        return true;
    case 9:
        *num = 3, *den = 4;
        return true;
    case 10:
        *num = 1, *den = 2;
        return true;
    default:
        return false;
    }
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// The smallest run of image pixels whose placement repeats on the output
// grid, and the output pixels it covers: a rectangle starting a whole number
// of these runs from another lands on the same grid.
struct GridPeriod {
    int image;
    int output;
};

GridPeriod PeriodOf(int sizeMode)
{
    switch (sizeMode) {
    case 0:
        return {1, 2};
    case 1:
        return {2, 3};
    case 9:
        return {4, 3};
    case 10:
        return {2, 1};
    default:
        return {1, 1};
    }
}

// How far, in output pixels, the region development of one pixel looks
// around it: placement and honeycomb filling, the noise map, the luma chain
// (noise reduction, then the 5 x 5 softening and sharpening kernels) and the
// colour window. Generous by a few pixels.
int ContextRadius(const DevelopContext& ctx, int sizeMode)
{
    const DevParams& p = ctx.params;
    constexpr int kPlacement = 4;
    if (p.honeycomb == 0)
        return kPlacement;
    int noise = 0;
    if (ctx.EffectiveNR() != 0 && p.NR2 != 0)
        noise = ctx.useOldNR ? MedianRadius(p.NR1) : BilateralRadius(p.NR1, sizeMode);
    const int luma = noise + 4;
    const int window = ColorWindowRadius(p.iColorNR, ctx.EffectiveNR(), sizeMode);
    return kPlacement + 2 + std::max(luma, window);
}

// The image pixels a rectangle is grown by on each side so that its pixels
// see the neighbours they have in the whole image.
int64_t ContextMargin(const DevelopContext& ctx, int sizeMode)
{
    int64_t num = 1, den = 1;
    ScaleOf(sizeMode, &num, &den);
    const int64_t radius = ContextRadius(ctx, sizeMode);
    return (radius * den + num - 1) / num + PeriodOf(sizeMode).image;
}

// The grown span [begin, end) of the span [pos, pos + len) inside 0..size:
// grown to the left by whole grid periods (never past 0, and not at all when
// the span already starts outside the image), to the right up to the image's
// end.
void GrowSpan(int64_t pos, int64_t len, int64_t size, int64_t margin, int period, int64_t* begin, int64_t* end)
{
    *begin = pos;
    if (pos > 0) {
        const int64_t steps = std::min((margin + period - 1) / period, pos / period);
        *begin = pos - steps * period;
    }
    const int64_t e = pos + len;
    *end = e < size ? std::min(size, e + margin) : e;
}

// The region development of (x, y, w, h), developed with its surroundings and
// cut out, at ScaleToOutput of its size.
DevelopStatus DevelopCrop(const RegionSource& source, int64_t x, int64_t y, int64_t w, int64_t h,
                          const DevelopContext& ctx, IProgress& progress, RgbPlane& result)
{
    const int mode = ctx.sizeMode;
    const int64_t outW = ScaleToOutput(w, mode);
    const int64_t outH = ScaleToOutput(h, mode);
    if (outW <= 0 || outH <= 0)
        return DevelopStatus::InvalidInput;
    if (outW > INT_MAX || outH > INT_MAX || x < INT_MIN || x > INT_MAX || y < INT_MIN || y > INT_MAX ||
        w > INT_MAX || h > INT_MAX)
        return DevelopStatus::OutOfMemory;

    const int64_t margin = ContextMargin(ctx, mode);
    const int period = PeriodOf(mode).image;
    int64_t gx0, gx1, gy0, gy1;
    GrowSpan(x, w, source.width, margin, period, &gx0, &gx1);
    GrowSpan(y, h, source.height, margin, period, &gy0, &gy1);
    const int64_t gw = gx1 - gx0;
    const int64_t gh = gy1 - gy0;
    const int64_t gOutW = ScaleToOutput(gw, mode);
    const int64_t gOutH = ScaleToOutput(gh, mode);
    const int64_t offX = ScaleToOutput(x - gx0, mode);
    const int64_t offY = ScaleToOutput(y - gy0, mode);
    const bool grown = gx0 != x || gy0 != y || gw != w || gh != h;
    const bool fits = gw <= INT_MAX && gh <= INT_MAX && gOutW <= INT_MAX && gOutH <= INT_MAX &&
                      offX + outW <= gOutW && offY + outH <= gOutH;

    if (!grown || !fits) {
        RegionRect rect{int(x), int(y), int(w), int(h), int(outW), int(outH)};
        return DevelopRegion(source, rect, mode, ctx, progress, result);
    }

    RgbPlane whole;
    RegionRect rect{int(gx0), int(gy0), int(gw), int(gh), int(gOutW), int(gOutH)};
    if (DevelopStatus s = DevelopRegion(source, rect, mode, ctx, progress, whole); s != DevelopStatus::Ok)
        return s;
    RgbPlane cut;
    cut.width = int(outW);
    cut.height = int(outH);
    if (!TryAssign(cut.rgb, uint64_t(outW) * uint64_t(outH) * 3, uint16_t(0)))
        return DevelopStatus::OutOfMemory;
    for (int row = 0; row < cut.height; ++row)
        std::memcpy(cut.Pixel(0, row), whole.Pixel(int(offX), int(offY) + row), size_t(cut.width) * 3 * sizeof(uint16_t));
    result = std::move(cut);
    return DevelopStatus::Ok;
}

// The source area in image pixels that the lens needs for an output
// rectangle, aligned to the output grid, and its origin on that grid.
struct LensArea {
    int64_t x = 0, y = 0, w = 0, h = 0; // image pixels
    int64_t outX = 0, outY = 0;         // whole-image output frame
};

// Bounding box of the rectangle's edges mapped through every channel's
// coefficient, widened by the resampling taps and aligned to the grid.
bool FindLensArea(const LensModel& lens, int64_t outX, int64_t outY, int64_t outW, int64_t outH, int sizeMode,
                  int64_t imageW, int64_t imageH, LensArea* area)
{
    double minX = lens.width, minY = lens.height, maxX = 0.0, maxY = 0.0;
    const double ks[3] = {lens.k, lens.kRed, lens.kBlue};
    auto take = [&](int64_t px, int64_t py) {
        for (double kc : ks) {
            double mx = double(px), my = double(py), radius = 0.0;
            lens.Map(kc, &mx, &my, &radius);
            minX = std::min(minX, mx);
            maxX = std::max(maxX, mx);
            minY = std::min(minY, my);
            maxY = std::max(maxY, my);
        }
    };
    for (int64_t c = 0; c < outW; ++c) {
        take(outX + c, outY);
        take(outX + c, outY + outH - 1);
    }
    for (int64_t r = 0; r < outH; ++r) {
        take(outX, outY + r);
        take(outX + outW - 1, outY + r);
    }
    if (!(minX <= maxX) || !(minY <= maxY))
        return false;

    // Bilinear reads the tap after the mapped position, the 4 x 4 kernels
    // one before and two after.
    const int64_t bx0 = std::max<int64_t>(0, int64_t(std::floor(minX)) - 2);
    const int64_t by0 = std::max<int64_t>(0, int64_t(std::floor(minY)) - 2);
    const int64_t bx1 = std::min<int64_t>(lens.width - 1, int64_t(std::floor(maxX)) + 3);
    const int64_t by1 = std::min<int64_t>(lens.height - 1, int64_t(std::floor(maxY)) + 3);
    if (bx1 < bx0 || by1 < by0)
        return false;

    const GridPeriod g = PeriodOf(sizeMode);
    const int64_t cellX0 = bx0 / g.output;
    const int64_t cellY0 = by0 / g.output;
    const int64_t cellX1 = (bx1 + g.output) / g.output; // exclusive
    const int64_t cellY1 = (by1 + g.output) / g.output;
    area->x = cellX0 * g.image;
    area->y = cellY0 * g.image;
    area->w = std::min(imageW, cellX1 * g.image) - area->x;
    area->h = std::min(imageH, cellY1 * g.image) - area->y;
    area->outX = cellX0 * g.output;
    area->outY = cellY0 * g.output;
    return area->w > 0 && area->h > 0;
}

bool ValidSource(const RegionSource& source)
{
    if (source.width <= 0 || source.height <= 0 || source.whiteLevel == 0)
        return false;
    const uint64_t samples = uint64_t(source.width) * uint64_t(source.height) * 3;
    return source.sPlane.size() >= samples && (source.rPlane.empty() || source.rPlane.size() >= samples);
}

DevelopStatus Run(const RegionSource& source, const FullRect& rect, const DevelopContext& ctx, IProgress& progress,
                  RgbPlane& result)
{
    const int mode = ctx.sizeMode;
    int outW = 0, outH = 0;
    if (!ValidSource(source) || rect.w <= 0 || rect.h <= 0 || !FullOutputSize(rect.w, rect.h, mode, &outW, &outH))
        return DevelopStatus::InvalidInput;
    if (outW <= 0 || outH <= 0)
        return DevelopStatus::InvalidInput;

    if (!ctx.lensCorrectionOn)
        return DevelopCrop(source, rect.x, rect.y, rect.w, rect.h, ctx, progress, result);

    const int64_t frameW = ScaleToOutput(source.width, mode);
    const int64_t frameH = ScaleToOutput(source.height, mode);
    if (frameW > INT_MAX || frameH > INT_MAX)
        return DevelopStatus::OutOfMemory;
    const LensModel lens = MakeLensModel(ctx.lens, int(frameW), int(frameH));
    if (!lens.Active())
        return DevelopCrop(source, rect.x, rect.y, rect.w, rect.h, ctx, progress, result);
    if (!lens.Usable())
        return DevelopStatus::EmptyArea;

    const int64_t outX = ScaleToOutput(rect.x, mode);
    const int64_t outY = ScaleToOutput(rect.y, mode);
    if (outX < INT_MIN || outX > INT_MAX || outY < INT_MIN || outY > INT_MAX)
        return DevelopStatus::InvalidInput;

    LensArea area;
    if (!lens.geometry) {
        // Vignetting alone reads each pixel where it is.
        area = {rect.x, rect.y, rect.w, rect.h, outX, outY};
    } else if (rect.x == 0 && rect.y == 0 && rect.w == source.width && rect.h == source.height) {
        area = {0, 0, source.width, source.height, 0, 0};
    } else if (!FindLensArea(lens, outX, outY, outW, outH, mode, source.width, source.height, &area)) {
        return DevelopStatus::EmptyArea;
    }

    RgbPlane developed;
    if (DevelopStatus s = DevelopCrop(source, area.x, area.y, area.w, area.h, ctx, progress, developed);
        s != DevelopStatus::Ok)
        return s;
    return ApplyLensCorrection(developed, int(area.outX), int(area.outY), int(outX), int(outY), outW, outH, lens,
                               progress, result);
}

} // namespace

int64_t ScaleToOutput(int64_t length, int sizeMode)
{
    int64_t num = 1, den = 1;
    if (!ScaleOf(sizeMode, &num, &den))
        return -1;
    return FloorDiv(length * num, den);
}

bool FullOutputSize(int w, int h, int sizeMode, int* outW, int* outH)
{
    if (w < 0 || h < 0 || !IsRegionSizeMode(sizeMode))
        return false;
    const int64_t ow = ScaleToOutput(w, sizeMode);
    const int64_t oh = ScaleToOutput(h, sizeMode);
    if (ow > INT_MAX || oh > INT_MAX)
        return false;
    *outW = int(ow);
    *outH = int(oh);
    return true;
}

DevelopStatus DevelopFull(const RegionSource& source, const FullRect& rect, const DevelopContext& ctx,
                          IProgress& progress, RgbPlane& result)
{
    result = RgbPlane{};
    DevelopStatus status = DevelopStatus::OutOfMemory;
    try {
        status = Run(source, rect, ctx, progress, result);
    } catch (const std::bad_alloc&) {
        status = DevelopStatus::OutOfMemory;
    }
    if (status != DevelopStatus::Ok)
        result = RgbPlane{};
    progress.Report(-1, nullptr);
    return status;
}

} // namespace velmo
