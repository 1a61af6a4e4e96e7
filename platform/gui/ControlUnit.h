// One parameter control built from a table row: a caption, a value edit with
// its spin button, and a slider below (like RawTherapee's Adjuster). The
// controls keep their template ids (edit 16xx, slider 21xx, spin 22xx) so
// that the data exchange and the command routing find them; each has the
// caption as accessible name and its string-table prompt and tip.
//
// The unit reports what the user does to a listener: the slider's scroll
// codes (for the slider gate, DeferredApply.h), edits of the value (typing
// or the spin: EN_CHANGE, for the apply countdown) and the spin's
// UDN_DELTAPOS. Spins with an own step (exponents, sensitization) step the
// value in the edit themselves and report it as an edit.
#pragma once

#include "params/ControlRow.h"
#include "platform/gui/SpinButton.h"
#include "platform/gui/TrackBar.h"

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;

namespace velmo {

class CDataExchange;

// The caption without its mnemonic marks ("&Gamma" -> "Gamma").
QString PlainCaption(const QString& caption);
// The caption a row's control shows (see ControlRow::dialogId).
QString RowCaption(const ControlRow& row);

// The widget of a row that is not a value unit: a check box (AutoCheckBox,
// two or three states), a radio button, a drop-down list, a label, a group
// box or a push button, with the row's id, its caption (also as accessible
// name) and the string-table tips of the id. Null for the other kinds
// (pictures, file menus, tab strips), which their palette makes itself and
// gives the same with SetupRowControl.
QWidget* MakeRowControl(const ControlRow& row, QWidget* parent);
void SetupRowControl(QWidget* control, const ControlRow& row);

// An edit box as wide as its widest expected text, in its current font.
class NumberEdit : public QLineEdit {
public:
    explicit NumberEdit(QWidget* parent = nullptr);
    void SetSampleTexts(const QStringList& samples);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Runs when the user takes the keyboard focus elsewhere in the window
    // (not when another window, a menu or a message box takes it).
    void SetLeaveHandler(std::function<void()> handler) { onLeave = std::move(handler); }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QStringList samples;
    std::function<void()> onLeave;
};

class ControlUnit;

class ControlUnitListener {
public:
    virtual ~ControlUnitListener() = default;
    // A trackbar notification: code is a TB_ value, position the slider's.
    virtual void SliderScrolled(ControlUnit& unit, int code, int position) = 0;
    // The edit's text was changed by the user or by the spin (EN_CHANGE).
    virtual void EditChanged(ControlUnit& unit) = 0;
    // The spin is about to step; return true when handled (the unit then
    // does nothing further; set delta to 0 to keep the position).
    virtual bool SpinDeltaPos(ControlUnit& /*unit*/, int /*position*/, int& /*delta*/) { return false; }
};

class ControlUnit : public QWidget {
public:
    explicit ControlUnit(const ControlRow& row, QWidget* parent = nullptr);

    const ControlRow& Row() const { return row; }
    // The edit's range from now on (for a control that switches to editing
    // another field).
    void SetEditRange(std::optional<ValueRange> range) { row.editRange = range; }
    void SetListener(ControlUnitListener* unitListener) { listener = unitListener; }

    QLabel* Label() const { return label; }
    NumberEdit* Edit() const { return edit; }
    TrackBar* Slider() const { return slider; }   // null without a slider
    SpinButton* Spin() const { return spin; }     // null without a spin

    int ValueToPosition(double value) const { return RowValueToPosition(row, value); }
    double PositionToValue(int position) const { return RowPositionToValue(row, position); }

    // Shows value in the edit and the slider; no notification.
    void ShowValue(double value);
    // Shows value in the edit only; no notification.
    void ShowEditValue(double value);
    // The edit's value as the data exchange reads it; nullopt when refused.
    std::optional<double> EditValue() const;
    // The value the slider's position stands for.
    double SliderValue() const;
    // Whether the apply countdown may take the edit's text now
    // (TypedValueReady): not while it is a number still being typed.
    bool TypedValueReady() const;

    // DDX_Text of the edit with the row's DDV range.
    void ExchangeValue(CDataExchange& dx, int& value) const;
    void ExchangeValue(CDataExchange& dx, float& value) const;

private:
    QString FormatValue(double value) const;
    bool OnSpinDelta(int position, int& delta);
    // The user left the edit: a text that cannot be taken gets its message.
    void OnEditLeft();

    ControlRow row;
    ControlUnitListener* listener = nullptr;
    QLabel* label;
    NumberEdit* edit;
    TrackBar* slider = nullptr;
    SpinButton* spin = nullptr;
};

} // namespace velmo
