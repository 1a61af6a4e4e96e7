#include "params/ParamFields.h"

#include "params/ExponentMapping.h"
#include "params/GlobalSwitches.h"
#include "params/LensCorrectionSettings.h"
#include "params/SelectiveColorTable.h"
#include "platform/core/PrivateProfile.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <array>
#include <cmath>
#include <cstring>

namespace velmo {

namespace {

using F = ParamField;
using D = ParamDefault;

constexpr ParamFieldInfo I(F id, const char* name, int32_t DevParams::*field, const char* key, double lo, double hi,
                           D kind, double def)
{
    return {id, name, ParamType::Int, field, nullptr, key, lo, hi, kind, def};
}

constexpr ParamFieldInfo R(F id, const char* name, float DevParams::*field, const char* key, double lo, double hi,
                           D kind, double def)
{
    return {id, name, ParamType::Float, nullptr, field, key, lo, hi, kind, def};
}

#define FIELD(name) F::name, #name, &DevParams::name

// File order first (the order is what files show), then the unstored fields.
// Ranges are those of the palettes' controls, in the stored form (saturation
// as stored, the palettes show it minus 100); indices and divisors need them.
// Each holds every value the program itself sets (neutral reset's "no white
// balance", the easy mix's 240, the exponents' 0 and 16): a value out of its
// range is replaced when the record or a file is read, and the user's value
// would change between runs.
constexpr ParamFieldInfo kTable[] = {
    R(FIELD(gamma), "gamma", kExponentMin, kExponentMax, D::Family, 1.0),
    R(FIELD(sensitize), "sensitize", -5.0, 3.0, D::Constant, 0.0),
    I(FIELD(whiteBalance), "whiteBalance", kNoWhiteBalance, kLastWhiteBalancePreset, D::Camera, 0),
    I(FIELD(wbTempt), "wbTempt", 2500, 9500, D::Constant, 5500),
    I(FIELD(contrast), "contrast", -100, 100, D::Family, 0),
    I(FIELD(brightness), "brightness", -100, 100, D::Family, 0),
    I(FIELD(saturation), "saturation", 0, 400, D::Family, 100),
    I(FIELD(hue), "hue", -100, 100, D::Constant, 0),
    I(FIELD(sharpness), "sharpness", 0, 3, D::Camera, 0),
    I(FIELD(rotate), "rotate", 0, 2, D::Camera, 0),
    R(FIELD(gammaSR), "gammaSR", kExponentMin, kExponentMax, D::Family, 1.2),
    R(FIELD(gammaSR2), "gammaSR2", kExponentMin, kExponentMax, D::Constant, 1.0),
    I(FIELD(mixSR), "mixSR", 0, kMixSRMax, D::Constant, 50),
    I(FIELD(typeSR), "typeSR", 0, 7, D::Constant, 5),
    I(FIELD(iEnhColor), "iEnhColor", 0, 2, D::Constant, 0),
    I(FIELD(iEnhGreen), "iEnhGreen", 0, 2, D::Constant, 0),
    I(FIELD(iColorNR), "iColorNR", 0, 5, D::Constant, 1),
    I(FIELD(iColorNRthreshold), "iColorNRthreshold", 0, 100, D::Constant, 40),
    I(FIELD(soften), "soften", 0, 100, D::Constant, 0),
    I(FIELD(harden), "harden", 0, 100, D::Constant, 0),
    I(FIELD(ICC), "ICC", 0, 4, D::Constant, 0),
    I(FIELD(easySR), "easySR", 0, 1, D::Constant, 1),
    I(FIELD(linearSR), "linearSR", 0, 100, D::Constant, 70),
    I(FIELD(bGammaLog), "bGammaLog", 0, 1, D::Switch, 0),
    I(FIELD(bNR), "bNR", 0, 2, D::Constant, 0),
    I(FIELD(NR1), "NR1", 1, 5, D::Constant, 1),
    I(FIELD(NR2), "NR2", 0, 100, D::Constant, 100),
    I(FIELD(NR3), "NR3", 1, 200, D::Constant, 150),
    I(FIELD(NR4), "NR4", 1, 100, D::Constant, 10),
    I(FIELD(customWB1), "customWB1", 1, 65535, D::Constant, 128),
    I(FIELD(customWB2), "customWB2", 1, 65535, D::Constant, 128),
    I(FIELD(customWB3), "customWB3", 1, 65535, D::Constant, 128),
    I(FIELD(WBfineTuneR), "WBfineTuneR", -100, 100, D::Constant, 0),
    I(FIELD(WBfineTuneG), "WBfineTuneG", -100, 100, D::Constant, 0),
    I(FIELD(WBfineTuneB), "WBfineTuneB", -100, 100, D::Constant, 0),
    I(FIELD(WBfineTune), "WBfineTune", 0, 1, D::Constant, 0),
    // Not stored in files.
    I(FIELD(honeycomb), nullptr, 0, 1, D::Constant, 1),
    I(FIELD(reserved4), nullptr, 0, 0, D::Constant, 0),
    I(FIELD(twoFrames), nullptr, 0, 1, D::Image, 0),
    I(FIELD(cameraWhiteBalance), nullptr, 0, kLastWhiteBalancePreset, D::Camera, 0),
    I(FIELD(exifOrientation), nullptr, 0, 8, D::Camera, 0),
    I(FIELD(cameraSharpness), nullptr, 0, 3, D::Camera, 0),
    I(FIELD(sImageOn), nullptr, 0, 1, D::Constant, 1),
    I(FIELD(rImageOn), nullptr, 0, 1, D::Constant, 1),
};

#undef FIELD

constexpr size_t kFileFields = 36;
constexpr size_t kWhiteBalanceFirst = 29; // customWB1
constexpr size_t kWhiteBalanceCount = 7;

static_assert(std::size(kTable) == kParamFieldCount);

// Row index of each field.
constexpr std::array<uint8_t, kParamFieldCount> MakeIndex()
{
    std::array<uint8_t, kParamFieldCount> index{};
    for (size_t i = 0; i < kParamFieldCount; ++i)
        index[size_t(kTable[i].id)] = uint8_t(i);
    return index;
}
constexpr std::array<uint8_t, kParamFieldCount> kIndex = MakeIndex();

constexpr bool TableIsWellFormed()
{
    std::array<bool, kParamFieldCount> seen{};
    for (size_t i = 0; i < kParamFieldCount; ++i) {
        const ParamFieldInfo& f = kTable[i];
        if (seen[size_t(f.id)] || (f.fileKey != nullptr) != (i < kFileFields))
            return false;
        if ((f.type == ParamType::Int) != (f.intField != nullptr) || (f.type == ParamType::Float) != (f.floatField != nullptr))
            return false;
        seen[size_t(f.id)] = true;
    }
    return kTable[kWhiteBalanceFirst].id == F::customWB1 &&
           kTable[kWhiteBalanceFirst + kWhiteBalanceCount - 1].id == F::WBfineTune;
}
static_assert(TableIsWellFormed());

const DevParams kProbe{};

// --- The palettes' controls -----------------------------------------------------------

using K = ControlKind;
using DT = ControlData;
using P = ControlPage;
using E = EnableRule;
using H = HideRule;

// The button of a radio group on the record's field `field` that stands for
// the value `item`.
constexpr ControlRow Radio(unsigned id, unsigned captionId, ParamField field, int item, ControlPage page)
{
    return {.kind = ControlKind::Radio, .id = id, .captionId = captionId, .data = ControlData::Param, .field = field,
            .item = item, .page = page};
}

// The ids of a value control: its edit (the row's id), slider, spin and,
// where it has one, its caption's own id.
constexpr ControlRow Ids(ValueControlIds ids, ControlRow r)
{
    r.id = ids.edit;
    r.sliderId = ids.slider;
    r.spinId = ids.spin;
    r.labelId = ids.label;
    return r;
}

// A value control of the record's field `field`.
constexpr ControlRow Param(ValueControlIds ids, unsigned captionId, ParamField field, ControlPage page,
                           EnableRule rule = EnableRule::Always, HideRule hide = HideRule::Never)
{
    return Ids(ids, {.captionId = captionId, .data = ControlData::Param, .field = field, .page = page, .rule = rule,
                     .hide = hide});
}

// The range a typed value must lie in.
constexpr ControlRow Entry(ControlRow r, ValueRange range)
{
    r.editRange = range;
    return r;
}

// The steps of the value controls that share them.
constexpr ControlRow Percent(ControlRow r)
{
    r.sliderMin = -100;
    r.sliderMax = 100;
    r.pageSize = 10;
    r.ticStep = 20;
    r.spinRange = UpDownRange{-100, 100};
    return r;
}

constexpr ControlRow Amount(ControlRow r, int min, int max, int page, int tic)
{
    r.sliderMin = min;
    r.sliderMax = max;
    r.pageSize = page;
    r.ticStep = tic;
    if (!r.spinRange)
        r.spinRange = UpDownRange{min, max};
    return r;
}

// A value of the tabbed palette only.
constexpr ControlRow TabbedAmount(ControlRow r, int min, int max, int page, int tic)
{
    r.classic = false;
    return Amount(r, min, max, page, tic);
}

// Gamma, the S/R exponent and coefficient: the exponent slider and own step.
constexpr ControlRow Exponent(ControlRow r)
{
    r.type = ValueType::Float;
    r.sliderMin = kExponentSliderMin;
    r.sliderMax = kExponentSliderMax;
    r.pageSize = kExponentSliderPage;
    r.ticStep = kExponentSliderTic;
    r.lineSize = kExponentSliderLine;
    r.initialPosition = (kExponentSliderMin + kExponentSliderMax) / 2;
    r.mapping = SliderMapping::Exponent;
    r.spinStep = SpinStepRule::Exponent;
    return r;
}

// A value of a lens or colour record: the slider, the spin and the edit take
// the record's range (a typed value outside it is refused), the steps are
// the control's own.
constexpr ControlRow Ranged(ControlRow r, IntRange range, int page, int tic)
{
    r = Amount(r, range.min, range.max, page, tic);
    r.editRange = ValueRange{double(range.min), double(range.max)};
    return r;
}

constexpr SliderRange FisheyeRange(IntRange range, int page, int tic)
{
    return {range.min, range.max, page, tic};
}

// A value of a feature editor: its caption is its palette's.
constexpr ControlRow Feature(ControlRow r, unsigned dialogId, ControlPage page)
{
    r.captionId = ControlCaption(dialogId, r.id);
    r.page = page;
    return r;
}

// A value of the lens record, with the steps of a percentage.
constexpr ControlRow LensValue(ValueControlIds ids, LensControl value, IntRange range)
{
    return Feature(Ranged(Ids(ids, {.data = DT::Lens, .item = int(value)}), range, 10, 20), IDD_LENS_BAR, P::Lens);
}

// A column of the chosen colour range.
constexpr ControlRow ColorValue(ValueControlIds ids, int column)
{
    return Feature(Ranged(Ids(ids, {.data = DT::SelectiveColor, .item = column}), kSelectiveColorRange, 10, 20),
                   IDD_SELCOLOR_BAR, P::Color);
}

constexpr ValueRange kPercentEntry{-100, 100};

constexpr ControlRow kRows[] = {
    // The parameters palettes' value controls.
    Exponent(Param(IDC_GAMMA, IDS_CAPTION_GAMMA_LOG, F::gamma, P::Adjust2)),
    Entry(Percent(Param(IDC_BRIGHTNESS, IDS_CAPTION_BRIGHTNESS, F::brightness, P::Adjust2)), kPercentEntry),
    Entry(Percent(Param(IDC_CONTRAST, IDS_CAPTION_CONTRAST, F::contrast, P::Adjust2)), kPercentEntry),
    Amount(Ids(IDC_SATURATION, {.captionId = IDS_CAPTION_SATURATION, .data = DT::Param, .field = F::saturation,
                                .shownOffset = -100, .editRange = ValueRange{-100, 300}, .page = P::Adjust2}),
           -100, 300, 10, 20),
    Entry(Percent(Param(IDC_HUE, IDS_CAPTION_HUE, F::hue, P::Adjust2)), kPercentEntry),
    Amount(Ids(IDC_WB_TEMP, {.captionId = IDS_CAPTION_COLOR_TEMP, .data = DT::Param, .field = F::wbTempt,
                             .initialPosition = 55, .scale = 100, .editRange = ValueRange{2500, 9500},
                             .spinRange = UpDownRange{2500, 9500}, .page = P::Adjust1, .rule = E::ColourTemperature}),
           25, 95, 5, 10),
    Ids(IDC_SR_MIX, {.captionId = IDS_CAPTION_SR_MIX, .data = DT::Param, .field = F::mixSR, .pageSize = 5,
                     .ticStep = 10, .initialPosition = 100, .page = P::Adjust2, .rule = E::SRMix,
                     .labelRule = E::SRNotEasy, .hide = H::Classic}),
    Ids(IDC_SR_LINEAR, {.captionId = IDS_CAPTION_THRESHOLD, .data = DT::Param, .field = F::linearSR, .pageSize = 5,
                        .ticStep = 10, .initialPosition = 100, .page = P::Adjust2, .rule = E::SRLinear,
                        .hide = H::ClassicAndSpin}),
    Exponent(Param(IDC_SR_GAMMA, IDS_CAPTION_SR_GAMMA, F::gammaSR, P::Adjust2, E::SRNotEasy, H::Classic)),
    Ids(IDC_SENSITIZE, {.captionId = IDS_CAPTION_SENSITIZATION, .data = DT::Param, .field = F::sensitize,
                        .type = ValueType::Float, .sliderMin = -40, .sliderMax = 30, .pageSize = 5, .ticStep = 10,
                        .lineSize = 2, .scale = 10, .editRange = ValueRange{kSensitizeMin, kSensitizeMax},
                        .spinRange = UpDownRange{-4, 3}, .spinStep = SpinStepRule::Sensitize, .page = P::Adjust1}),
    Exponent(Param(IDC_SR_GAMMA2, IDS_CAPTION_SR_GAMMA2, F::gammaSR2, P::Adjust2, E::SRNotEasy, H::Classic)),
    Amount(Param(IDC_MOIRE, IDS_CAPTION_MOIRE_CANCEL, F::iColorNR, P::Detail), 0, 5, 0, 1),
    // The classic palette has no room for the threshold: hidden and disabled there.
    Amount(Ids(IDC_MOIRE_THRESHOLD, {.captionId = IDS_CAPTION_THRESHOLD, .data = DT::Param,
                                     .field = F::iColorNRthreshold, .initialPosition = 100, .page = P::Detail,
                                     .rule = E::TabbedOnly, .hide = H::Classic}),
           0, 100, 5, 10),
    Amount(Ids(IDC_HARDEN, {.captionId = IDS_CAPTION_SHARPEN, .data = DT::HardenValue, .field = F::harden,
                            .page = P::Detail, .rule = E::CustomSharpness}),
           0, 100, 5, 10),
    Amount(Ids(IDC_SOFTEN, {.captionId = IDS_CAPTION_SOFTEN, .data = DT::SoftenValue, .field = F::soften,
                            .page = P::Detail, .rule = E::CustomSharpness}),
           0, 100, 5, 10),
    Percent(Param(IDC_WB_FINE_B, IDS_CAPTION_WB_FINE_B, F::WBfineTuneB, P::Adjust1, E::FineTune)),
    Percent(Param(IDC_WB_FINE_G, IDS_CAPTION_WB_FINE_G, F::WBfineTuneG, P::Adjust1, E::FineTune)),
    Percent(Param(IDC_WB_FINE_R, IDS_CAPTION_WB_FINE_R, F::WBfineTuneR, P::Adjust1, E::FineTune)),
    // Noise reduction is the tabbed palette's only.
    TabbedAmount(Param(IDC_NR_RADIUS, IDS_CAPTION_NR_RADIUS, F::NR1, P::Detail, E::NoiseReduction), 1, 5, 0, 1),
    TabbedAmount(Param(IDC_NR_AMOUNT, IDS_CAPTION_NR_AMOUNT, F::NR2, P::Detail, E::NoiseReduction), 0, 100, 5, 10),
    TabbedAmount(Param(IDC_NR_SMOOTH, IDS_CAPTION_NR_SMOOTH, F::NR3, P::Detail, E::NoiseReductionNew), 1, 200, 10, 20),
    TabbedAmount(Param(IDC_NR_EDGE, IDS_CAPTION_NR_EDGE, F::NR4, P::Detail, E::NoiseReductionNew), 1, 100, 5, 10),

    // Their checks, radios (in button order), lists, captions and pictures.
    {.kind = K::ThreeState, .id = ID_VIVID_COLOR, .captionId = IDS_CAPTION_VIVID, .data = DT::Param,
     .field = F::iEnhColor, .page = P::Adjust1},
    {.kind = K::ThreeState, .id = ID_GREEN_ENHANCER, .captionId = IDS_CAPTION_GREEN, .data = DT::Param,
     .field = F::iEnhGreen, .page = P::Adjust1},
    {.kind = K::Check, .id = ID_WB_FINETUNE, .captionId = IDS_CAPTION_WB_FINE_TUNE, .data = DT::Param,
     .field = F::WBfineTune, .page = P::Adjust1},
    {.kind = K::Check, .id = ID_EASY_SR, .captionId = IDS_CAPTION_EASY_MODE, .data = DT::Param, .field = F::easySR,
     .page = P::Adjust2, .rule = E::SRGroup, .hide = H::Always},
    {.kind = K::Check, .id = IDC_FRAME_S, .captionId = IDS_CAPTION_FRAME_S, .data = DT::Param, .field = F::sImageOn,
     .page = P::Adjust2, .rule = E::SRImages, .hide = H::Classic},
    {.kind = K::Check, .id = IDC_FRAME_R, .captionId = IDS_CAPTION_FRAME_R, .data = DT::Param, .field = F::rImageOn,
     .page = P::Adjust2, .rule = E::SRImages, .hide = H::Classic},
    {.kind = K::ThreeState, .id = ID_NOISE_REDUCTION, .captionId = IDS_CAPTION_NOISE_REDUCTION_CHECK,
     .data = DT::Param, .field = F::bNR, .page = P::Detail, .classic = false},
    Radio(IDC_ROTATE_NONE, IDS_CAPTION_ROTATE_NONE, F::rotate, 0, P::Adjust1),
    Radio(IDC_ROTATE_RIGHT, IDS_CAPTION_ROTATE_RIGHT, F::rotate, 1, P::Adjust1),
    Radio(IDC_ROTATE_LEFT, IDS_CAPTION_ROTATE_LEFT, F::rotate, 2, P::Adjust1),
    Radio(IDC_SHARPNESS_HARD, IDS_CAPTION_SHARP_HARD, F::sharpness, 0, P::Detail),
    Radio(IDC_SHARPNESS_NORMAL, IDS_CAPTION_SHARP_NORMAL, F::sharpness, 1, P::Detail),
    Radio(IDC_SHARPNESS_SOFT, IDS_CAPTION_SHARP_SOFT, F::sharpness, 2, P::Detail),
    Radio(IDC_SHARPNESS_CUSTOM, IDS_CAPTION_SHARP_CUSTOM, F::sharpness, 3, P::Detail),
    Radio(ID_TONE_GAMMA, IDS_CAPTION_GAMMA, F::bGammaLog, 0, P::Adjust2),
    Radio(ID_TONE_LOG, IDS_CAPTION_LOG, F::bGammaLog, 1, P::Adjust2),
    {.kind = K::List, .id = IDC_WB_COMBO, .captionId = IDS_CAPTION_WHITE_BALANCE, .data = DT::Param,
     .field = F::whiteBalance, .page = P::Adjust1},
    {.kind = K::List, .id = IDC_SR_TYPE, .captionId = IDS_CAPTION_SR_MIXING, .data = DT::Param, .field = F::typeSR,
     .page = P::Adjust2, .rule = E::SRNotEasy, .hide = H::Classic},
    {.kind = K::Label, .id = IDC_WB_TEMP_LOW, .captionId = IDS_CAPTION_WB_LOW_TEMP, .page = P::Adjust1,
     .rule = E::ColourTemperature},
    {.kind = K::Label, .id = IDC_WB_TEMP_MID, .captionId = IDS_CAPTION_WB_MID_TEMP, .page = P::Adjust1,
     .rule = E::ColourTemperature},
    {.kind = K::Label, .id = IDC_WB_TEMP_HIGH, .captionId = IDS_CAPTION_WB_HIGH_TEMP, .page = P::Adjust1,
     .rule = E::ColourTemperature},
    // The tabbed palette keeps the group's frame in place (its controls go
    // grey with it); the classic palette hides it.
    {.kind = K::Group, .id = IDC_SR_GROUP, .captionId = IDS_CAPTION_SR_MIXING, .page = P::Adjust2,
     .rule = E::SRGroup, .hide = H::Classic},
    {.kind = K::Picture, .id = IDC_HUE_STRIP, .captionId = IDS_CAPTION_HUES, .page = P::Adjust2},
    {.kind = K::Picture, .id = IDC_HUE_STRIP_SHIFTED, .captionId = IDS_CAPTION_HUES_SHIFTED, .page = P::Adjust2},
    // The "L", "S" and "..." buttons of the file menus.
    {.kind = K::FileMenu, .id = ID_POPUP_WB_MENU, .item = IDR_WB_MENU, .page = P::Adjust1},
    {.kind = K::FileMenu, .id = ID_POPUP_PARAMS_MENU, .item = IDR_PARAMS_MENU, .page = P::Adjust1},
    {.kind = K::FileMenu, .id = ID_POPUP_TONE_CURVE_MENU, .item = IDR_TONE_CURVE_MENU, .page = P::Curve},
    {.kind = K::FileMenu, .id = ID_POPUP_LENS_MENU, .item = IDR_LENS_MENU, .page = P::Lens},
    {.kind = K::FileMenu, .id = ID_POPUP_SELCOLOR_MENU, .item = IDR_SELCOLOR_MENU, .page = P::Color},
    {.kind = K::Tabs, .id = IDC_PARAM_TABS, .caption = "Parameter pages", .classic = false},

    // The row every palette ends with ("Mgn" on the parameters palettes only).
    {.kind = K::ThreeState, .id = IDC_CHECK_PRV, .captionId = IDS_CAPTION_PRV, .data = DT::Switch,
     .item = int(SwitchId::CheckPrv)},
    {.kind = K::Check, .id = IDC_CHECK_MGN, .captionId = IDS_CAPTION_MGN, .data = DT::Switch,
     .item = int(SwitchId::CheckMGN)},
    {.kind = K::Button, .id = ID_RESET, .captionId = IDS_CAPTION_RESET},
    {.kind = K::Button, .id = IDC_APPLY, .captionId = IDS_CAPTION_APPLY},

    // The free-curve editor.
    Feature({.kind = K::Check, .id = ID_FREECURVE_ENABLE}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Picture, .id = IDC_CURVE_PLOT}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Picture, .id = IDC_CURVE_READOUT}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Picture, .id = IDC_CURVE_APEX_LIST}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::List, .id = IDC_CURVE_CHANNEL}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Check, .id = IDC_CURVE_LINEAR}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Button, .id = ID_RESET_ALL_CHANNELS}, IDD_FREECURVE_BAR, P::Curve),
    Feature({.kind = K::Button, .id = ID_DELETE_APEX}, IDD_FREECURVE_BAR, P::Curve),

    // The lens-correction editor, in LensControl order first.
    Feature(Ranged(Ids(IDC_LENS_DISTORTION,
                       {.data = DT::Lens, .item = int(LensControl::Distortion),
                        .fisheyeRange = FisheyeRange(kFisheyeAngleRange, 12, 25),
                        .fisheyeCaptionId = ControlCaption(IDD_LENS_BAR, IDC_LENS_ANGLE_CAPTION)}),
                   kLensDistortionRange, 50, 100),
            IDD_LENS_BAR, P::Lens),
    LensValue(IDC_LENS_RED, LensControl::ChromaRed, kLensPercentRange),
    LensValue(IDC_LENS_BLUE, LensControl::ChromaBlue, kLensPercentRange),
    LensValue(IDC_LENS_AMOUNT, LensControl::VignetteAmount, kLensPercentRange),
    LensValue(IDC_LENS_MIDPOINT, LensControl::VignetteMidpoint, kLensPercentRange),
    LensValue(IDC_LENS_X, LensControl::StretchX, kLensPercentRange),
    LensValue(IDC_LENS_Y, LensControl::StretchY, kLensPercentRange),
    Feature(Ranged(Ids(IDC_LENS_COEFFICIENT,
                       {.data = DT::Lens, .item = int(LensControl::Coefficient),
                        .fisheyeRange = FisheyeRange(kFisheyeScaleRange, 30, 60),
                        .fisheyeCaptionId = ControlCaption(IDD_LENS_BAR, IDC_LENS_SCALE_CAPTION)}),
                   kLensCoefficientRange, 30, 60),
            IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Check, .id = ID_LENS_ENABLE}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Group, .id = IDC_LENS_GROUP_DISTORTION}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Group, .id = IDC_LENS_GROUP_CHROMA}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Group, .id = IDC_LENS_GROUP_VIGNETTE}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Group, .id = IDC_LENS_GROUP_PROPERTY}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Button, .id = ID_AUTO_CHROMATIC}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Check, .id = IDC_LENS_FISHEYE}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Label, .id = IDC_LENS_FOCAL_CAPTION}, IDD_LENS_BAR, P::Lens),
    Feature({.kind = K::Label, .id = IDC_LENS_MODEL_CAPTION}, IDD_LENS_BAR, P::Lens),

    // The selective-colours editor, in column order first.
    ColorValue(IDC_SELCOLOR_RED, SelectiveColorTable::Red),
    ColorValue(IDC_SELCOLOR_GREEN, SelectiveColorTable::Green),
    ColorValue(IDC_SELCOLOR_BLUE, SelectiveColorTable::Blue),
    ColorValue(IDC_SELCOLOR_BLACK, SelectiveColorTable::Black),
    Feature({.kind = K::Check, .id = ID_SELCOLOR_ENABLE}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_SWATCH}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::List, .id = IDC_SELCOLOR_RANGE}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_HUE_BEFORE}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_HUE_AFTER}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_GREY_BEFORE}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_GREY_AFTER}, IDD_SELCOLOR_BAR, P::Color),
    Feature({.kind = K::Picture, .id = IDC_SELCOLOR_MAP}, IDD_SELCOLOR_BAR, P::Color),
};

