#include "app/palettes/LensEditor.h"

#include "params/EditState.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <cstdio>

namespace velmo {

LensControlRange LensRange(LensControl control, bool fisheye)
{
    // The values are the record's ranges; the steps are the controls' own.
    auto range = [](IntRange r, int ticStep, int pageSize) { return LensControlRange{r.min, r.max, ticStep, pageSize}; };
    switch (control) {
    case LensControl::Distortion:
        return fisheye ? range(kFisheyeAngleRange, 25, 12) : range(kLensDistortionRange, 100, 50);
    case LensControl::Coefficient:
        return fisheye ? range(kFisheyeScaleRange, 60, 30) : range(kLensCoefficientRange, 60, 30);
    default: return range(kLensPercentRange, 20, 10);
    }
}

bool IsFisheye(const LensCorrectionSettings& s)
{
    return (s.flags & kLensFisheyeFlag) != 0;
}

int32_t LensValue(const LensCorrectionSettings& s, LensControl control)
{
    switch (control) {
    case LensControl::Distortion: return IsFisheye(s) ? s.fisheyeAngle : s.distortion;
    case LensControl::ChromaRed: return s.chromaRed;
    case LensControl::ChromaBlue: return s.chromaBlue;
    case LensControl::VignetteAmount: return s.vignetteAmount;
    case LensControl::VignetteMidpoint: return s.vignetteMidpoint;
    case LensControl::StretchX: return s.stretchX;
    case LensControl::StretchY: return s.stretchY;
    case LensControl::Coefficient: return IsFisheye(s) ? s.fisheyeScale : s.coefficient;
    case LensControl::kCount: break;
    }
    return 0;
}

void SetLensValue(LensCorrectionSettings& s, LensControl control, int32_t value)
{
    switch (control) {
    case LensControl::Distortion: (IsFisheye(s) ? s.fisheyeAngle : s.distortion) = value; break;
    case LensControl::ChromaRed: s.chromaRed = value; break;
    case LensControl::ChromaBlue: s.chromaBlue = value; break;
    case LensControl::VignetteAmount: s.vignetteAmount = value; break;
    case LensControl::VignetteMidpoint: s.vignetteMidpoint = value; break;
    case LensControl::StretchX: s.stretchX = value; break;
    case LensControl::StretchY: s.stretchY = value; break;
    case LensControl::Coefficient: (IsFisheye(s) ? s.fisheyeScale : s.coefficient) = value; break;
    case LensControl::kCount: break;
    }
}

namespace {

// The text of id with its printf conversions filled in. A language file's
// text has the same conversions as the English one (or is not taken).
template <class... Args>
std::string FormatCaption(unsigned id, Args... args)
{
    const std::string format = LoadString(id);
    const int size = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (size <= 0)
        return {};
    std::string text(size_t(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
    text.resize(size_t(size));
    return text;
}

} // namespace

std::string LensModelCaption(const std::string& modelName)
{
    return FormatCaption(IDS_CAPTION_LENS_MODEL, modelName.c_str());
}

std::string LensFocalLengthCaption(double focalLength)
{
    return FormatCaption(IDS_CAPTION_LENS_FOCAL_LENGTH, focalLength);
}

LensEditor::LensEditor(EditState& editState) : state(editState) {}

const LensCorrectionSettings& LensEditor::Record() const
{
    return state.Lens();
}

void LensEditor::Write(const LensCorrectionSettings& s)
{
    if (!(s == state.Lens()))
        state.SetLens(s);
}

void LensEditor::SetValue(LensControl control, int value)
{
    LensCorrectionSettings s = Record();
    SetLensValue(s, control, value);
    Write(s);
}

void LensEditor::SetFisheye(bool on)
{
    LensCorrectionSettings s = Record();
    s.flags = on ? (s.flags | kLensFisheyeFlag) : (s.flags & ~kLensFisheyeFlag);
    Write(s);
}

void LensEditor::Reset()
{
    Write(DefaultLensCorrection());
}

void LensEditor::SetChroma(int red, int blue)
{
    LensCorrectionSettings s = Record();
    s.chromaRed = red;
    s.chromaBlue = blue;
    Write(s);
}

} // namespace velmo
