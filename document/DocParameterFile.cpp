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
            const double v = ParseFloat(GetPrivateProfileString(S, f.fileKey, FormatFloatF(field), path));
            // Beyond the float range the value keeps its current one.
            if (std::fabs(v) <= FLT_MAX)
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