// An edit of the record takes what the record keeps: a typed value outside
// the field's range is refused with the range message, since the stored
// record and parameter files would not give it back. The edits whose range
// the palettes fix already have the same one.
constexpr bool EditsRecordField(const ControlRow& r)
{
    return r.kind == ControlKind::Value &&
           (r.data == DT::Param || r.data == DT::SoftenValue || r.data == DT::HardenValue);
}

constexpr std::array<ControlRow, std::size(kRows)> WithStoredEntries()
{
    std::array<ControlRow, std::size(kRows)> rows{};
    for (size_t i = 0; i < rows.size(); ++i) {
        ControlRow r = kRows[i];
        if (EditsRecordField(r) && !r.editRange) {
            const ParamFieldInfo& f = kTable[kIndex[size_t(r.field)]];
            r.editRange = ValueRange{f.min + r.shownOffset, f.max + r.shownOffset};
        }
        rows[i] = r;
    }
    return rows;
}

constexpr std::array<ControlRow, std::size(kRows)> kControls = WithStoredEntries();

} // namespace

size_t ParamFieldInfo::Offset() const
{
    const auto* base = reinterpret_cast<const char*>(&kProbe);
    const void* member = type == ParamType::Int ? static_cast<const void*>(&(kProbe.*intField))
                                                : static_cast<const void*>(&(kProbe.*floatField));
    return size_t(static_cast<const char*>(member) - base);
}

