// An up-down control (spin button) as Win32 has it, usually buddied with an
// edit box beside it:
// - its range may be reversed; without a range of its own it runs from 100
//   (lower) to 0 (upper), so the up arrow gives a delta of -1;
// - before each step it asks a handler with (position, delta), UDN_DELTAPOS
//   style: the handler may change the delta or cancel the step;
// - with a buddy it takes its position from the buddy's integer text and
//   writes the new position back ("%d", no thousands separators); the arrow
//   keys in the buddy step it too;
// - holding an arrow repeats, by 5 after 2 s and by 20 after 5 s.
#pragma once

#include "params/ControlRow.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QLineEdit;
class QToolButton;

namespace velmo {

inline constexpr int UD_MAXVAL = 0x7fff;
inline constexpr int UD_MINVAL = -UD_MAXVAL;

// The plain rules (UpDownRange: params/ControlRow.h).
// The delta of one click: toward `upper` for the up arrow.
int UpDownDelta(const UpDownRange& range, bool upArrow, int increment = 1);
// The position after delta, held inside the range; nullopt when it does not move.
std::optional<int> UpDownOffset(const UpDownRange& range, int position, int delta);
// The increment of a held arrow after `milliseconds`: 1, then 5 from 2 s, 20 from 5 s.
int UpDownAcceleration(qint64 milliseconds);

class SpinButton : public QWidget {
public:
    // Return true to cancel the step; delta may be changed.
    using DeltaPosHandler = std::function<bool(int position, int& delta)>;
    // The position changed by a step (after the buddy's text was written).
    using PositionHandler = std::function<void(int position)>;

    explicit SpinButton(QWidget* parent = nullptr);

    // UDM_SETRANGE32: lower may be above upper.
    void SetRange(int lower, int upper);
    UpDownRange Range() const { return range; }
    // Sets the position without a notification (and the buddy's text).
    void SetPos(int position);
    int Pos() const { return position; }
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return buddy; }

    void SetDeltaPosHandler(DeltaPosHandler handler) { deltaPosHandler = std::move(handler); }
    void SetPositionHandler(PositionHandler handler) { positionHandler = std::move(handler); }

    // One click of an arrow (what the mouse and the arrow keys do).
    void Step(bool up, int increment = 1);

    QToolButton* UpButton() const { return upButton; }
    QToolButton* DownButton() const { return downButton; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Press(bool up);
    void SyncFromBuddy();

    UpDownRange range;
    int position = 0;
    QLineEdit* buddy = nullptr;
    QToolButton* upButton;
    QToolButton* downButton;
    DeltaPosHandler deltaPosHandler;
    PositionHandler positionHandler;
    QElapsedTimer held;
    bool holding = false;
};

} // namespace velmo
