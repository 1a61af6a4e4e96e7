#include "develop/preview/Magnifier.h"

#include "develop/colour/ColorManagement.h"
#include "develop/context/DevelopContext.h"
#include "develop/passes/DevelopFull.h"
#include "develop/preview/Histogram.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace velmo {

namespace {

// The preview frame the magnifier centre is given in (raw/PreviewSize.h).
constexpr int kPreviewPixels = kPreviewWidth * kPreviewHeight; // 196608

// The developed square and where it lies in the picture it came from.
struct Square {
    RgbPlane plane;
    int x0 = 0, y0 = 0; // top-left corner in picture pixels (image or preview copy)
    int side = 0;       // n, in picture pixels
    int pictureW = 0, pictureH = 0;
    int sizeMode = 2;   // output scale of the pattern bounds (2: 1:1)
};

// The n x n square at (x0, y0) of the 16-bit preview copy, every position
// clamped to the copy.
void CutPreviewCopy(std::span<const uint16_t> copy, int cw, int ch, int x0, int y0, int n, RgbPlane& plane)
{
    plane.width = plane.height = n;
    plane.rgb.assign(size_t(n) * size_t(n) * 3, 0);
    for (int r = 0; r < n; ++r) {
        const int sy = std::clamp(y0 + r, 0, ch - 1);
        for (int c = 0; c < n; ++c) {
            const int sx = std::clamp(x0 + c, 0, cw - 1);
            const uint16_t* s = &copy[(size_t(sy) * size_t(cw) + size_t(sx)) * 3];
            uint16_t* d = plane.Pixel(c, r);
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

DevelopStatus PreviewSquare(const MagnifierSource& source, const DevelopContext& ctx, const MagnifierRequest& request,
                            Square& sq)
{
    const int rotate = ctx.params.rotate;
    const bool turned = rotate == 1 || rotate == 2;
    const int cw = turned ? kPreviewHeight : kPreviewWidth;
    const int ch = turned ? kPreviewWidth : kPreviewHeight;
    if (source.previewCopy.size() < size_t(kPreviewPixels) * 3)
        return DevelopStatus::InvalidInput;

    const int m = request.size;
    const int h = m / 2;
    int64_t cx = request.centreX;
    int64_t cy = request.centreY;
    // Families 1 and 7 do not fill the 4:3 frame: the centre is given in the
    // picture, the copy has the letterbox band.
    if ((source.cameraFamily == 1 || source.cameraFamily == 7) && source.image.width > 0) {
        const int64_t d = int64_t(source.image.height) * kPreviewWidth / source.image.width;
        cy = cy * d / kPreviewHeight + (kPreviewHeight - d) / 2;
    }
    int64_t x = cx, y = cy;
    if (rotate == 1) {
        x = kPreviewHeight - cy;
        y = cx;
    } else if (rotate == 2) {
        x = cy;
        y = kPreviewWidth - cx;
    }
    sq.x0 = int(std::clamp<int64_t>(x, 0, cw - 1)) - h;
    sq.y0 = int(std::clamp<int64_t>(y, 0, ch - 1)) - h;
    sq.side = m;
    sq.pictureW = cw;
    sq.pictureH = ch;
    sq.sizeMode = 2;
    CutPreviewCopy(source.previewCopy, cw, ch, sq.x0, sq.y0, m, sq.plane);
    return DevelopStatus::Ok;
}

DevelopStatus ImageSquare(const MagnifierSource& source, const DevelopContext& ctx, const MagnifierRequest& request,
                          IProgress& progress, Square& sq)
{
    const int mode = ctx.sizeMode;
    const int m = request.size;
    const MagnifierSquare geometry = MagnifierSquareFor(mode, m);
    int n = geometry.side;
    const int64_t shown = ScaleToOutput(n, mode);
    if (shown >= 0 && shown < m)
        ++n;
    const int w = source.image.width, hgt = source.image.height;
    int64_t x0 = int64_t(w) * request.centreX / kPreviewWidth - geometry.half;
    int64_t y0 = int64_t(hgt) * request.centreY / kPreviewHeight - geometry.half;
    if (request.keepInside) {
        x0 = std::max<int64_t>(0, std::min<int64_t>(x0, int64_t(w) - n));
        y0 = std::max<int64_t>(0, std::min<int64_t>(y0, int64_t(hgt) - n));
    }
    sq.x0 = int(x0);
    sq.y0 = int(y0);
    sq.side = n;
    sq.pictureW = w;
    sq.pictureH = hgt;
    sq.sizeMode = mode;
    return DevelopFull(source.image, FullRect{sq.x0, sq.y0, n, n}, ctx, progress, sq.plane);
}

// Picture pixels to output pixels of the square's scale, for the pattern's bounds.
int64_t ToShown(int64_t v, int sizeMode)
{
    const int64_t s = ScaleToOutput(v, sizeMode);
    return s < 0 ? v : s;
}

// Marks the parts of the square outside the picture.
void ApplyOutsidePattern(Square& sq)
{
    RgbPlane& p = sq.plane;
    const int64_t n = sq.side;
    auto mark = [&p](int64_t c0, int64_t c1, int64_t r0, int64_t r1) {
        c0 = std::clamp<int64_t>(c0, 0, p.width);
        c1 = std::clamp<int64_t>(c1, 0, p.width);
        r0 = std::clamp<int64_t>(r0, 0, p.height);
        r1 = std::clamp<int64_t>(r1, 0, p.height);
        for (int64_t r = r0; r < r1; ++r)
            for (int64_t c = c0; c < c1; ++c) {
                const uint16_t v = (c + r) % kMagnifierPatternPeriod == 0 ? 0 : kMagnifierPatternLevel;
                uint16_t* d = p.Pixel(int(c), int(r));
                d[0] = d[1] = d[2] = v;
            }
    };
    const int64_t all = std::max(p.width, p.height);
    if (sq.x0 >= int64_t(sq.pictureW) - n)
        mark(ToShown(int64_t(sq.pictureW) - sq.x0, sq.sizeMode), all, 0, all);
    if (sq.y0 >= int64_t(sq.pictureH) - n)
        mark(0, all, ToShown(int64_t(sq.pictureH) - sq.y0, sq.sizeMode), all);
    if (sq.x0 < 0)
        mark(0, ToShown(-int64_t(sq.x0), sq.sizeMode), 0, all);
    if (sq.y0 < 0)
        mark(0, all, 0, ToShown(-int64_t(sq.y0), sq.sizeMode));
}

} // namespace

MagnifierSquare MagnifierSquareFor(int sizeMode, int m)
{
    switch (sizeMode) {
    case 0:
        return {m / 4, m / 2};
    case 1:
        return {m / 3, 2 * m / 3};
    case 9:
        return {2 * m / 3, 4 * m / 3};
    case 10:
        return {m, 2 * m};
    default:
        return {m / 2, m};
    }
}

std::array<int32_t, 1024> ScaleMagnifierHistogram(const std::array<int64_t, 1024>& counts, int magnifierSize)
{
    std::array<int32_t, 1024> out{};
    if (magnifierSize <= 0)
        return out;
    const double scale = double(kPreviewPixels) / (double(magnifierSize) * double(magnifierSize));
    for (int channel = 0; channel < 4; ++channel) {
        // Rounding the running sum keeps the channel's total exact.
        int64_t cumulative = 0;
        int64_t before = 0;
        for (int i = 0; i < 256; ++i) {
            cumulative += counts[size_t(channel * 256 + i)];
            const int64_t upTo = std::llround(double(cumulative) * scale);
            out[size_t(channel * 256 + i)] = int32_t(upTo - before);
            before = upTo;
        }
    }
    return out;
}

DevelopStatus RenderMagnifier(const MagnifierSource& source, const DevelopContext& ctx,
                              const MagnifierRequest& request, const DisplayTransform* transform, IProgress& progress,
                              MagnifierRender& out)
{
    const int m = request.size;
    if (source.image.sPlane.empty() || m < kMinMagnifierSize || m > kMaxMagnifierSize)
        return DevelopStatus::InvalidInput;

    const bool previewSize = IsPreviewSizeMode(ctx.sizeMode);
    Square sq;
    DevelopStatus status;
    try {
        status = previewSize ? PreviewSquare(source, ctx, request, sq) : ImageSquare(source, ctx, request, progress, sq);
    } catch (const std::bad_alloc&) {
        status = DevelopStatus::OutOfMemory;
    }
    if (status != DevelopStatus::Ok)
        return status;
    ApplyOutsidePattern(sq);

    MagnifierRender result;
    DisplayImage& image = result.image;
    image.width = image.height = m;
    image.stride = DisplayStride(m);
    std::vector<uint16_t> row(size_t(m) * 3);
    try {
        image.bgr.assign(size_t(image.stride) * size_t(m), 0);
    } catch (const std::bad_alloc&) {
        return DevelopStatus::OutOfMemory;
    }

    const RgbPlane& p = sq.plane;
    const int side = p.width; // n', the square's side at the output scale
    const int rotate = previewSize ? 0 : ctx.params.rotate;
    ByteHistogram counts;
    for (int r = 0; r < m; ++r) {
        for (int c = 0; c < m; ++c) {
            int sx = c, sy = r;
            if (rotate == 1) {
                sx = r;
                sy = side - 1 - c;
            } else if (rotate == 2) {
                sx = side - 1 - r;
                sy = c;
            }
            uint16_t* d = &row[size_t(c) * 3];
            if (sx >= 0 && sy >= 0 && sx < p.width && sy < p.height) {
                const uint16_t* s = p.Pixel(sx, sy);
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                // A square that came out smaller than the magnifier.
                const uint16_t v = (c + r) % kMagnifierPatternPeriod == 0 ? 0 : kMagnifierPatternLevel;
                d[0] = d[1] = d[2] = v;
            }
        }
        if (transform != nullptr)
            transform->Apply(row.data(), row.data(), size_t(m));
        uint8_t* bgr = image.bgr.data() + size_t(r) * size_t(image.stride);
        for (int c = 0; c < m; ++c) {
            const int red = row[size_t(c) * 3] >> 8;
            const int green = row[size_t(c) * 3 + 1] >> 8;
            const int blue = row[size_t(c) * 3 + 2] >> 8;
            bgr[c * 3] = uint8_t(blue);
            bgr[c * 3 + 1] = uint8_t(green);
            bgr[c * 3 + 2] = uint8_t(red);
            counts.Add(red, green, blue);
            result.fringe.red += std::abs(red - green);
            result.fringe.blue += std::abs(blue - green);
        }
    }
    result.histogram = ScaleMagnifierHistogram(counts.counts, m);
    result.hasOrigin = !previewSize;
    result.originX = sq.x0;
    result.originY = sq.y0;
    out = std::move(result);
    return DevelopStatus::Ok;
}

} // namespace velmo
