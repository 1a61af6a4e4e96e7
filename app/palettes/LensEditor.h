// The lens-correction editor without widgets: which field of the lens record
// each of the eight value controls edits (the Distortion and Coefficient
// controls edit the fisheye angle and scale in fisheye mode), the controls'
// ranges in each mode, and the writes.
//
// The record lives in the edit state only; the fisheye mode is bit 0 of its
// flags, so a record loaded with the bit set shows in fisheye mode and keeps
// it through every exchange of either host.
#pragma once

#include "params/ControlRow.h"
#include "params/LensCorrectionSettings.h"

#include <string>

namespace velmo {

class EditState;

// The control table's row of a control, and its slider (and spin) range in
// normal or fisheye mode.
const ControlRow& LensControlRow(LensControl control);
SliderRange LensRange(LensControl control, bool fisheye);
// The field a control edits in the given mode.
int32_t LensValue(const LensCorrectionSettings& s, LensControl control);
void SetLensValue(LensCorrectionSettings& s, LensControl control, int32_t value);
bool IsFisheye(const LensCorrectionSettings& s);

// The captions of the lens information: "ModelName:%s" and "FocalLength:%3.3fmm".
std::string LensModelCaption(const std::string& modelName);
std::string LensFocalLengthCaption(double focalLength);

class LensEditor {
public:
    explicit LensEditor(EditState& state);

    const LensCorrectionSettings& Record() const;
    bool Fisheye() const { return IsFisheye(Record()); }
    int Value(LensControl control) const { return LensValue(Record(), control); }

    // Each writes the edit state when the value differs.
    void SetValue(LensControl control, int value);
    void SetFisheye(bool on);
    // Every field its default (coefficient 200, fisheye angle and scale 100,
    // normal mode).
    void Reset();
    // The automatic search's result.
    void SetChroma(int red, int blue);

private:
    void Write(const LensCorrectionSettings& s);
    EditState& state;
};

} // namespace velmo
