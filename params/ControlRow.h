// A row of the palettes' control table (params/ParamFields.h): what one
// control is, which ids it carries, what it shows and edits, its ranges and
// steps, the conversion between the value it shows and the value stored,
// where it sits, when it is enabled, and its caption. The GUI builds the
// control from its row (platform/gui/ControlUnit.h); the rules below are
// plain functions, tested without widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmo {

enum class ParamField : uint8_t;

enum class ControlKind : uint8_t {
    Value,      // caption, edit with its spin button, slider below
    Check,      // two-state check box
    ThreeState, // three-state check box (unchecked, checked, indeterminate)
    Radio,      // one button of a radio group: `item` is the value it stands for
    List,       // drop-down list
    Label,      // a caption with an id of its own
    Group,      // a group box with an id
    Button,     // a push button: a command, or the palette's own
    FileMenu,   // the "L", "S" and "..." buttons of the menu `item`
    Picture,    // a drawn area, a read-only readout or a list of points
    Tabs,       // the tabbed palette's tab strip
};

// What a control shows and edits.
enum class ControlData : uint8_t {
    None,
    Param,          // the record's field `field`
    SoftenValue,    // the edits of the Custom sharpness: the preset's amounts,
    HardenValue,    //   while their sliders edit `field` (soften, harden)
    Lens,           // the lens record's value `item` (LensControl)
    SelectiveColor, // column `item` of the chosen colour range
    Switch,         // the switch `item` (SwitchId)
};

// Where it sits: a page of the tabbed palette (the classic palette holds the
// parameter pages' controls on its one page), or the row every palette ends
// with.
enum class ControlPage : uint8_t { Adjust1, Adjust2, Detail, Curve, Lens, Color, Palette };

// When it is enabled.
enum class EnableRule : uint8_t {
    Always,
    CustomSharpness,   // sharpness 3 ("Custom")
    FineTune,          // WBfineTune set
    ColourTemperature, // the white-balance list on its colour-temperature item
    NoiseReduction,    // bNR set
    NoiseReductionNew, // bNR set and "UseOldNR" clear (tabbed palette only)
    SRGroup,           // S/R: the group and "Easy Mode" (two frames)
    SRMix,             // S/R: the mix m
    SRNotEasy,         // S/R: type, exponent and coefficient
    SRImages,          // S/R: "S" and "R"
    SRLinear,          // S/R: the linear threshold
    TabbedOnly,        // never on the classic palette
};

// Whether a control that its rule disables is hidden too: never, on the
// classic palette, on the classic palette and its spin on both, always.
enum class HideRule : uint8_t { Never, Classic, ClassicAndSpin, Always };

enum class ValueType : uint8_t { Int, Float };
// Linear: Int values: stored = position * scale, position = stored / scale
//   (integer division); Float values: position = int(stored * scale),
//   stored = position * (1 / scale).
// Exponent: the exponent slider mapping (ExponentMapping.h).
enum class SliderMapping : uint8_t { Linear, Exponent };
// Control: the spin's own +-1 step written into the buddy edit.
// Exponent, Sensitize: the own steps of ExponentMapping.h (the spin's step is cancelled).
enum class SpinStepRule : uint8_t { Control, Exponent, Sensitize };

struct ValueRange {
    double min;
    double max;
};

// An up-down control's range as Win32 has it: it may be reversed; without a
// range of its own it runs from 100 (lower) to 0 (upper).
struct UpDownRange {
    int lower = 100;
    int upper = 0;
};

// A slider's range and steps.
struct SliderRange {
    int min = 0;
    int max = 100;
    int pageSize = 10;
    int ticStep = 20;
    int lineSize = 1;
};

struct ControlRow {
    ControlKind kind = ControlKind::Value;
    unsigned id = 0;       // the control; of a value unit, its edit
    unsigned sliderId = 0; // a value unit's slider (0: none)
    unsigned spinId = 0;   // a value unit's spin (0: none)
    unsigned labelId = 0;  // the id of a value unit's caption (0: none)
    // The caption's string (0: `caption`).
    unsigned captionId = 0;
    // The caption when it has no string (rows made by hand).
    const char* caption = "";
    ControlData data = ControlData::None;
    ParamField field{}; // Param, SoftenValue, HardenValue
    int item = 0;       // see ControlKind::Radio, FileMenu and ControlData

