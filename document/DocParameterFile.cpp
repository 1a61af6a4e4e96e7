#include "document/DocParameterFile.h"

#include "document/DocFeatureFiles.h"
#include "document/VelmoDoc.h"
#include "params/FeatureFiles.h"
#include "params/ParamFields.h"
#include "params/ParamKeys.h"
#include "params/ParameterFile.h"
#include "platform/core/PrivateProfile.h"

#include <cfloat>
#include <cmath>
#include <string>
#include <string_view>

namespace velmo {

namespace {

constexpr const char* S = kParamFileSection;

// The flag of a feature block in a parameter file; loads the block when the
// flag is set. A block that cannot be read leaves the feature off.
template <typename Load>
void ReadFeatureBlock(EditState& edit, FeatureKind kind, const char* blockKey, const std::string& path, Load load)
{
    const bool on = GetPrivateProfileInt(S, FlagKey(blockKey), 0, path) != 0;
    edit.SetFeature(kind, on);
    if (on && !load())
        edit.SetFeature(kind, false);
}

// Whether a float key's text starts with a decimal number (after blanks and
// a sign), as the float reader takes it. Text without one would read as 0,
// which is a valid exponent: it keeps the current value instead, as a
// missing key does.
bool HoldsNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    auto digit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    return digit(i) || (i < text.size() && text[i] == '.' && digit(i + 1));
}

} // namespace

bool ReadParameterFile(const std::string& path, CVelmoDoc& doc)
{
    if (!IsReadableFile(path))
        return false;
    EditState& edit = doc.Edit();

    const int useRafWB = edit.UseRafWB() ? 1 : 0;
    const int stored = GetPrivateProfileInt(S, kUseRafWBKey, useRafWB, path) != 0 ? 1 : 0;
    if (stored != useRafWB) {
        // The palettes fill their white-balance lists again for the switch.
        edit.SetSwitch(SwitchId::UseRafWB, stored);
        doc.SetDefaultParameters();
    }

    DevParams record = edit.Params();
    record.easySR = 0;
    const DevParams before = record;
    for (const ParamFieldInfo& f : ParamFileFields()) {
        if (IsWhiteBalanceField(f.id))
            continue;
        if (f.type == ParamType::Float) {
            float& field = record.*f.floatField;
            const std::string text = GetPrivateProfileString(S, f.fileKey, FormatFloatF(field), path);
            const double v = ParseFloat(text);
            // Beyond the float range the value keeps its current one.
            if (HoldsNumber(text) && std::fabs(v) <= FLT_MAX)
                field = float(v);
        } else {
            int32_t& field = record.*f.intField;
            field = GetPrivateProfileInt(S, f.fileKey, field, path);
        }
    }
    ReadWhiteBalanceKeys(record, path, doc.FamilyTable());
    // Indices, divisors and the rotation command need their ranges.
    SanitizeDevParams(record, before);
    edit.SetParams(record);

    ReadFeatureBlock(edit, FeatureKind::FreeCurve, kFreeCurveBlockKey, path, [&] { return doc.LoadFreeCurve(path); });
    ReadFeatureBlock(edit, FeatureKind::SelectiveColors, kColorTableBlockKey, path,
                     [&] { return LoadSelectiveColorFile(doc, path); });
    ReadFeatureBlock(edit, FeatureKind::LensCorrection, kLensBlockKey, path,
                     [&] { return LoadLensCorrectionFile(doc, path); });
    return true;
}

// --- Document commands -------------------------------------------------------------

void CVelmoDoc::OnLoadParameters(const std::string& path)
{
    OnOpenDocument(path);
}

bool CVelmoDoc::OnSaveParameters()
{
    std::string path = paths.parameters;
    if (path.empty()) {
        if (paths.source.empty())
            return false;
        path = ParameterFileNameFor(paths.source);
    }
    return SaveParametersTo(path);
}

bool CVelmoDoc::OnSaveParametersAs(const std::string& path)
{
    return SaveParametersTo(path);
}

bool CVelmoDoc::SaveParametersTo(const std::string& path)
{
    if (path.empty() || !WriteParameterFile(edit, path) ||
        !WritePrivateProfileString(S, kFileNameKey, paths.source, path) || !host->WriteCropSettings(path)) {
        ReportFileWriteFailure(path);
        return false;
    }
    host->AddToRecentList(RecentListKind::Parameters, path);
    paths.parameters = path;
    return true;
}

} // namespace velmo
