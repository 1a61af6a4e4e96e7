#include "app/palettes/FreeCurveEditor.h"

#include "develop/context/FreeCurves.h"
#include "params/EditState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmo {

std::optional<CurvePosition> PlotPosition(int px, int py, int width, int height)
{
    // A plot without area has no positions (and nothing to divide by).
    if (width <= 0 || height <= 0)
        return std::nullopt;
    constexpr int kMargin = 2;
    if (px < -kMargin || px >= width + kMargin || py < -kMargin || py >= height + kMargin)
        return std::nullopt;
    if (px < 0)
        px = 0;
    else if (px >= width)
        px = width - 1;
    if (py < 0)
        py = 0;
    else if (py > height)
        py = height;
    return CurvePosition{double(px) / width, 1.0 - double(py) / height};
}

std::string CurveReadout(const CurvePosition& p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%3d/%3d", int(p.x * 255), int(p.y * 255));
    return text;
}

std::string ApexText(double x, double y)
{
    char text[32];
    std::snprintf(text, sizeof text, "%3d/%3d", int(x * 255 + 0.5), int(y * 255 + 0.5));
    return text;
}

FreeCurveEditor::FreeCurveEditor(EditState& editState) : state(editState) {}

const FreeCurvePoints& FreeCurveEditor::Points() const
{
    return state.FreeCurvePointSet();
}

const std::vector<double>& FreeCurveEditor::Xs() const
{
    return Points().x[size_t(channel)];
}

const std::vector<double>& FreeCurveEditor::Ys() const
{
    return Points().y[size_t(channel)];
}

bool FreeCurveEditor::Linear() const
{
    return Points().linear[size_t(channel)] != 0;
}

void FreeCurveEditor::Write(const FreeCurvePoints& points)
{
    state.SetFreeCurvePoints(points);
}

const std::array<CSpline, 4>& FreeCurveEditor::Splines() const
{
    if (!splinePoints || !(*splinePoints == Points())) {
        splines = FreeCurveSplines(Points());
        splinePoints = Points();
    }
    return splines;
}

double FreeCurveEditor::Curve(int c, double x) const
{
    return Splines()[size_t(std::clamp(c, 0, 3))].Evaluate(x);
}

void FreeCurveEditor::SetChannel(int c)
{
    channel = std::clamp(c, 0, 3);
    selection = -1;
    dragIndex = -1;
}

void FreeCurveEditor::SetSelection(int index)
{
    selection = index >= 0 && index < Count() ? index : -1;
}

FreeCurveEditor::Cursor FreeCurveEditor::Hover(const CurvePosition& p)
{
    const auto& xs = Xs();
    const auto& ys = Ys();
    for (size_t i = 0; i < xs.size(); ++i) {
        if (std::fabs(p.y - ys[i]) < kNear && std::fabs(p.x - xs[i]) < kNear) {
            selection = int(i);
            return Cursor::Move;
        }
    }
    selection = -1;
    return std::fabs(p.y - Curve(channel, p.x)) < kNear ? Cursor::Add : Cursor::Arrow;
}

bool FreeCurveEditor::Press(const CurvePosition& p)
{
    if (selection >= 0 && selection < Count()) {
        dragIndex = selection;
        return true;
    }
    FreeCurvePoints points = Points();
    auto& xs = points.x[size_t(channel)];
    auto& ys = points.y[size_t(channel)];
    for (size_t i = 0; i < xs.size(); ++i) {
        if (xs[i] == p.x) {
            ys[i] = p.y;
            Write(points);
            return false;
        }
        if (xs[i] > p.x) {
            if (std::fabs(p.y - Curve(channel, p.x)) < kNear && int(xs.size()) < kMaxPoints) {
                xs.insert(xs.begin() + std::ptrdiff_t(i), p.x);
                ys.insert(ys.begin() + std::ptrdiff_t(i), p.y);
                Write(points);
                dragIndex = int(i);
                selection = int(i);
                return true;
            }
            return false;
        }
    }
    // Right of the last point: nothing is added.
    return false;
}

bool FreeCurveEditor::DragTo(const CurvePosition& p)
{
    const int d = dragIndex;
    if (d < 0 || d >= Count())
        return false;
    selection = d;
    const auto& xs = Xs();
    const int last = Count() - 1;
    if (!((d == 0 || p.x > xs[size_t(d - 1)]) && (d == last || p.x < xs[size_t(d + 1)])))
        return false;
    FreeCurvePoints points = Points();
    points.x[size_t(channel)][size_t(d)] = p.x;
    points.y[size_t(channel)][size_t(d)] = p.y;
    Write(points);
    return true;
}

bool FreeCurveEditor::DeleteSelected()
{
    if (!CanDelete())
        return false;
    FreeCurvePoints points = Points();
    auto& xs = points.x[size_t(channel)];
    auto& ys = points.y[size_t(channel)];
    xs.erase(xs.begin() + selection);
    ys.erase(ys.begin() + selection);
    selection = -1;
    Write(points);
    return true;
}

void FreeCurveEditor::SetLinear(bool on)
{
    FreeCurvePoints points = Points();
    points.linear[size_t(channel)] = on ? 1 : 0;
    Write(points);
}

void FreeCurveEditor::ResetChannel(int c)
{
    c = std::clamp(c, 0, 3);
    FreeCurvePoints points = Points();
    points.x[size_t(c)] = {0.0, 1.0};
    points.y[size_t(c)] = {0.0, 1.0};
    points.linear[size_t(c)] = 0;
    if (c == channel) {
        selection = -1;
        dragIndex = -1;
    }
    Write(points);
}

void FreeCurveEditor::ResetAll()
{
    // One write: the other host and the development see one change.
    Write(IdentityFreeCurvePoints());
    SetChannel(0);
}

std::vector<std::string> FreeCurveEditor::ApexLines() const
{
    std::vector<std::string> lines;
    const auto& xs = Xs();
    const auto& ys = Ys();
    for (size_t i = 0; i < xs.size(); ++i)
        lines.push_back(ApexText(xs[i], ys[i]));
    return lines;
}

} // namespace velmo
