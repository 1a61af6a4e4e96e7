// The coordinate spaces of the preview view and the mappings between them.
//
// - display: the area the picture is stretched over (displayWidth x
//   displayHeight pixels), scrolled inside the window; "content" points are
//   window points plus the scroll position;
// - preview: the 512 x 384 (384 x 512 when turned) developed bitmap;
// - preview frame: the same without the letterbox band of the 3:2 families
//   (1 and 7), i.e. the 512 x 384 frame filled by the image itself, which
//   spot white balance, the magnifier and the crop conversion expect;
// - crop units: 2048 x 1536 (1536 x 2048 when turned), resolution-free;
// - image pixels: the demosaiced image in display orientation.
//
// Plain integer arithmetic with truncation toward zero; no widget involved,
// so that every rule can be checked by a table of cases.
#pragma once

#include "platform/core/Rect.h"
#include "raw/PreviewSize.h"

namespace velmo {

struct IntPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const IntPoint&, const IntPoint&) = default;
};

inline constexpr int kUnitFrameLong = 2048;
inline constexpr int kUnitFrameShort = 1536;
inline constexpr int kPreviewFrameLong = kPreviewWidth;
inline constexpr int kPreviewFrameShort = kPreviewHeight;
// Grid counts above this come from a damaged setting and draw no grid.
inline constexpr int kMaxGridCount = 19;

// The 3:2 families whose image fills only a centred band of the 4:3 preview.
inline bool HasLetterboxBand(int cameraFamily) { return cameraFamily == 1 || cameraFamily == 7; }

struct ViewGeometry {
    int displayWidth = 0;  // 0 until the frame lays out: the client size stands in
    int displayHeight = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    int scrollX = 0;
    int scrollY = 0;
    int unitWidth = 1; // 1 x 1 until the first preview
    int unitHeight = 1;
    int dibWidth = 512;
    int dibHeight = 384;
    int gridCount = 0;
    int cameraFamily = 0;
    int imageWidth = 0; // the image as stored (not turned)
    int imageHeight = 0;
    bool rotated = false;
    // Only the picture area of the display is shown and scrolled over (the
    // zoomed view of a 3:2 picture, without the black bands).
    bool pictureOnly = false;

    // The display size, with the client size for a side still 0.
    int DisplayW() const { return displayWidth != 0 ? displayWidth : clientWidth; }
    int DisplayH() const { return displayHeight != 0 ? displayHeight : clientHeight; }
    // The grid count drawn and snapped to (0 for none or a damaged value).
    int Grid() const { return gridCount > 0 && gridCount <= kMaxGridCount ? gridCount : 0; }

    // The part of the display the picture itself covers (content pixels,
    // right and bottom exclusive): the whole display, or for the 3:2
    // families the band between the black letterbox bars. The grid divides
    // this area.
    Rect PictureArea() const;
    // The part of the display the view shows and scrolls over (content
    // pixels): the picture area when pictureOnly, else the whole display.
    Rect ShownArea() const;

    // Units to display (content) pixels.
    IntPoint UnitsToClient(IntPoint units) const;
    // A content point (window point plus scroll) to units: clamped to the
    // display, snapped to the nearest grid line (with a grid, first brought
    // into the picture area the grid divides). (0, 0) while the display
    // has no size.
    IntPoint ClientToUnits(IntPoint content) const;
    // A window point to the preview, the scroll position added; with
    // bandCorrect the letterbox band is removed (preview frame). Returned
    // unchanged while the display has no size.
    IntPoint ClientToPreview(IntPoint client, bool bandCorrect) const;
    // A content point to the preview bitmap's pixel under it (no band
    // correction, no clamping: a point outside the display lies outside the
    // bitmap). (-1, -1) while the display has no size.
    IntPoint ContentToPreview(IntPoint content) const;
};

// The display size of the frame's full mode: the view's client area
// fitted to 4:3 (3:4 for a portrait image), the width rounded up to a
// multiple of 4; with a zoom percentage instead the output size (already
// turned for a portrait image) at that percentage. At least 1 x 1.
//
// A letterboxed output (a 3:2 picture, which the previews hold in a 4:3
// frame between black bands) is zoomed as the frame around it: the frame's
// width is the output's width at that percentage (its height, turned), so
// that the picture inside keeps the output's aspect, and only the picture
// is shown (pictureOnly).
struct DisplaySize {
    int width = 0;
    int height = 0;
    bool pictureOnly = false;
};
DisplaySize FullModeDisplaySize(int clientWidth, int clientHeight, bool portrait, int zoomPercent, int outputWidth,
                                int outputHeight, bool letterboxed = false);

// The unit frame and the bounds a crop frame must keep to.
struct UnitFrame {
    int unitWidth = kUnitFrameLong;
    int unitHeight = kUnitFrameShort;
    int minX = 0, minY = 0, maxX = kUnitFrameLong, maxY = kUnitFrameShort;
};

// 2048 x 1536 or, turned, 1536 x 2048; for the 3:2 families the band's
// edges bound the frame (top and bottom, or left and right when turned).
UnitFrame UnitFrameFor(bool rotated, int cameraFamily, int imageWidth, int imageHeight);

// The crop rectangle in image pixels (display orientation, right and bottom
// exclusive) of an ordered, non-empty units rectangle: the unit frame's
// bounds (the picture band of the 3:2 families) scaled onto the image, each
// axis by itself; clipped to the image. The display does not enter.
Rect CropUnitsToImage(const Rect& units, const ViewGeometry& g);

} // namespace velmo
