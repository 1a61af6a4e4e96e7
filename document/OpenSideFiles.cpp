// The side-file branches of the open dispatch: crop frames, parameter files,
// the three feature files and white balances. Each applies the file to the
// current state; none changes the document's image, path or title.
#include "document/DocFeatureFiles.h"
#include "document/DocParameterFile.h"
#include "document/VelmoDoc.h"
#include "params/FeatureFiles.h"
#include "params/ParamFields.h"
#include "params/ParamKeys.h"
#include "params/ParameterFile.h"
#include "platform/core/PrivateProfile.h"

#include <cctype>

namespace velmo {

namespace {

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    const std::string s(suffix);
    if (text.size() < s.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[text.size() - s.size() + i])) !=
            std::toupper(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

} // namespace

bool CVelmoDoc::OpenCropFrameFile(const std::string& path)
{
    // A missing file would read as "no frame" and drop the current one.
    if (!IsReadableFile(path) || !host->HasMainWindow())
        return false;
    return host->ReadCropSettings(path);
}

bool CVelmoDoc::OpenParameterFile(const std::string& path)
{
    if (!IsReadableFile(path))
        return false;
    if (!HasImage()) {
        // The image the parameters were saved for comes first.
        std::string source = GetPrivateProfileString(kParamFileSection, kFileNameKey, "", path);
        if (!source.empty()) {
            if (EndsWithNoCase(source, "VMR"))
                source.replace(source.size() - 3, 3, "RAF");
            if (!host->OpenDocumentFile(source))
                OnOpenDocument(source);
        }
    }
    const int rotateBefore = edit.Params().rotate;
    if (!ReadParameterFile(path, *this))
        return false;
    if (host->HasMainWindow())
        host->ReadCropSettings(path);
    UpdateCustomWhiteBalance();
    // The temperature rows follow the colour temperature read.
    const DevParams& p = edit.Params();
    if (p.whiteBalance == TemperaturePreset(edit.UseRafWB()))
        SetWhiteBalance(p.whiteBalance, 0, p.wbTempt);
    if ((edit.Params().rotate != 0 || edit.Params().rotate != rotateBefore) && host->HasMainWindow()) {
        host->RecalcLayout();
        host->ResendCropFrame();
    }
    OnParametersChanged();
    host->AddToRecentList(RecentListKind::Parameters, path);
    paths.parameters = path;
    return true;
}

bool CVelmoDoc::OpenFeatureFile(FeatureKind kind, const std::string& path)
{
    if (!IsReadableFile(path))
        return false;
    bool loaded = false;
    switch (kind) {
    case FeatureKind::FreeCurve: loaded = LoadFreeCurve(path); break;
    case FeatureKind::SelectiveColors: loaded = LoadSelectiveColorFile(*this, path); break;
    case FeatureKind::LensCorrection: loaded = LoadLensCorrectionFile(*this, path); break;
    }
    if (!loaded) {
        ReportFileReadFailure(path);
        return false;
    }
    host->AddToRecentList(RecentListOf(kind), path);
    switch (kind) {
    case FeatureKind::FreeCurve: paths.toneCurve = path; break;
    case FeatureKind::SelectiveColors: paths.selectiveColors = path; break;
    case FeatureKind::LensCorrection: paths.lens = path; break;
    }
    // The toggle switches the feature on, whatever its state was.
    edit.SetFeature(kind, false);
    ToggleFeature(kind);
    OnParametersChanged();
    return true;
}

bool CVelmoDoc::OpenWhiteBalanceFile(const std::string& path)
{
    if (!IsReadableFile(path))
        return false;
    // A file without any white-balance key is no white balance: refused like
    // a feature file without its block, and nothing changes.
    bool hasKey = HasParamFileKey(path, kWhiteBalanceVersionKey);
    for (const ParamFieldInfo& field : WhiteBalanceFields())
        hasKey = hasKey || HasParamFileKey(path, field.fileKey);
    if (!hasKey) {
        ReportFileReadFailure(path);
        return false;
    }
    DevParams record = edit.Params();
    if (!ReadWhiteBalanceKeys(record, path, FamilyTable()))
        return false;
    edit.SetParams(record);
    UpdateCustomWhiteBalance();
    edit.SetField(ParamField::whiteBalance, CustomPreset(edit.UseRafWB()));
    OnParametersChanged();
    host->AddToRecentList(RecentListKind::WhiteBalance, path);
    paths.whiteBalance = path;
    return true;
}

} // namespace velmo
