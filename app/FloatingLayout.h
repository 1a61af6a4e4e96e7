// Where the palettes go in the floating layout: the parameters palette to
// the right of the main window, the others in a row below it, side by side,
// each at its own size and all of them on the screen. No widget involved, so
// that the rule can be checked by a table of screens and sizes.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace velmo {

struct FloatingPlacement {
    QPoint frameAt;              // the main window's top-left corner (outer frame)
    std::vector<QRect> palettes; // outer rectangles: the side palette (when asked), then the row
};

// screen: the available area; frame: the main window's outer rectangle;
// side: the parameters palette's outer size (empty: none), its top sideTop
// below the window's top; row: the other palettes' outer sizes, in order.
//
// When the window with its palettes around it fits on the screen, they go
// there (the group moved onto the screen as little as needed). Otherwise the
// window goes to the screen's top-left corner and each palette takes the
// first free place in reading order (right of or below what is placed) that
// covers neither the window nor another palette; failing that one that
// covers only the window, as little of it as can be; failing that, a
// cascade from the corner. Every
// rectangle lies wholly on the screen (a palette larger than the screen is
// cut to it).
FloatingPlacement FloatingPaletteLayout(const QRect& screen, const QRect& frame, int sideTop, QSize side,
                                        const std::vector<QSize>& row);

} // namespace velmo