std::span<const ParamFieldInfo> ParamFieldTable() { return kTable; }

const ParamFieldInfo& FieldInfo(ParamField field) { return kTable[kIndex[size_t(field)]]; }

const ParamFieldInfo* FieldByFileKey(std::string_view key)
{
    for (const ParamFieldInfo& f : ParamFileFields())
        if (key == f.fileKey)
            return &f;
    return nullptr;
}

std::span<const ParamFieldInfo> ParamFileFields() { return std::span(kTable).first(kFileFields); }

std::span<const ParamFieldInfo> WhiteBalanceFields()
{
    return std::span(kTable).subspan(kWhiteBalanceFirst, kWhiteBalanceCount);
}

bool IsWhiteBalanceField(ParamField field)
{
    const size_t row = kIndex[size_t(field)];
    return row >= kWhiteBalanceFirst && row < kWhiteBalanceFirst + kWhiteBalanceCount;
}

double GetField(const DevParams& p, ParamField field)
{
    const ParamFieldInfo& f = FieldInfo(field);
    return f.type == ParamType::Int ? double(p.*f.intField) : double(p.*f.floatField);
}

void SetField(DevParams& p, ParamField field, double value)
{
    const ParamFieldInfo& f = FieldInfo(field);
    if (f.type == ParamType::Int)
        p.*f.intField = int32_t(value);
    else
        p.*f.floatField = float(value);
}

