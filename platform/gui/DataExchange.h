// Data exchange between a palette's controls and its members, with the
// number formats, parsing and messages of the MFC framework's DDX/DDV:
// integers shown with "%d", floats with "%.*g" at FLT_DIG (6) significant
// digits; blanks around a number are allowed, anything else after it is not.
//
// A refused entry shows its message through the platform message interface
// (platform/core/MessageBox.h), gives the control the focus with its text
// selected, and ends the exchange: the caller gets false from
// RunDataExchange and must not apply the partly read record.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QWidget;
class QLineEdit;

namespace velmo {

// The text rules (no widgets).
// "%d" read as the framework reads it: blanks (space, tab) around the number,
// an optional sign, decimal digits. A result of 0 counts only when the text
// starts with '0' (so "-0", "+0" and "" are refused). Beyond int: refused.
std::optional<int> ParseIntText(std::string_view text);
// A decimal number ("1.8", ".5", "-2e-1") with blanks around it; 0 counts
// only when the text starts with '0'. Infinity, NaN, hexadecimal and values
// beyond float are refused.
std::optional<float> ParseFloatText(std::string_view text);
std::string FormatIntText(int value);
std::string FormatFloatText(float value);
// The text of a message id with %1 and %2 replaced.
std::string FormatMessage2(unsigned stringId, const std::string& first, const std::string& second);

class CDataExchange {
public:
    // Finds a control by id (nullptr when there is none).
    using ControlLookup = std::function<QWidget*(unsigned id)>;

    // Controls are the dialog's descendants with a control id (ControlIds.h).
    CDataExchange(QWidget* dialog, bool saveAndValidate);
    // A lookup of the caller's (for example over the pages of a palette).
    CDataExchange(ControlLookup lookup, bool saveAndValidate);

    // true: controls to members with validation (UpdateData(TRUE));
    // false: members to controls.
    bool SaveAndValidate() const { return saveAndValidate; }
    // The control with id, remembered as the one a failure focuses; nullptr
    // when it does not exist or the exchange has failed.
    QWidget* PrepareCtrl(unsigned id);
    QLineEdit* PrepareEditCtrl(unsigned id);
    // A refused entry: the last prepared control gets the focus (an edit
    // with its text selected) and the rest of the exchange does nothing.
    void Fail();
    bool Failed() const { return failed; }
    unsigned LastControlId() const { return lastId; }

private:
    ControlLookup lookup;
    bool saveAndValidate;
    bool failed = false;
    unsigned lastId = 0;
    QWidget* lastControl = nullptr;
};

// Runs exchange on a fresh CDataExchange; false when an entry was refused.
bool RunDataExchange(QWidget* dialog, bool saveAndValidate, const std::function<void(CDataExchange&)>& exchange);

// The exchange functions. A missing control is skipped; after a failure
// every call does nothing.
void DDX_Text(CDataExchange& dx, unsigned id, int& value);
void DDX_Text(CDataExchange& dx, unsigned id, float& value);
// Check boxes: 0 unchecked, 1 checked, 2 indeterminate (three-state boxes).
void DDX_Check(CDataExchange& dx, unsigned id, int& value);
// id: any radio of a group (RadioGroup.h); value: the index of the checked
// radio in template order, -1 none.
void DDX_Radio(CDataExchange& dx, unsigned id, int& value);
// A slider's position.
void DDX_Slider(CDataExchange& dx, unsigned id, int& value);
// Range checks after the DDX_Text of the same value (only when saving).
void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);
void DDV_MinMaxFloat(CDataExchange& dx, float value, float minValue, float maxValue);

} // namespace velmo
