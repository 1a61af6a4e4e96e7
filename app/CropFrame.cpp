#include "app/CropFrame.h"

#include "platform/core/PrivateProfile.h"
#include "platform/core/SettingsStore.h"
#include "res/ResourceIds.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace velmo {

namespace {

constexpr const char* kFileSection = "Settings";
constexpr IntPoint kNoCorner{-1, -1};

// Height and width factors of the aspect table: height = w x num / den.
struct Aspect {
    int num, den;
};
constexpr Aspect kAspects[kCropAspectCount] = {{0, 1}, {3, 4}, {2, 3}, {9, 16}, {10, 16}, {1, 1}, {10, 14}, {8, 10}};

int ValidAspect(int index)
{
    return index >= 0 && index < kCropAspectCount ? index : 0;
}

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

int ScaleDiv(int64_t value, int64_t numerator, int64_t denominator)
{
    return denominator != 0 ? int(value * numerator / denominator) : 0;
}

bool PointInRect(IntPoint p, int left, int top, int right, int bottom)
{
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
}

void ClampCorner(IntPoint& p, int width, int height)
{
    p.x = std::clamp(p.x, 0, width);
    p.y = std::clamp(p.y, 0, height);
}

// A frame's corners: (-1, -1) for start stays "no frame"; others inside the
// given frame.
void ClampFrame(IntPoint& start, IntPoint& end, int width, int height)
{
    if (start == kNoCorner)
        return;
    ClampCorner(start, width, height);
    ClampCorner(end, width, height);
}

bool ReadCorner(SettingsStore& s, const char* name, IntPoint& out)
{
    std::vector<uint8_t> bytes;
    if (!s.GetProfileBinary(kSettingsSection, name, bytes) || bytes.size() < 8)
        return false;
    auto word = [&bytes](size_t at) {
        return int32_t(uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
                       uint32_t(bytes[at + 3]) << 24);
    };
    // Any unit frame is at most 2048 a side; -1 marks no frame.
    out.x = std::clamp<int32_t>(word(0), -1, kUnitFrameLong);
    out.y = std::clamp<int32_t>(word(4), -1, kUnitFrameLong);
    return true;
}

void WriteCorner(SettingsStore& s, const char* name, IntPoint p)
{
    uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = uint8_t(uint32_t(p.x) >> (8 * i));
        bytes[4 + i] = uint8_t(uint32_t(p.y) >> (8 * i));
    }
    s.WriteProfileBinary(kSettingsSection, name, bytes, sizeof bytes);
}

} // namespace

int CropHeightForWidth(int aspect, int width)
{
    if (aspect <= 0 || aspect >= kCropAspectCount)
        return 0;
    return int(int64_t(width) * kAspects[aspect].num / kAspects[aspect].den);
}

int CropWidthForHeight(int aspect, int height)
{
    if (aspect <= 0 || aspect >= kCropAspectCount)
        return 0;
    return int(int64_t(height) * kAspects[aspect].den / kAspects[aspect].num);
}