ParamFieldSet DiffFields(const DevParams& a, const DevParams& b)
{
    ParamFieldSet changed;
    for (const ParamFieldInfo& f : kTable) {
        const size_t offset = f.Offset();
        if (std::memcmp(reinterpret_cast<const char*>(&a) + offset, reinterpret_cast<const char*>(&b) + offset, 4) != 0)
            changed.set(size_t(f.id));
    }
    return changed;
}

std::string FormatFieldValue(const ParamFieldInfo& field, const DevParams& p)
{
    if (field.type == ParamType::Float)
        return FormatFloatF(p.*field.floatField);
    return std::to_string(p.*field.intField);
}

bool FieldInRange(const ParamFieldInfo& f, const DevParams& p)
{
    if (f.type == ParamType::Int) {
        const int32_t v = p.*f.intField;
        return v >= int32_t(f.min) && v <= int32_t(f.max);
    }
    const float v = p.*f.floatField;
    return std::isfinite(v) && v >= float(f.min) && v <= float(f.max);
}

int SanitizeDevParams(DevParams& p, const DevParams& fallback)
{
    int replaced = 0;
    for (const ParamFieldInfo& f : kTable) {
        if (FieldInRange(f, p))
            continue;
        if (f.type == ParamType::Int)
            p.*f.intField = fallback.*f.intField;
        else
            p.*f.floatField = fallback.*f.floatField;
        ++replaced;
    }
    return replaced;
}

