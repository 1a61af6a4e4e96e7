// The one table of the parameter record's fields: for each of the 44 fields
// its type, its parameter-file key, the range a stored or read value must lie
// in and its default. Storage (the range check of a stored record), the
// parameter and white-balance files (keys, their order, their value form) and
// the defaults read it.
//
// And the one table of the palettes' controls (ControlRow.h): every control
// of the parameters palettes and of the free-curve, lens and
// selective-colours editors, with the field or value it edits. The palettes
// build their controls from it.
#pragma once

#include "params/ControlRow.h"
#include "params/DevParams.h"

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmo {

// One id per field, in record order (the enumerators are the field names).
enum class ParamField : uint8_t {
    honeycomb, reserved4, twoFrames, iColorNR, iColorNRthreshold, whiteBalance, cameraWhiteBalance, iEnhColor,
    iEnhGreen, exifOrientation, gamma, gammaSR, gammaSR2, contrast, brightness, saturation, hue, sharpness,
    cameraSharpness, rotate, customWB1, customWB2, customWB3, wbTempt, mixSR, typeSR, sImageOn, rImageOn, easySR,
    linearSR, sensitize, soften, harden, WBfineTuneR, WBfineTuneG, WBfineTuneB, WBfineTune, ICC, bGammaLog, bNR,
    NR1, NR2, NR3, NR4,
};
inline constexpr size_t kParamFieldCount = 44;
static_assert(size_t(ParamField::NR4) + 1 == kParamFieldCount);

// A set of fields (bit i = ParamField i).
using ParamFieldSet = std::bitset<kParamFieldCount>;
inline ParamFieldSet AllParamFields() { return ParamFieldSet().set(); }

enum class ParamType : uint8_t { Int, Float };

// Where a field's default comes from (DefaultParameters).
enum class ParamDefault : uint8_t {
    Constant, // defaultValue
    Family,   // the camera family's table (defaultValue is family 3's value)
    Camera,   // from what the camera recorded (orientation, white balance, sharpness): kept over a reset
    Image,    // from the image (twoFrames)
    Switch,   // depends on "UseRafWB" (bGammaLog); defaultValue without it
};

struct ParamFieldInfo {
    ParamField id;
    const char* name;     // the record's field name
    ParamType type;
    int32_t DevParams::*intField; // set for Int fields
    float DevParams::*floatField; // set for Float fields
    const char* fileKey;  // parameter-file key; null for the fields files do not store
    double min, max;      // the range a stored or read value must lie in (stored form)
    ParamDefault defaultKind;
    double defaultValue;

    size_t Offset() const;
};

// Every field: first the 36 that parameter files store, in file order, then
// the 8 they do not (honeycomb, reserved4, twoFrames, cameraWhiteBalance,
// exifOrientation, cameraSharpness, sImageOn, rImageOn).
std::span<const ParamFieldInfo> ParamFieldTable();
// The row of a field.
const ParamFieldInfo& FieldInfo(ParamField field);
// The row whose file key is key; null when none.
const ParamFieldInfo* FieldByFileKey(std::string_view key);

// The fields of a parameter file in file order (rows with a file key).
std::span<const ParamFieldInfo> ParamFileFields();
// The white-balance keys of parameter and white-balance files, in file
// order: customWB1..3, WBfineTuneR..B, WBfineTune.
std::span<const ParamFieldInfo> WhiteBalanceFields();
bool IsWhiteBalanceField(ParamField field);

// A field's value as a double (exact for both types), and set from one
// (an Int field takes the value truncated toward zero).
double GetField(const DevParams& p, ParamField field);
void SetField(DevParams& p, ParamField field, double value);
// The fields whose four bytes differ.
ParamFieldSet DiffFields(const DevParams& a, const DevParams& b);

// The value of a field as a file stores it: "%d" or "%f".
std::string FormatFieldValue(const ParamFieldInfo& field, const DevParams& p);

// True when the field's value lies in its range (a float also finite).
bool FieldInRange(const ParamFieldInfo& field, const DevParams& p);
// Replaces every field of p that lies outside its range by the field of
// fallback. Returns the number of fields replaced.
int SanitizeDevParams(DevParams& p, const DevParams& fallback);

// The defaults of a camera family: every Constant field, the family's gamma,
// gammaSR, contrast, brightness, saturation and twoFrames (families 2 and 4),
// the "UseRafWB" changes (contrast and brightness 0, saturation 115 or 125,
// the log curve), the camera fields of `camera` kept, sharpness = the
// camera's, white balance 0 with "UseRafWB" else the camera's, and the
// rotation from the Exif orientation (6 right, 8 left). What the image adds
// to twoFrames (family 7's frame detection, a second frame, a dynamic-range
// shift) is the document's.
DevParams DefaultParameters(int cameraFamily, bool useRafWB, const DevParams& camera);

// --- The palettes' controls -----------------------------------------------------
// Every row, in the order the parameters palettes hold their value controls
// first (gamma, brightness, contrast, saturation, hue, colour temperature,
// S/R mix, linear threshold, S/R exponent, sensitization, S/R coefficient,
// moire level and threshold, sharpen, soften, fine tune B, G, R, noise
// reduction radius, amount, smooth, edge), then their checks, radios, lists
// and captions, then the bottom row, then the feature editors'.
std::span<const ControlRow> PaletteControls();
// The row one of whose own ids is id (ControlRow::HasId), or the file menu
// whose "L" or "S" is id; null when none.
const ControlRow* ControlRowById(unsigned id);
// The value control (edit and slider) of a record field; null when it has none.
const ControlRow* ValueControlOf(ParamField field);
// The row of a control that shows data item (a lens value, a colour column,
// a switch) of that kind; null when none.
const ControlRow* ControlRowFor(ControlData data, int item);
// The rows of radio group `field` in button order.
std::vector<const ControlRow*> RadioRowsOf(ParamField field);

} // namespace velmo
