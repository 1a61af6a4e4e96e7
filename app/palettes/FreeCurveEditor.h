// The free-curve editor without widgets: where a mouse position lies on the
// plot, what hovering, pressing, dragging and deleting do to the points of
// the current channel, the channel's straight-segments flag and the resets.
//
// The points live in the edit state and nowhere else: every change is
// written there at once (the other editor showing them follows through its
// subscription), and every read comes from there. The editor itself holds
// only what belongs to one host: the current channel, the selected point and
// the point being dragged.
#pragma once

#include "develop/context/Spline.h"
#include "params/FreeCurveStore.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

class EditState;

// A position on the curve: x input, y output, both 0..1.
struct CurvePosition {
    double x = 0;
    double y = 0;
};

// The position of pixel (px, py) of a plot of width x height pixels (the
// plot's own coordinates). Inside: as is; within 2 pixels outside: clamped
// to the edge; farther out, or on a plot without area: none.
std::optional<CurvePosition> PlotPosition(int px, int py, int width, int height);
// The readout "in/out" of a position, "%3d/%3d" of int(v x 255).
std::string CurveReadout(const CurvePosition& p);
// A point as the point list shows it: "%3d/%3d" of int(v x 255 + 0.5).
std::string ApexText(double x, double y);

class FreeCurveEditor {
public:
    static constexpr int kMaxPoints = 16;
    // How near a position must be to a point or to the curve.
    static constexpr double kNear = 0.02;
    enum class Cursor { Arrow, Move, Add };

    explicit FreeCurveEditor(EditState& state);

    // Master 0, red 1, green 2, blue 3. A switch writes nothing.
    int Channel() const { return channel; }
    void SetChannel(int c);

    const std::vector<double>& Xs() const;
    const std::vector<double>& Ys() const;
    int Count() const { return int(Xs().size()); }
    bool Linear() const;

    // The selected point (-1: none).
    int Selection() const { return selection; }
    void SetSelection(int index);
    // Del removes the selected point unless it is the first or the last.
    bool CanDelete() const { return selection > 0 && selection < Count() - 1; }
    int DragIndex() const { return dragIndex; }
    bool Dragging() const { return dragIndex >= 0; }

    // The mouse over the plot without a drag: the first point near p becomes
    // the selection (move cursor); else no selection, and the add cursor
    // when p is near the curve.
    Cursor Hover(const CurvePosition& p);
    // The left button went down at p: the selected point starts a drag; else
    // a point with exactly p's x takes p's y, or p is inserted before the
    // first point right of it when it lies near the curve and the channel
    // has room, and starts a drag. True when a drag started.
    bool Press(const CurvePosition& p);
    // The dragged point moves to p unless that would reach or pass a
    // neighbour's x; true when it moved.
    bool DragTo(const CurvePosition& p);
    void Release() { dragIndex = -1; }
    // Del: true when a point was removed.
    bool DeleteSelected();
    void SetLinear(bool on);
    // The channel becomes the straight line (0, 0) - (1, 1).
    void ResetChannel(int c);
    // Every channel reset; the master channel becomes the current one.
    void ResetAll();

    // The curve of channel c at x (its spline, not clamped).
    double Curve(int c, double x) const;
    // The lines of the point list of the current channel.
    std::vector<std::string> ApexLines() const;

private:
    const FreeCurvePoints& Points() const;
    void Write(const FreeCurvePoints& points);
    const std::array<CSpline, 4>& Splines() const;

    EditState& state;
    int channel = 0;
    int selection = -1;
    int dragIndex = -1;
    // The splines of the points they were solved for.
    mutable std::array<CSpline, 4> splines;
    mutable std::optional<FreeCurvePoints> splinePoints;
};

} // namespace velmo
