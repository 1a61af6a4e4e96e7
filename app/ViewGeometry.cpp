#include "app/ViewGeometry.h"

#include <algorithm>
#include <cstdint>

namespace velmo {

namespace {

int Scale(int64_t value, int64_t numerator, int64_t denominator)
{
    return denominator != 0 ? int(value * numerator / denominator) : 0;
}

// Snaps v (0..size) to the nearest of n grid lines over size, as the
// float cell arithmetic of the grid does.
int SnapToGrid(int v, int size, int n)
{
    const float cell = float(size) / float(n);
    if (!(cell > 0.0f))
        return v;
    return int(float(int(float(v + int(cell * 0.5f)) / cell)) * cell);
}

} // namespace

Rect ViewGeometry::PictureArea() const
{
    const int w = DisplayW();
    const int h = DisplayH();
    const UnitFrame f = UnitFrameFor(rotated, cameraFamily, imageWidth, imageHeight);
    return {Scale(w, f.minX, f.unitWidth), Scale(h, f.minY, f.unitHeight), Scale(w, f.maxX, f.unitWidth),
            Scale(h, f.maxY, f.unitHeight)};
}

Rect ViewGeometry::ShownArea() const
{
    return pictureOnly ? PictureArea() : Rect{0, 0, DisplayW(), DisplayH()};
}

IntPoint ViewGeometry::UnitsToClient(IntPoint units) const
{
    return {Scale(DisplayW(), units.x, unitWidth), Scale(DisplayH(), units.y, unitHeight)};
}

IntPoint ViewGeometry::ClientToUnits(IntPoint p) const
{
    const int w = DisplayW();
    const int h = DisplayH();
    if (w <= 0 || h <= 0)
        return {0, 0};
    p.x = std::clamp(p.x, 0, w);
    p.y = std::clamp(p.y, 0, h);
    if (const int n = Grid()) {
        const Rect a = PictureArea();
        if (a.Width() > 0 && a.Height() > 0) {
            p.x = a.left + SnapToGrid(std::clamp(p.x, a.left, a.right) - a.left, a.Width(), n);
            p.y = a.top + SnapToGrid(std::clamp(p.y, a.top, a.bottom) - a.top, a.Height(), n);
        }
    }
    return {Scale(unitWidth, p.x, w), Scale(unitHeight, p.y, h)};
}

IntPoint ViewGeometry::ContentToPreview(IntPoint content) const
{
    if (displayWidth <= 0 || displayHeight <= 0)
        return {-1, -1};
    // Truncation toward zero would fold -1 .. -(display / dib) onto row and
    // column 0: points left of or above the display stay outside.
    auto map = [](int v, int dib, int display) {
        const int64_t n = int64_t(dib) * v;
        return int(n >= 0 ? n / display : (n - display + 1) / display);
    };
    return {map(content.x, dibWidth, displayWidth), map(content.y, dibHeight, displayHeight)};
}

IntPoint ViewGeometry::ClientToPreview(IntPoint client, bool bandCorrect) const
{
    if (displayWidth == 0 || displayHeight == 0)
        return client;
    IntPoint p = ContentToPreview({client.x + scrollX, client.y + scrollY});
    if (!bandCorrect || !HasLetterboxBand(cameraFamily) || imageWidth <= 0 || imageHeight <= 0)
        return p;
    if (displayHeight < displayWidth) {
        const int h = int(float(dibWidth) * float(imageHeight) / float(imageWidth));
        if (h <= 0)
            return p;
        const int top = -((-dibHeight + h) / 2);
        p.y = std::clamp(p.y, top, top + h);
        p.y = Scale(p.y - top, kPreviewFrameShort, h);
    } else {
        const int w = int(float(dibHeight) * float(imageHeight) / float(imageWidth));
        if (w <= 0)
            return p;
        const int left = (dibWidth - w) / 2;
        p.x = std::clamp(p.x, left, left + w);
        p.x = Scale(p.x - left, kPreviewFrameShort, w);
    }
    return p;
}

DisplaySize FullModeDisplaySize(int cw, int ch, bool portrait, int zoomPercent, int outputWidth, int outputHeight,
                                bool letterboxed)
{
    if (!portrait) {
        cw = std::min(cw, int(int64_t(ch) * 4 / 3));
        ch = int(int64_t(cw) * 3 / 4);
    } else {
        cw = std::min(cw, int(int64_t(ch) * 3 / 4));
        ch = int(int64_t(cw) * 4 / 3);
    }
    cw = (cw + 3) & ~3;
    bool pictureOnly = false;
    if (zoomPercent != 0 && outputWidth > 0 && outputHeight > 0) {
        int64_t w = int64_t(outputWidth) * zoomPercent / 100;
        int64_t h = int64_t(outputHeight) * zoomPercent / 100;
        // The 4:3 (3:4) frame around a picture wider (taller) than it.
        if (letterboxed && !portrait && w * 3 > h * 4) {
            h = w * 3 / 4;
            pictureOnly = true;
        } else if (letterboxed && portrait && h * 3 > w * 4) {
            w = h * 3 / 4;
            pictureOnly = true;
        }
        cw = int(std::min<int64_t>(w, INT32_MAX));
        ch = int(std::min<int64_t>(h, INT32_MAX));
    }
    return {std::max(cw, 1), std::max(ch, 1), pictureOnly};
}

UnitFrame UnitFrameFor(bool rotated, int cameraFamily, int imageWidth, int imageHeight)
{
    UnitFrame f;
    if (HasLetterboxBand(cameraFamily) && imageWidth > 0 && imageHeight > 0) {
        const int h = int(float(imageHeight) * float(kUnitFrameLong) / float(imageWidth));
        const int top = std::clamp((kUnitFrameShort - h) / 2, 0, kUnitFrameShort / 2);
        f.minY = top;
        f.maxY = kUnitFrameShort - top;
    }
    if (rotated) {
        f.unitWidth = kUnitFrameShort;
        f.unitHeight = kUnitFrameLong;
        f.minX = f.minY;
        f.maxX = f.maxY;
        f.minY = 0;
        f.maxY = kUnitFrameLong;
    }
    return f;
}

Rect CropUnitsToImage(const Rect& units, const ViewGeometry& g)
{
    // Straight from units to pixels: through the display and the 512 x 384
    // preview each corner lost up to a preview pixel (about four image
    // pixels), which bent every aspect.
    const int W = std::max(g.imageWidth, 0);
    const int H = std::max(g.imageHeight, 0);
    const int shownW = g.rotated ? H : W;
    const int shownH = g.rotated ? W : H;
    // The picture fills the bounds: the whole unit frame, or the band of a
    // 3:2 picture.
    const UnitFrame f = UnitFrameFor(g.rotated, g.cameraFamily, g.imageWidth, g.imageHeight);
    auto map = [](int u, int lo, int hi, int size) {
        return std::clamp(Scale(int64_t(u) - lo, size, hi - lo), 0, size);
    };
    const int x0 = map(units.left, f.minX, f.maxX, shownW), x1 = map(units.right, f.minX, f.maxX, shownW);
    const int y0 = map(units.top, f.minY, f.maxY, shownH), y1 = map(units.bottom, f.minY, f.maxY, shownH);
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

} // namespace velmo