    // --- Value units
    ValueType type = ValueType::Int;
    int sliderMin = 0;
    int sliderMax = 100;
    int pageSize = 10;
    int ticStep = 20;
    int lineSize = 1;
    // The slider's position before the first record arrives.
    int initialPosition = 0;
    SliderMapping mapping = SliderMapping::Linear;
    int scale = 1;
    // shown = stored + shownOffset (the saturation is shown minus 100). The
    // edit, its range and the slider work in the shown form.
    int shownOffset = 0;
    // The DDV range of the edit, in the shown form (none: any number).
    std::optional<ValueRange> editRange = std::nullopt;
    // The spin's range (none: the control's default 100..0).
    std::optional<UpDownRange> spinRange = std::nullopt;
    SpinStepRule spinStep = SpinStepRule::Control;
    // The lens's Distortion and Coefficient controls edit the fisheye angle
    // and scale in fisheye mode, with this range and caption.
    std::optional<SliderRange> fisheyeRange = std::nullopt;
    unsigned fisheyeCaptionId = 0;

    // --- Palettes
    ControlPage page = ControlPage::Palette;
    EnableRule rule = EnableRule::Always;
    // The caption's own rule where it differs (the "m" of the S/R mix goes
    // with the type list, not with its slider).
    std::optional<EnableRule> labelRule = std::nullopt;
    HideRule hide = HideRule::Never;
    // The classic palette has it (it lacks noise reduction).
    bool classic = true;
    // Set by the palette that shows the control: its caption is then the
    // string ControlCaption(dialogId, id) when there is one (a language file
    // may translate one palette's caption on its own), else captionId's.
    unsigned dialogId = 0;

    SliderRange Slider() const { return {sliderMin, sliderMax, pageSize, ticStep, lineSize}; }
    // Whether one of the row's own ids (control, slider, spin, caption) is
    // controlId (a file menu's "L" and "S" carry its menu's ids).
    bool HasId(unsigned controlId) const;
};

// The row's conversions. Positions are not held in the slider range here;
// the slider does that when it is set.
int RowValueToPosition(const ControlRow& row, double value);
double RowPositionToValue(const ControlRow& row, int position);
// The value a control shows for a stored value, and back.
double ShownValue(const ControlRow& row, double stored);
double StoredValue(const ControlRow& row, double shown);

// The index of the colour-temperature item of the white-balance list.
int ColourTemperatureItem(bool useRafWB);
// The items of the white-balance list for the switch (strings 61237 with
// "UseRafWB", 61204 without), index = whiteBalance.
std::vector<std::string> WhiteBalanceItems(bool useRafWB);
// The seven S/R mixing types, index = typeSR.
std::span<const char* const> SRMixingItems();

// The state the enabling reads.
struct EnableInputs {
    int sharpness = 0;
    int fineTune = 0;
    int whiteBalanceItem = -1; // the list's selection
    bool useRafWB = true;
    int noiseReduction = 0;
    bool useOldNR = false;
    bool classicPalette = false;
};

// What EnableSRControls gives each S/R control.
struct SRControlStates {
    bool group = false;   // group box and "Easy Mode": enabled and shown
    bool mix = false;     // the m slider, edit and spin
    bool notEasy = false; // type list, label "m", exponent g and coefficient n
    bool images = false;  // checks "S" and "R"
    bool linear = false;  // threshold edit and slider; its spin shown
};
SRControlStates EnableSRStates(int enable, int easy, int type);

// Whether a rule's controls are enabled.
bool RuleEnabled(EnableRule which, const EnableInputs& in, const SRControlStates& sr);
// Whether a control of the row disabled by its rule is hidden as well (the
// spin of a value unit, or its other parts).
bool HiddenWhenDisabled(const ControlRow& row, bool classicPalette, bool spin = false);

} // namespace velmo