Rect CropImageRect(const Rect& units, int aspect, const ViewGeometry& g)
{
    Rect r = CropUnitsToImage(units, g);
    if (aspect <= 0 || aspect >= kCropAspectCount)
        return r;
    // width : height = den : num, in lowest terms; the largest multiple of
    // it inside the mapped rectangle. An exact ratio stays within a pixel
    // at every output scale, which rounds each side by itself.
    const int g0 = std::gcd(kAspects[aspect].num, kAspects[aspect].den);
    const int a = kAspects[aspect].den / g0, b = kAspects[aspect].num / g0;
    const int n = std::min(r.Width() / a, r.Height() / b);
    if (n <= 0)
        return r;
    const int w = n * a, h = n * b;
    r.left += (r.Width() - w) / 2;
    r.top += (r.Height() - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

bool CropFrame::IsSelected() const
{
    return !(cropStart == kNoCorner) && !(cropStart == cropEnd);
}

void CropFrame::SetBounds(const UnitFrame& f)
{
    minX = f.minX;
    minY = f.minY;
    maxX = f.maxX;
    maxY = f.maxY;
}

void CropFrame::ClampToUnitFrame(int unitWidth, int unitHeight)
{
    ClampFrame(cropStart, cropEnd, unitWidth, unitHeight);
    ClampFrame(lastCropStart, lastCropEnd, unitWidth, unitHeight);
}

void CropFrame::ClampToBounds()
{
    if (cropStart == kNoCorner)
        return;
    for (IntPoint* p : {&cropStart, &cropEnd}) {
        p->x = std::clamp(p->x, minX, std::max(minX, maxX));
        p->y = std::clamp(p->y, minY, std::max(minY, maxY));
    }
}

Rect CropFrame::UnitsRect() const
{
    if (cropStart == kNoCorner)
        return {};
    Rect r{std::min(cropStart.x, cropEnd.x), std::min(cropStart.y, cropEnd.y), std::max(cropStart.x, cropEnd.x),
           std::max(cropStart.y, cropEnd.y)};
    if (int64_t(r.Width()) * r.Height() == 0)
        return {};
    return r;
}

int CropFrame::HitTest(IntPoint p, const ViewGeometry& g) const
{
    if (!IsSelected())
        return kCropHitNone;
    const IntPoint a = g.UnitsToClient(cropStart);
    const IntPoint b = g.UnitsToClient(cropEnd);
    const int x0 = a.x, y0 = a.y, x1 = b.x, y1 = b.y;
    if (!PointInRect(p, x0 - 4, y0 - 4, x1 + 4, y1 + 4))
        return kCropHitNone;
    if (PointInRect(p, x0 + 4, y0 + 4, x1 - 4, y1 - 4))
        return kCropHitMove;
    int code = 0;
    if (PointInRect(p, x0 - 4, y0 - 4, x1 + 4, y0 + 4))
        code |= kCropHitTop;
    if (PointInRect(p, x0 - 4, y1 - 4, x1 + 4, y1 + 4))
        code |= kCropHitBottom;
    if (PointInRect(p, x1 - 4, y0 - 4, x1 + 4, y1 + 4))
        code |= kCropHitRight;
    if (PointInRect(p, x0 - 4, y0 - 4, x0 + 4, y1 + 4))
        code |= kCropHitLeft;
    return code;
}

void CropFrame::ButtonDown(IntPoint p, const ViewGeometry& g)
{
    dragMode = HitTest(p, g);
    if (dragMode == kCropHitNone) {
        IntPoint u = g.ClientToUnits(p);
        u.x = std::clamp(u.x, minX, std::max(minX, g.unitWidth));
        u.y = std::clamp(u.y, minY, std::max(minY, g.unitHeight));
        MakeLast();
        cropStart = cropEnd = u;
        return;
    }
    dragStartCrop0 = cropStart;
    dragStartCrop1 = cropEnd;
    dragStartPoint = p;
}

void CropFrame::Drag(IntPoint p, const ViewGeometry& g)
{
    const int dw = g.DisplayW();
    const int dh = g.DisplayH();
    if (dw <= 0 || dh <= 0)
        return;
    const int uw = g.unitWidth;
    const int uh = g.unitHeight;

    if (dragMode == kCropHitNone) {
        IntPoint end = g.ClientToUnits(p);
        end.x = std::clamp(end.x, minX, std::max(minX, maxX));
        end.y = std::clamp(end.y, minY, std::max(minY, maxY));
        const int dx = end.x - cropStart.x;
        const int dy = end.y - cropStart.y;
        int h = CropHeightForWidth(cropAspect, std::abs(dx));
        if (dy < 0)
            h = -h;
        if (h == 0)
            h = dy;
        int w = dx;
        // The frame's height reaches past a bound: it stops there and the
        // width follows the aspect (Free keeps the pointer's width).
        auto widthFor = [&](int height) {
            if (cropAspect == 0)
                return dx;
            const int width = CropWidthForHeight(cropAspect, std::abs(height));
            return dx <= 0 ? -width : width;
        };
        if (cropStart.y + h > maxY) {
            h = maxY - cropStart.y;
            w = widthFor(h);
        } else if (cropStart.y + h < minY) {
            h = minY - cropStart.y;
            w = widthFor(h);
        }
        cropEnd = {cropStart.x + w, cropStart.y + h};
        return;
    }

    const IntPoint c0 = g.UnitsToClient(dragStartCrop0);
    const IntPoint c1 = g.UnitsToClient(dragStartCrop1);
    int offL = 0, offR = 0, offT = 0, offB = 0;
    if (dragMode == kCropHitMove) {
        int dx = p.x - dragStartPoint.x;
        int dy = p.y - dragStartPoint.y;
        // The whole frame stays within the bounds.
        const int x0 = ScaleDiv(uw, dx, dw) + dragStartCrop0.x;
        if (x0 < minX)
            dx -= ScaleDiv(x0 - minX, dw, uw);
        const int y0 = ScaleDiv(uh, dy, dh) + dragStartCrop0.y;
        if (y0 < minY)
            dy -= ScaleDiv(y0 - minY, dh, uh);
        const int x1 = ScaleDiv(uw, dx, dw) + dragStartCrop1.x;
        if (x1 > maxX)
            dx -= ScaleDiv(x1 - maxX, dw, uw);
        const int y1 = ScaleDiv(uh, dy, dh) + dragStartCrop1.y;
        if (y1 > maxY)
            dy -= ScaleDiv(y1 - maxY, dh, uh);
        offL = offR = dx;
        offT = offB = dy;
    } else {
        const int dx = p.x - dragStartPoint.x;
        const int dy = p.y - dragStartPoint.y;
        // Each moved edge stops at its bound.
        auto bounded = [](int start, int offset, int unit, int display, int lo, int hi) {
            const int v = ScaleDiv(int64_t(start) + offset, unit, display);
            if (v < lo)
                offset -= ScaleDiv(v - lo, display, unit);
            else if (v > hi)
                offset -= ScaleDiv(v - hi, display, unit);
            return offset;
        };
        if (dragMode & kCropHitLeft)
            offL = bounded(c0.x, dx, uw, dw, minX, maxX);
        if (dragMode & kCropHitRight)
            offR = bounded(c1.x, dx, uw, dw, minX, maxX);
        if (dragMode & kCropHitTop)
            offT = bounded(c0.y, dy, uh, dh, minY, maxY);
        if (dragMode & kCropHitBottom)
            offB = bounded(c1.y, dy, uh, dh, minY, maxY);
    }
    cropStart = g.ClientToUnits({c0.x + offL, c0.y + offT});
    cropEnd = g.ClientToUnits({c1.x + offR, c1.y + offB});

    if (cropAspect == 0)
        return;
    // The aspect: the width follows the height, or the height the width for
    // a drag of the left or right edge; a frame reaching past the far bound
    // stops there with the other side following.
    const int w = std::abs(CropWidthForHeight(cropAspect, cropEnd.y - cropStart.y));
    const int h = std::abs(CropHeightForWidth(cropAspect, cropEnd.x - cropStart.x));
    if ((dragMode & (kCropHitRight | kCropHitLeft)) == 0) {
        cropEnd.x = cropStart.x + w;
        if (cropEnd.x > maxX) {
            cropEnd.x = maxX;
            const int s = Sign(cropEnd.y - cropStart.y);
            const int h2 = CropHeightForWidth(cropAspect, maxX - cropStart.x);
            if (dragMode & kCropHitBottom)
                cropEnd.y = cropStart.y + s * h2;
            else
                cropStart.y = cropEnd.y - s * h2;
        }
    } else {
        cropEnd.y = cropStart.y + h;
        if (cropEnd.y > maxY) {
            cropEnd.y = maxY;
            const int s = Sign(cropEnd.x - cropStart.x);
            const int w2 = CropWidthForHeight(cropAspect, maxY - cropStart.y);
            if (dragMode & kCropHitRight)
                cropEnd.x = cropStart.x + s * w2;
            else
                cropStart.x = cropEnd.x - s * w2;
        }
    }
}

void CropFrame::ButtonUp()
{
    dragMode = kCropHitNone;
    if (IsSelected())
        Normalise();
}

void CropFrame::Normalise()
{
    if (cropStart.x > cropEnd.x)
        std::swap(cropStart.x, cropEnd.x);
    if (cropStart.y > cropEnd.y)
        std::swap(cropStart.y, cropEnd.y);
}

void CropFrame::MakeLast()
{
    if (!IsSelected())
        return;
    lastCropStart = cropStart;
    lastCropEnd = cropEnd;
}

void CropFrame::Deselect()
{
    MakeLast();
    cropStart = kNoCorner;
}

void CropFrame::RecallLast()
{
    if (IsSelected()) {
        std::swap(cropStart, lastCropStart);
        std::swap(cropEnd, lastCropEnd);
    } else {
        cropStart = lastCropStart;
        cropEnd = lastCropEnd;
    }
}

namespace {

// The presets are fractions of the picture: of the bounds (the band of a
// 3:2 picture), kept within the unit frame.
struct PictureSpan {
    int x0, y0, width, height;
};

PictureSpan SpanOf(const CropFrame& f, int uw, int uh)
{
    const int x0 = std::clamp(f.minX, 0, std::max(uw, 0));
    const int y0 = std::clamp(f.minY, 0, std::max(uh, 0));
    const int x1 = std::clamp(f.maxX, x0, std::max(uw, x0));
    const int y1 = std::clamp(f.maxY, y0, std::max(uh, y0));
    return {x0, y0, x1 - x0, y1 - y0};
}

bool PresetSize(unsigned id, const CropFrame& f, const PictureSpan& span, int* w, int* h)
{
    const int sw = span.width, sh = span.height;
    switch (id) {
    case ID_CROP_SIZE_CURRENT: *w = f.cropEnd.x - f.cropStart.x; *h = f.cropEnd.y - f.cropStart.y; return true;
    case ID_CROP_SIZE_HALF: *w = sw / 2; *h = sh / 2; return true;
    case ID_CROP_SIZE_2_3: *w = sw * 2 / 3; *h = sh * 2 / 3; return true;
    case ID_CROP_SIZE_1_4: *w = sw / 4; *h = sh / 4; return true;
    case ID_CROP_SIZE_1_3: *w = sw / 3; *h = sh / 3; return true;
    default: return false;
    }
}

} // namespace

void CropFrame::SizePreset(unsigned id, int uw, int uh)
{
    const PictureSpan span = SpanOf(*this, uw, uh);
    int w = 0, h = 0;
    if (!PresetSize(id, *this, span, &w, &h))
        return;
    cropAspect = 0;
    if (!IsSelected())
        cropStart = {span.x0 + (span.width - w) / 2, span.y0 + (span.height - h) / 2};
    cropEnd = {cropStart.x + w, cropStart.y + h};
    if (const int excess = cropEnd.x - (span.x0 + span.width); excess > 0) {
        cropStart.x -= excess;
        cropEnd.x -= excess;
    }
    if (const int excess = cropEnd.y - (span.y0 + span.height); excess > 0) {
        cropStart.y -= excess;
        cropEnd.y -= excess;
    }
}

bool CropFrame::IsSizePreset(unsigned id, int uw, int uh) const
{
    const int fw = cropEnd.x - cropStart.x;
    const int fh = cropEnd.y - cropStart.y;
    if (id == ID_CROP_SIZE_CURRENT)
        return fw == 0 && fh == 0;
    int w = 0, h = 0;
    return PresetSize(id, *this, SpanOf(*this, uw, uh), &w, &h) && fw == w && fh == h;
}

void CropFrame::SetAspect(int index)
{
    cropAspect = ValidAspect(index);
    if (cropAspect == 0 || !IsSelected())
        return;
    int w = cropEnd.x - cropStart.x;
    int h = CropHeightForWidth(cropAspect, w);
    const int range = maxY - minY;
    if (h > range && h != 0) {
        w = ScaleDiv(range, w, h);
        h = range;
    }
    cropEnd = {cropStart.x + w, cropStart.y + h};
    if (cropEnd.y > maxY) {
        cropStart.y -= cropEnd.y - maxY;
        cropEnd.y = maxY;
    }
    if (cropEnd.x > maxX) {
        cropStart.x -= cropEnd.x - maxX;
        cropEnd.x = maxX;
    }
}

void CropFrame::Centre(bool horizontal, bool vertical, int uw, int uh)
{
    if (!IsSelected())
        return;
    const int w = cropEnd.x - cropStart.x;
    const int h = cropEnd.y - cropStart.y;
    if (horizontal) {
        cropStart.x = (uw - w) / 2;
        cropEnd.x = (uw + w) / 2;
    }
    if (vertical) {
        cropStart.y = (uh - h) / 2;
        cropEnd.y = (uh + h) / 2;
    }
}

bool CropFrame::IsCentred(bool horizontal, bool vertical, int uw, int uh) const
{
    return (!horizontal || cropStart.x + cropEnd.x == uw) && (!vertical || cropStart.y + cropEnd.y == uh);
}

void CropFrame::ReadSettings(SettingsStore& s)
{
    cropAspect = ValidAspect(s.GetProfileInt(kSettingsSection, kCropAspectKey, 0));
    ReadCorner(s, "CropSelect0", cropStart);
    ReadCorner(s, "CropSelect1", cropEnd);
    ReadCorner(s, "CropSelect0L", lastCropStart);
    ReadCorner(s, "CropSelect1L", lastCropEnd);
}

void CropFrame::WriteCorners(SettingsStore& s) const
{
    WriteCorner(s, "CropSelect0", cropStart);
    WriteCorner(s, "CropSelect1", cropEnd);
    WriteCorner(s, "CropSelect0L", lastCropStart);
    WriteCorner(s, "CropSelect1L", lastCropEnd);
}

void CropFrame::WriteAspect(SettingsStore& s) const
{
    s.WriteProfileInt(kSettingsSection, kCropAspectKey, cropAspect);
}

void CropFrame::ReadFile(const std::string& path, int unitWidth, int unitHeight)
{
    cropAspect = ValidAspect(GetPrivateProfileInt(kFileSection, kCropAspectKey, 0, path));
    cropStart.x = GetPrivateProfileInt(kFileSection, "CropSelect0.x", -1, path);
    cropStart.y = GetPrivateProfileInt(kFileSection, "CropSelect0.y", -1, path);
    cropEnd.x = GetPrivateProfileInt(kFileSection, "CropSelect1.x", -1, path);
    cropEnd.y = GetPrivateProfileInt(kFileSection, "CropSelect1.y", -1, path);
    ClampFrame(cropStart, cropEnd, unitWidth, unitHeight);
}

bool CropFrame::WriteFile(const std::string& path) const
{
    return WritePrivateProfileInt(kFileSection, kCropAspectKey, cropAspect, path) &&
           WritePrivateProfileInt(kFileSection, "CropSelect0.x", cropStart.x, path) &&
           WritePrivateProfileInt(kFileSection, "CropSelect0.y", cropStart.y, path) &&
           WritePrivateProfileInt(kFileSection, "CropSelect1.x", cropEnd.x, path) &&
           WritePrivateProfileInt(kFileSection, "CropSelect1.y", cropEnd.y, path);
}

} // namespace velmo
