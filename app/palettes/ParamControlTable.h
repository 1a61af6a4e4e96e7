// The parameter controls of both parameters palettes as one table: for each
// slider parameter its record field, edit, slider and spin (ids, ranges,
// conversion, own step, range check), the page that holds it and the rule
// that enables it. The enabling rules, the S/R mixing truth table and the
// white-balance and S/R mixing lists are plain functions over it, tested
// without widgets.
#pragma once

#include "params/ParamFields.h"
#include "platform/gui/ControlUnit.h"

#include <span>
#include <string>
#include <vector>

namespace velmo {

// The tabbed palette's pages of parameter controls (tab order).
enum class ParamPage : uint8_t { Adjust1 = 0, Adjust2 = 1, Detail = 2 };

enum class EnableRule : uint8_t {
    Always,
    CustomSharpness,   // sharpness 3 ("Custom")
    FineTune,          // WBfineTune set
    ColourTemperature, // the white-balance list on its colour-temperature item
    NoiseReduction,    // bNR set
    NoiseReductionNew, // bNR set and "UseOldNR" clear (tabbed palette only)
    SRMix,             // S/R: the mix m
    SRNotEasy,         // S/R: exponent and coefficient
    SRLinear,          // S/R: the linear threshold
};

// What the edit box holds: the record's field, or the palette's soften or
// harden value (the Custom sharpness sliders' edits).
enum class EditBinding : uint8_t { Record, SoftenValue, HardenValue };

struct ParamControl {
    ParamField field;
    ControlRow row;
    ParamPage page;
    EnableRule rule;
    EditBinding binding;
    unsigned labelId; // the id of the caption beside it (0: none)
    bool classic;     // the classic palette has it (it lacks noise reduction)
};

// Every slider parameter, in the order of the palettes' slider positions:
// gamma, brightness, contrast, saturation, hue, colour temperature, S/R mix,
// linear threshold, S/R exponent, sensitization, S/R coefficient, moire
// level and threshold, sharpen, soften, fine tune B, G, R, noise reduction
// radius, amount, smooth, edge.
std::span<const ParamControl> ParamControlTable();
// The row with that edit, slider or spin id; null when there is none.
const ParamControl* ParamControlById(unsigned id);
const ParamControl* ParamControlByField(ParamField field);

// The value a row's edit shows for a record value (saturation minus 100).
double ShownValue(ParamField field, double stored);
double StoredValue(ParamField field, double shown);

// The index of the colour-temperature item of the white-balance list.
int ColourTemperatureItem(bool useRafWB);

// The state the enabling reads.
struct EnableInputs {
    int sharpness = 0;
    int fineTune = 0;
    int whiteBalanceItem = -1; // the list's selection
    bool useRafWB = true;
    int noiseReduction = 0;
    bool useOldNR = false;
};

// What EnableSRControls gives each S/R control.
struct SRControlStates {
    bool group = false;        // group box and "Easy Mode": enabled and shown
    bool mix = false;          // the m slider, edit and spin
    bool notEasy = false;      // type list, label "m", exponent g and coefficient n
    bool images = false;       // checks "S" and "R"
    bool linear = false;       // threshold edit and slider; its spin shown
};
SRControlStates EnableSRStates(int enable, int easy, int type);

// Whether a rule's controls are enabled (the S/R rules take sr).
bool RuleEnabled(EnableRule rule, const EnableInputs& in, const SRControlStates& sr);

// The white-balance preset list for the switch (strings 61237 and 61204).
std::vector<std::string> WhiteBalanceItems(bool useRafWB);
// The seven S/R mixing types, index = typeSR.
std::span<const char* const> SRMixingItems();

} // namespace velmo
