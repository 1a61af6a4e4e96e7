// A slider that tells its owner what the user did with the Win32 trackbar
// scroll codes (TrackBarCodes.h):
//   mouse drag of the thumb: TB_THUMBTRACK per move that changes the position,
//     then TB_THUMBPOSITION and TB_ENDTRACK when the button is released;
//   click on the groove: TB_PAGEUP or TB_PAGEDOWN (repeated while held),
//     then TB_ENDTRACK on release;
//   keys: Left/Up TB_LINEUP, Right/Down TB_LINEDOWN, Page Up TB_PAGEUP,
//     Page Down TB_PAGEDOWN, Home TB_TOP, End TB_BOTTOM when the position
//     moves, then TB_ENDTRACK when the key is released;
//   wheel, only while the trackbar has the keyboard focus: TB_LINEUP or
//     TB_LINEDOWN, then TB_ENDTRACK (without the focus the wheel goes on to
//     the page, which scrolls);
//   any other change of its value (the accessibility interface, code that
//     calls QAbstractSlider::setValue): TB_ENDTRACK, an edit like any other.
// "Up" codes move toward the minimum. A vertical trackbar has its minimum at
// the top, as on Windows, so Up and Page Up move the thumb up. SetPos and
// SetRange (what a palette shows of its data) report nothing.
#pragma once

#include "platform/gui/TrackBarCodes.h"

#include <QSlider>

#include <functional>

namespace velmo {

class TrackBar : public QSlider {
public:
    // code: a TB_ value; position: the trackbar's position after the action.
    using ScrollHandler = std::function<void(int code, int position)>;

    explicit TrackBar(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void SetScrollHandler(ScrollHandler handler) { scrollHandler = std::move(handler); }

    // The trackbar settings of a dialog's set-up.
    void SetRange(int minPosition, int maxPosition);
    void SetPageSize(int size) { setPageStep(size); }
    void SetLineSize(int size) { setSingleStep(size); }
    // Tic marks every `step` positions (0: none).
    void SetTicFreq(int step);
    // Without a report.
    void SetPos(int position);
    int GetPos() const { return value(); }

    // The thumb's rectangle in widget coordinates (for tests and tools).
    QRect ThumbRect() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Report(int code);
    void OnAction(int action);
    void OnValueChanged();

    ScrollHandler scrollHandler;
    // The code of an action whose new position is not yet the value: Qt
    // announces actions before it sets the value.
    int pendingCode = -1;
    bool mouseActive = false;
    // Inside the trackbar's own handling of a mouse, key or wheel event,
    // which reports what it does itself.
    bool inInput = false;
};

} // namespace velmo
