#include "platform/gui/TrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace velmo {

namespace {

// The keys a trackbar handles, with their code and the slider action.
struct KeyAction {
    int code;
    QAbstractSlider::SliderAction action;
};

bool KeyToAction(int key, KeyAction& out)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        out = {TB_LINEUP, QAbstractSlider::SliderSingleStepSub};
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        out = {TB_LINEDOWN, QAbstractSlider::SliderSingleStepAdd};
        return true;
    case Qt::Key_PageUp:
        out = {TB_PAGEUP, QAbstractSlider::SliderPageStepSub};
        return true;
    case Qt::Key_PageDown:
        out = {TB_PAGEDOWN, QAbstractSlider::SliderPageStepAdd};
        return true;
    case Qt::Key_Home:
        out = {TB_TOP, QAbstractSlider::SliderToMinimum};
        return true;
    case Qt::Key_End:
        out = {TB_BOTTOM, QAbstractSlider::SliderToMaximum};
        return true;
    default:
        return false;
    }
}

} // namespace

TrackBar::TrackBar(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent)
{
    // Minimum at the top, as a Win32 vertical trackbar has it.
    setInvertedAppearance(orientation == Qt::Vertical);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { OnAction(action); });
    connect(this, &QAbstractSlider::sliderMoved, this, [this] { pendingCode = TB_THUMBTRACK; });
    connect(this, &QAbstractSlider::valueChanged, this, [this] { OnValueChanged(); });
}

void TrackBar::SetRange(int minPosition, int maxPosition)
{
    const QSignalBlocker block(this);
    setRange(minPosition, maxPosition);
}

void TrackBar::SetPos(int position)
{
    const QSignalBlocker block(this);
    setValue(position);
}

void TrackBar::SetTicFreq(int step)
{
    setTickInterval(step);
    setTickPosition(step > 0 ? QSlider::TicksBelow : QSlider::NoTicks);
}

QRect TrackBar::ThumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void TrackBar::Report(int code)
{
    if (scrollHandler)
        scrollHandler(code, value());
}

void TrackBar::OnAction(int action)
{
    // sliderPosition() already holds the new position, value() the old one.
    if (sliderPosition() == value())
        return;
    switch (action) {
    case SliderSingleStepAdd:
        pendingCode = TB_LINEDOWN;
        break;
    case SliderSingleStepSub:
        pendingCode = TB_LINEUP;
        break;
    case SliderPageStepAdd:
        pendingCode = TB_PAGEDOWN;
        break;
    case SliderPageStepSub:
        pendingCode = TB_PAGEUP;
        break;
    case SliderToMinimum:
        pendingCode = TB_TOP;
        break;
    case SliderToMaximum:
        pendingCode = TB_BOTTOM;
        break;
    default:
        break; // drags report through sliderMoved, the wheel by itself
    }
}

void TrackBar::OnValueChanged()
{
    if (pendingCode >= 0) {
        const int code = pendingCode;
        pendingCode = -1;
        Report(code);
        return;
    }
    // Not the trackbar's own input, nor what its palette shows (SetPos): an
    // edit from outside, ended at once.
    if (!inInput)
        Report(TB_ENDTRACK);
}

void TrackBar::keyPressEvent(QKeyEvent* event)
{
    const QScopedValueRollback<bool> input(inInput, true);
    KeyAction key;
    if (!KeyToAction(event->key(), key) || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QSlider::keyPressEvent(event);
        return;
    }
    triggerAction(key.action);
    pendingCode = -1;
    event->accept();
}

void TrackBar::keyReleaseEvent(QKeyEvent* event)
{
    const QScopedValueRollback<bool> input(inInput, true);
    KeyAction key;
    if (!KeyToAction(event->key(), key) || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QSlider::keyReleaseEvent(event);
        return;
    }
    // A held key repeats its press; the end comes with the real release.
    if (!event->isAutoRepeat())
        Report(TB_ENDTRACK);
    event->accept();
}

void TrackBar::mousePressEvent(QMouseEvent* event)
{
    const QScopedValueRollback<bool> input(inInput, true);
    if (event->button() == Qt::LeftButton)
        mouseActive = true;
    QSlider::mousePressEvent(event);
    pendingCode = -1;
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    const QScopedValueRollback<bool> input(inInput, true);
    const bool ends = mouseActive && event->button() == Qt::LeftButton;
    const bool wasDragging = isSliderDown();
    QSlider::mouseReleaseEvent(event);
    pendingCode = -1;
    if (!ends)
        return;
    mouseActive = false;
    if (wasDragging)
        Report(TB_THUMBPOSITION);
    Report(TB_ENDTRACK);
}

void TrackBar::wheelEvent(QWheelEvent* event)
{
    // Turning the wheel over a palette scrolls it: a slider takes the wheel
    // only when the user gave it the keyboard focus.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    const QScopedValueRollback<bool> input(inInput, true);
    const int before = value();
    QSlider::wheelEvent(event);
    pendingCode = -1;
    if (value() == before)
        return;
    // The gate acts on the end of an action, so a wheel step ends at once.
    Report(value() > before ? TB_LINEDOWN : TB_LINEUP);
    Report(TB_ENDTRACK);
}

} // namespace velmo
