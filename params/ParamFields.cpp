#include "params/ParamFields.h"

#include "platform/core/PrivateProfile.h"

#include <array>
#include <cmath>
#include <cstring>

namespace velmo {

namespace {

using F = ParamField;
using D = ParamDefault;

constexpr ParamFieldInfo I(F id, const char* name, int32_t DevParams::*field, const char* key, double lo, double hi,
                           D kind, double def, unsigned control = 0, unsigned slider = 0, unsigned spin = 0,
                           unsigned captionId = 0, const char* caption = nullptr)
{
    return {id, name, ParamType::Int, field, nullptr, key, lo, hi, 1.0, kind, def, control, slider, spin, captionId,
            caption};
}

constexpr ParamFieldInfo R(F id, const char* name, float DevParams::*field, const char* key, double lo, double hi,
                           double step, D kind, double def, unsigned control, unsigned slider, unsigned spin,
                           unsigned captionId = 0, const char* caption = nullptr)
{
    return {id, name, ParamType::Float, nullptr, field, key, lo, hi, step, kind, def, control, slider, spin,
            captionId, caption};
}

#define FIELD(name) F::name, #name, &DevParams::name

// File order first (the order is what files show), then the unstored fields.
// Ranges are those of the palettes' controls, in the stored form (saturation
// as stored, the palettes show it minus 100); indices and divisors need them.
constexpr ParamFieldInfo kTable[] = {
    R(FIELD(gamma), "gamma", 0.001, 100.0, 0.01, D::Family, 1.0, 1613, 2111, 2212),
    R(FIELD(sensitize), "sensitize", -5.0, 3.0, 0.1, D::Constant, 0.0, 1622, 2121, 2219),
    I(FIELD(whiteBalance), "whiteBalance", 0, 12, D::Camera, 0, 1406),
    I(FIELD(wbTempt), "wbTempt", 2500, 9500, D::Constant, 5500, 1624, 2123, 2208),
    I(FIELD(contrast), "contrast", -100, 100, D::Family, 0, 1609, 2108, 2209),
    I(FIELD(brightness), "brightness", -100, 100, D::Family, 0, 1603, 2102, 2202),
    I(FIELD(saturation), "saturation", 0, 400, D::Family, 100, 1621, 2120, 2218),
    I(FIELD(hue), "hue", -100, 100, D::Constant, 0, 1616, 2114, 2215),
    I(FIELD(sharpness), "sharpness", 0, 3, D::Camera, 0, 1804),
    I(FIELD(rotate), "rotate", 0, 2, D::Camera, 0, 1813),
    R(FIELD(gammaSR), "gammaSR", 0.001, 100.0, 0.01, D::Family, 1.2, 1651, 2112, 2213, 2410, "g"),
    R(FIELD(gammaSR2), "gammaSR2", 0.001, 100.0, 0.01, D::Constant, 1.0, 1652, 2113, 2214, 2411, "n"),
    I(FIELD(mixSR), "mixSR", 0, 100, D::Constant, 50, 1653, 2116, 2216, 2415, "m"),
    I(FIELD(typeSR), "typeSR", 0, 7, D::Constant, 5, 1401),
    I(FIELD(iEnhColor), "iEnhColor", 0, 2, D::Constant, 0, 1202, 0, 0, 1202, "Vivid"),
    I(FIELD(iEnhGreen), "iEnhGreen", 0, 2, D::Constant, 0, 1203, 0, 0, 1203, "Green"),
    I(FIELD(iColorNR), "iColorNR", 0, 5, D::Constant, 1, 1608, 2107, 2207),
    I(FIELD(iColorNRthreshold), "iColorNRthreshold", 0, 100, D::Constant, 40, 1667, 2136, 2228),
    I(FIELD(soften), "soften", 0, 100, D::Constant, 0, 1660, 2130, 2222, 2416, "Soften"),
    I(FIELD(harden), "harden", 0, 100, D::Constant, 0, 1661, 2131, 2223, 2417, "Sharpen"),
    I(FIELD(ICC), "ICC", 0, 4, D::Constant, 0),
    I(FIELD(easySR), "easySR", 0, 1, D::Constant, 1, 1221, 0, 0, 1221, "Easy Mode"),
    I(FIELD(linearSR), "linearSR", 0, 100, D::Constant, 70, 1654, 2141, 2233),
    I(FIELD(bGammaLog), "bGammaLog", 0, 1, D::Switch, 0, 2613),
    I(FIELD(bNR), "bNR", 0, 2, D::Constant, 0, 1225, 0, 0, 1225, "&Noise Reduction"),
    I(FIELD(NR1), "NR1", 1, 5, D::Constant, 1, 1631, 2137, 2229, 2705, "Radius"),
    I(FIELD(NR2), "NR2", 0, 100, D::Constant, 100, 1632, 2138, 2230, 2706, "Amount"),
    I(FIELD(NR3), "NR3", 1, 200, D::Constant, 150, 1633, 2139, 2231, 2707, "Smooth"),
    I(FIELD(NR4), "NR4", 1, 100, D::Constant, 10, 1634, 2140, 2232, 2708, "Edge"),
    I(FIELD(customWB1), "customWB1", 1, 65535, D::Constant, 128),
    I(FIELD(customWB2), "customWB2", 1, 65535, D::Constant, 128),
    I(FIELD(customWB3), "customWB3", 1, 65535, D::Constant, 128),
    I(FIELD(WBfineTuneR), "WBfineTuneR", -100, 100, D::Constant, 0, 1662, 2132, 2224, 2418, "R"),
    I(FIELD(WBfineTuneG), "WBfineTuneG", -100, 100, D::Constant, 0, 1663, 2133, 2225, 2419, "G"),
    I(FIELD(WBfineTuneB), "WBfineTuneB", -100, 100, D::Constant, 0, 1664, 2134, 2226, 2420, "B"),
    I(FIELD(WBfineTune), "WBfineTune", 0, 1, D::Constant, 0, 1220, 0, 0, 1220, "FineTune"),
    // Not stored in files.
    I(FIELD(honeycomb), nullptr, 0, 1, D::Constant, 1),
    I(FIELD(reserved4), nullptr, 0, 0, D::Constant, 0),
    I(FIELD(twoFrames), nullptr, 0, 1, D::Image, 0),
    I(FIELD(cameraWhiteBalance), nullptr, 0, 12, D::Camera, 0),
    I(FIELD(exifOrientation), nullptr, 0, 8, D::Camera, 0),
    I(FIELD(cameraSharpness), nullptr, 0, 3, D::Camera, 0),
    I(FIELD(sImageOn), nullptr, 0, 1, D::Constant, 1, 1224, 0, 0, 1224, "S"),
    I(FIELD(rImageOn), nullptr, 0, 1, D::Constant, 1, 1223, 0, 0, 1223, "R"),
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

} // namespace velmo
