// The document's side of the feature files (tone curve, lens correction,
// selective colours, white balance): loading them into the edit state and
// the document's load and save commands.
#include "document/DocFeatureFiles.h"

#include "document/VelmoDoc.h"
#include "params/FeatureFiles.h"
#include "params/FreeCurveStore.h"
#include "params/LensCorrectionSettings.h"
#include "params/SelectiveColorTable.h"

namespace velmo {

RecentListKind RecentListOf(FeatureKind kind)
{
    switch (kind) {
    case FeatureKind::LensCorrection: return RecentListKind::LensCorrection;
    case FeatureKind::SelectiveColors: return RecentListKind::SelectiveColors;
    case FeatureKind::FreeCurve: break;
    }
    return RecentListKind::ToneCurve;
}
// --- Loading into the edit state -----------------------------------------------

bool LoadLensCorrectionFile(CVelmoDoc& doc, const std::string& path)
{
    LensCorrectionSettings settings = doc.Edit().Lens();
    if (!ReadLensCorrectionBlock(path, settings))
        return false;
    doc.Edit().SetLens(settings);
    return true;
}

bool LoadSelectiveColorFile(CVelmoDoc& doc, const std::string& path)
{
    SelectiveColorTable table = doc.Edit().SelectiveColors();
    if (!ReadSelectiveColorBlock(path, table))
        return false;
    doc.Edit().SetSelectiveColors(table);
    return true;
}

bool CVelmoDoc::LoadFreeCurve(const std::string& path)
{
    FreeCurveStore store;
    if (!ReadFreeCurveBlock(path, store))
        return false;
    // Channels that cannot be used (too many points, x not ascending) become
    // straight lines.
    edit.SetFreeCurve(store);
    return true;
}
// --- Document commands -------------------------------------------------------------

void CVelmoDoc::ToggleFeature(FeatureKind kind)
{
    edit.ToggleFeature(kind);
}

bool CVelmoDoc::SaveFeatureFile(FeatureKind kind, const std::string& path)
{
    const int flag = edit.FeatureFlag(kind);
    bool written = false;
    std::string* remembered = nullptr;
    switch (kind) {
    case FeatureKind::FreeCurve:
        written = WriteFreeCurveFile(path, flag, edit.FreeCurve());
        remembered = &paths.toneCurve;
        break;
    case FeatureKind::LensCorrection:
        written = WriteLensCorrectionFile(path, flag, edit.Lens());
        remembered = &paths.lens;
        break;
    case FeatureKind::SelectiveColors:
        written = WriteSelectiveColorFile(path, flag, edit.SelectiveColors());
        remembered = &paths.selectiveColors;
        break;
    }
    if (!written) {
        ReportFileWriteFailure(path);
        return false;
    }
    host->AddToRecentList(RecentListOf(kind), path);
    *remembered = path;
    return true;
}

void CVelmoDoc::OnLoadToneCurve(const std::string& path) { OnOpenDocument(path); }
void CVelmoDoc::OnLoadLensCorrection(const std::string& path) { OnOpenDocument(path); }
void CVelmoDoc::OnLoadSelectiveColors(const std::string& path) { OnOpenDocument(path); }
void CVelmoDoc::OnLoadSpotWhiteBalance(const std::string& path) { OnOpenDocument(path); }

bool CVelmoDoc::OnSaveToneCurveAs(const std::string& path) { return SaveFeatureFile(FeatureKind::FreeCurve, path); }

bool CVelmoDoc::OnSaveLensCorrectionAs(const std::string& path)
{
    return SaveFeatureFile(FeatureKind::LensCorrection, path);
}

bool CVelmoDoc::OnSaveSelectiveColorsAs(const std::string& path)
{
    return SaveFeatureFile(FeatureKind::SelectiveColors, path);
}

bool CVelmoDoc::OnSaveSpotWhiteBalance(const std::string& path)
{
    if (!WriteWhiteBalanceKeys(edit.Params(), path)) {
        ReportFileWriteFailure(path);
        return false;
    }
    host->AddToRecentList(RecentListKind::WhiteBalance, path);
    paths.whiteBalance = path;
    return true;
}

} // namespace velmo
