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

#include "platform/gui/SpinButton.h"
#include "platform/gui/TrackBar.h"

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include <optional>

class QLabel;

namespace velmo {

class CDataExchange;

enum class ValueType { Int, Float };
// Linear: Int fields: value = position * scale, position = value / scale
//   (integer division); Float fields: position = int(value * scale),
//   value = position * (1 / scale).
// Exponent: the exponent slider mapping (ExponentMapping.h).
enum class SliderMapping { Linear, Exponent };
// Control: the spin's own +-1 step written into the buddy edit.
// Exponent, Sensitize: the own steps of ExponentMapping.h (the spin's step is cancelled).
enum class SpinStepRule { Control, Exponent, Sensitize };

struct ValueRange {
    double min;
    double max;
};

// A row of a palette's control table.
struct ControlRow {
    unsigned editId = 0;
    unsigned sliderId = 0; // 0: no slider
    unsigned spinId = 0;   // 0: no spin
    const char* caption = "";
    ValueType type = ValueType::Int;
    int sliderMin = 0;
    int sliderMax = 100;
    int pageSize = 10;
    int ticStep = 20;
    int lineSize = 1;
    SliderMapping mapping = SliderMapping::Linear;
    int scale = 1;
    // The DDV range of the edit (none: any number).
    std::optional<ValueRange> editRange = std::nullopt;
    // The spin's range (none: the control's default 100..0).
    std::optional<UpDownRange> spinRange = std::nullopt;
    SpinStepRule spinStep = SpinStepRule::Control;
    // The palette's dialog id: the caption is then the string-table text
    // ControlCaption(dialogId, editId) when there is one (a language file
    // translates it), else the caption above.
    unsigned dialogId = 0;
    // The caption's own string id (0: none): shown in its place when there is
    // no caption entry of the control, so that a language file translates a
    // caption shared by several palettes once.
    unsigned captionId = 0;
};

// The row's conversions (plain rules). Positions are not held in the slider
// range here; the slider does that when it is set.
int RowValueToPosition(const ControlRow& row, double value);
double RowPositionToValue(const ControlRow& row, int position);
// The caption without its mnemonic marks ("&Gamma" -> "Gamma").
QString PlainCaption(const QString& caption);
// The caption a row's unit shows (see ControlRow::dialogId).
QString RowCaption(const ControlRow& row);

// An edit box as wide as its widest expected text, in its current font.
class NumberEdit : public QLineEdit {
public:
    explicit NumberEdit(QWidget* parent = nullptr);
    void SetSampleTexts(const QStringList& samples);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QStringList samples;
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

    // DDX_Text of the edit with the row's DDV range.
    void ExchangeValue(CDataExchange& dx, int& value) const;
    void ExchangeValue(CDataExchange& dx, float& value) const;

private:
    QString FormatValue(double value) const;
    bool OnSpinDelta(int position, int& delta);

    ControlRow row;
    ControlUnitListener* listener = nullptr;
    QLabel* label;
    NumberEdit* edit;
    TrackBar* slider = nullptr;
    SpinButton* spin = nullptr;
};

} // namespace velmo