DevParams DefaultParameters(int cameraFamily, bool useRafWB, const DevParams& camera)
{
    DevParams p;
    std::memset(&p, 0, sizeof p);
    for (const ParamFieldInfo& f : kTable)
        if (f.defaultKind == ParamDefault::Constant)
            SetField(p, f.id, f.defaultValue);

    struct FamilyDefaults {
        float gamma;
        int contrast, brightness, saturation;
    };
    FamilyDefaults d{1.0f, 0, 0, 100};
    switch (cameraFamily) {
    case 0: case 1: case 7: d = {1.8f, 15, 10, 125}; break;
    case 2: d = {1.8f, 20, 15, 125}; break;
    case 4: d = {1.8f, 25, 10, 125}; break;
    case 5: d = {1.8f, 20, 8, 125}; break;
    case 6: d = {1.8f, 20, 8, 110}; break;
    case 9: d = {1.8f, 15, 5, 125}; break;
    default: break;
    }
    p.gamma = d.gamma;
    p.contrast = d.contrast;
    p.brightness = d.brightness;
    p.saturation = d.saturation;
    p.gammaSR = float(FieldInfo(F::gammaSR).defaultValue);
    if (cameraFamily == 2)
        p.twoFrames = 1;
    if (cameraFamily == 4) {
        p.twoFrames = 1;
        p.gammaSR = 1.0f;
    }
    if (useRafWB) {
        p.contrast = 0;
        p.brightness = 0;
        p.saturation = (cameraFamily == 4 || cameraFamily == 9) ? 125 : 115;
        p.bGammaLog = 1;
    }

    p.exifOrientation = camera.exifOrientation;
    p.cameraWhiteBalance = camera.cameraWhiteBalance;
    p.cameraSharpness = camera.cameraSharpness;
    p.sharpness = camera.cameraSharpness;
    p.whiteBalance = useRafWB ? 0 : camera.cameraWhiteBalance;
    p.rotate = camera.exifOrientation == 6 ? 1 : camera.exifOrientation == 8 ? 2 : 0;
    return p;
}

