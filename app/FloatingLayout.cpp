#include "app/FloatingLayout.h"

#include <algorithm>
#include <optional>

namespace velmo {

namespace {

// A top-left corner that keeps a box of that size on the screen, as near to
// `at` as possible.
QPoint KeepInside(const QRect& screen, QPoint at, QSize size)
{
    const int x = std::max(screen.left(), std::min(at.x(), screen.left() + screen.width() - size.width()));
    const int y = std::max(screen.top(), std::min(at.y(), screen.top() + screen.height() - size.height()));
    return {x, y};
}

bool Fits(const QRect& screen, const QRect& r)
{
    return screen.contains(r);
}

bool OverlapsAny(const QRect& r, const std::vector<QRect>& placed)
{
    return std::any_of(placed.begin(), placed.end(), [&r](const QRect& p) { return p.intersects(r); });
}

int OverlapArea(const QRect& a, const QRect& b)
{
    const QRect both = a & b;
    return both.isEmpty() ? 0 : both.width() * both.height();
}

// The first free place in reading order for a box of that size: beside or
// above or below each placed rectangle, or against the screen's edges level
// with them. A place over the window is taken only when mayCoverWindow is
// set, and then the one that covers the least of it.
std::optional<QRect> FirstFreePlace(const QRect& screen, QSize size, const std::vector<QRect>& placed,
                                    const QRect& window, bool mayCoverWindow)
{
    const int w = size.width(), h = size.height();
    const int right = screen.left() + screen.width() - w, bottom = screen.top() + screen.height() - h;
    std::vector<QPoint> candidates = {screen.topLeft(), {right, screen.top()}, {screen.left(), bottom},
                                      {right, bottom}};
    std::vector<QRect> around = placed;
    around.push_back(window);
    for (const QRect& r : around) {
        const int rRight = r.left() + r.width(), rBottom = r.top() + r.height();
        for (const int x : {rRight, r.left() - w, r.left(), screen.left(), right})
            for (const int y : {rBottom, r.top() - h, r.top(), screen.top(), bottom})
                candidates.push_back({x, y});
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const QPoint& a, const QPoint& b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    std::optional<QRect> best;
    int bestCover = 0;
    for (const QPoint& at : candidates) {
        const QRect r(at, size);
        if (!Fits(screen, r) || OverlapsAny(r, placed))
            continue;
        const int cover = OverlapArea(r, window);
        if (cover != 0 && !mayCoverWindow)
            continue;
        // Of two that cover as much, the lower one: it leaves the window's
        // menu and toolbar free.
        if (!best || cover < bestCover || (cover == bestCover && r.top() > best->top())) {
            best = r;
            bestCover = cover;
        }
        if (cover == 0)
            break;
    }
    return best;
}

} // namespace

FloatingPlacement FloatingPaletteLayout(const QRect& screen, const QRect& frame, int sideTop, QSize side,
                                        const std::vector<QSize>& row)
{
    const bool hasSide = !side.isEmpty();
    std::vector<QSize> sizes;
    if (hasSide)
        sizes.push_back(side);
    sizes.insert(sizes.end(), row.begin(), row.end());
    // Nothing may be larger than the screen.
    for (QSize& s : sizes)
        s = s.boundedTo(screen.size());
    const QSize frameSize = frame.size().boundedTo(screen.size());

    // Around the window: the side palette to its right, the row below it,
    // all relative to the window's corner.
    std::vector<QRect> around;
    size_t next = 0;
    if (hasSide)
        around.emplace_back(QPoint(frameSize.width(), sideTop), sizes[next++]);
    int x = 0;
    for (; next < sizes.size(); ++next) {
        QRect r(QPoint(x, frameSize.height()), sizes[next]);
        // A row wider than the window passes below the side palette.
        if (hasSide && r.intersects(around.front()))
            r.moveTop(around.front().top() + around.front().height());
        around.push_back(r);
        x += sizes[next].width();
    }
    QRect group(QPoint(0, 0), frameSize);
    for (const QRect& r : around)
        group |= r;

    FloatingPlacement placement;
    if (group.width() <= screen.width() && group.height() <= screen.height()) {
        const QPoint corner = KeepInside(screen, frame.topLeft() + group.topLeft(), group.size()) - group.topLeft();
        placement.frameAt = corner;
        for (const QRect& r : around)
            placement.palettes.push_back(r.translated(corner));
        return placement;
    }

    // Too much for the room around the window: the window goes to the corner
    // and the palettes fill the rest of the screen, in columns and rows.
    placement.frameAt = screen.topLeft();
    const QRect window(placement.frameAt, frameSize);
    std::vector<QRect> placed;
    int cascade = 0;
    for (const QSize& s : sizes) {
        std::optional<QRect> r = FirstFreePlace(screen, s, placed, window, false);
        if (!r)
            r = FirstFreePlace(screen, s, placed, window, true);
        if (!r) {
            // No free place left: cascaded from the corner, still on the screen.
            constexpr int kStep = 24;
            const QPoint at = screen.topLeft() + QPoint(cascade * kStep, cascade * kStep);
            r = QRect(KeepInside(screen, at, s), s);
            ++cascade;
        }
        placed.push_back(*r);
    }
    placement.palettes = placed;
    return placement;
}

} // namespace velmo
