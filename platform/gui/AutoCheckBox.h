// Check boxes that click like Win32 automatic check boxes. A three-state box
// cycles unchecked -> checked -> indeterminate -> unchecked (Qt's own order
// puts indeterminate second). States use the Win32 numbers: 0 unchecked,
// 1 checked, 2 indeterminate.
#pragma once

#include <QCheckBox>

namespace velmo {

inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// The state after a click (plain rules).
int NextAutoCheckState(int state);  // two states: 0 <-> 1
int NextAuto3State(int state);      // 0 -> 1 -> 2 -> 0
int CheckStateNumber(Qt::CheckState state);
Qt::CheckState QtCheckState(int state); // out of 0..2: unchecked

class AutoCheckBox : public QCheckBox {
public:
    explicit AutoCheckBox(const QString& text, bool threeState = false, QWidget* parent = nullptr);

    int State() const { return CheckStateNumber(checkState()); }
    // Sets the state without a click (a two-state box shows 2 as checked).
    void SetState(int state);

protected:
    void nextCheckState() override;
};

} // namespace velmo
