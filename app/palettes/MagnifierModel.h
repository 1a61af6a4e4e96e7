// The magnifier palette's logic without widgets: the scroll and zoom model of
// its view, the pixel under the pointer and its readout text, the test
// pattern shown until the document renders a square, and the square as the
// screen shows it.
#pragma once

#include "platform/core/PixelMath.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmo {

struct DisplayImage;

inline constexpr int kMinMagnifierZoom = 1;
inline constexpr int kMaxMagnifierZoom = 5;
// "MagnifierSize" takes these two values; anything else means the first.
inline constexpr int kSmallMagnifier = 256;
inline constexpr int kLargeMagnifier = 512;
// The room the square's 24-bit bitmap header leaves for an embedded profile
// (a 64 KiB header area after the 124-byte header). A larger profile is not
// embedded: the square is converted to sRGB instead.
inline constexpr size_t kMaxEmbeddedProfileBytes = 65536 - 124;

// 256 or 512; any other size gives 256.
int MagnifierSizeOrDefault(int size);
// The zoom clamped to 1..5.
int MagnifierZoomInRange(int zoom);

// The scroll bars' codes (the Win32 numbers).
enum class ScrollCode : int { LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, ThumbPosition = 4, ThumbTrack = 5, Top = 6, Bottom = 7, EndScroll = 8 };

// The view onto the n x n square: zoom k, view size w x h (screen pixels)
// and the scroll position in tenths of a magnifier pixel (the point shown at
// the view's top-left corner is (x / 10, y / 10)). Both scroll bars run from
// 0 to n x 10 with a page of w x 10 / k (h x 10 / k); a position is kept in
// [0, maximum - page] (0 when the view is larger than the square).
struct MagnifierScroll {
    int size = kSmallMagnifier;
    int zoom = 1;
    int viewWidth = 0;
    int viewHeight = 0;
    int x = 0;
    int y = 0;

    int Maximum() const { return size * 10; }
    int PageX() const { return viewWidth * 10 / zoom; }
    int PageY() const { return viewHeight * 10 / zoom; }
    // The largest position of each bar (never below 0).
    int LimitX() const;
    int LimitY() const;

    // Both positions into their ranges.
    void Clamp();
    // The new zoom (0 keeps it; others clamped to 1..5) with the point at the
    // view's centre kept where it is.
    void SetZoom(int newZoom);
    // The middle of the square at the view's centre.
    void SetCenter();
    // A scroll bar's action: a line is 10, a page the bar's page, the thumb
    // takes thumbPosition; other codes change nothing.
    void ScrollX(ScrollCode code, int thumbPosition = 0);
    void ScrollY(ScrollCode code, int thumbPosition = 0);
    // Panning: the pointer moved by (dx, dy) screen pixels since the button
    // went down at scroll position start.
    void Pan(QPoint start, int dx, int dy);

    // The magnifier pixel under a pointer at view position p; none when the
    // pointer is outside the view or the pixel outside the square.
    std::optional<QPoint> PixelAt(QPoint p) const;
    // The square's pixel shown at the view's top-left corner.
    QPoint Origin() const { return {x / 10, y / 10}; }
    // The view positions of the grid lines of count g along one axis (lines
    // i x n / g for i = 1..g-1 that fall inside the view); origin is the
    // square's pixel at the view's edge, extent the view's size.
    std::vector<int> GridLines(int count, int origin, int extent) const;
};

// The readout of a pixel: "__ R:%03d G:%03d B:%03d", or with hsi
// "__ H:%1.2f S:%1.2f I:%1.2f \n" of its hue, saturation and intensity.
QString PixelReadout(int red, int green, int blue, bool hsi, HueModel model);

// The square shown until the document renders one: at column i, row j blue
// (i + j) mod 256, green j mod 256, red |i - j| mod 256.
DisplayImage MagnifierTestPattern(int size);

// The square as the screen shows it (sRGB). When the GUI converts
// (image.colorManaged) the pixels are converted from the image's profile:
// through Qt's colour space of it, or through LittleCMS when Qt refuses the
// profile or it is too large to be embedded; a profile neither accepts
// leaves the pixels as they are.
QImage MagnifierBitmap(const DisplayImage& image);

} // namespace velmo