// --- The palettes' controls -------------------------------------------------------

bool ControlRow::HasId(unsigned controlId) const
{
    return controlId != 0 && (controlId == id || controlId == sliderId || controlId == spinId || controlId == labelId);
}

std::span<const ControlRow> PaletteControls() { return kControls; }

const ControlRow* ControlRowById(unsigned id)
{
    if (id == 0)
        return nullptr;
    for (const ControlRow& row : kControls) {
        if (row.HasId(id))
            return &row;
        if (row.kind == ControlKind::FileMenu)
            if (const std::optional<FileMenuInfo> menu = ReadFileMenu(unsigned(row.item));
                menu && (menu->loadId == id || menu->saveId == id))
                return &row;
    }
    return nullptr;
}

const ControlRow* ValueControlOf(ParamField field)
{
    for (const ControlRow& row : kControls)
        if (row.kind == ControlKind::Value && row.data != ControlData::Lens &&
            row.data != ControlData::SelectiveColor && row.field == field)
            return &row;
    return nullptr;
}

const ControlRow* ControlRowFor(ControlData data, int item)
{
    for (const ControlRow& row : kControls)
        if (row.data == data && row.item == item)
            return &row;
    return nullptr;
}

std::vector<const ControlRow*> RadioRowsOf(ParamField field)
{
    std::vector<const ControlRow*> rows;
    for (const ControlRow& row : kControls)
        if (row.kind == ControlKind::Radio && row.field == field)
            rows.push_back(&row);
    return rows;
}

} // namespace velmo
