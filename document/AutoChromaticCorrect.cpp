#include "document/AutoChromaticCorrect.h"

#include "develop/context/DevelopContext.h"
#include "develop/preview/Magnifier.h"
#include "develop/preview/PreviewWorker.h"
#include "document/VelmoDoc.h"
#include "params/LensCorrectionSettings.h"
#include "res/StringTable.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace velmo {

namespace {

constexpr int kSearchMagnifierSize = 256;

std::string StatusText(bool aborted, double seconds)
{
    std::string text = kAutoChromaticStatus;
    if (aborted) {
        text = LoadString(kAbortedMessageId);
        if (text.empty())
            text = kAbortedText;
    }
    char elapsed[48];
    std::snprintf(elapsed, sizeof elapsed, "(%.2fsec.)", seconds);
    return text + elapsed;
}

} // namespace

FringeSums ScoreChromaticTrial(CVelmoDoc& doc, const DevelopContext& base, int chromaRed, int chromaBlue,
                               const ChromaticPointFn& beforePoint)
{
    DevelopContext ctx = base;
    ctx.lens.chromaRed = chromaRed;
    ctx.lens.chromaBlue = chromaBlue;
    ctx.lensCorrectionOn = true;

    doc.ResetFringe();
    const std::vector<PreviewPoint> points = ChromaticBorderPoints(ctx.params.rotate);
    for (size_t i = 0; i < points.size(); ++i) {
        if (beforePoint && beforePoint(int(i)))
            break;
        doc.SetMagnifierCentre(points[i].x, points[i].y);
        doc.KeepMagnifierInside();
        doc.UpdateMagnifier(ctx);
    }
    return doc.Fringe();
}

void CVelmoDoc::OnAutoChromaticCorrect()
{
    if (!HasImage())
        return;
    const auto start = std::chrono::steady_clock::now();
    const int savedX = magnifierX;
    const int savedY = magnifierY;
    pumpMessages = 1;

    // Preparations that stay in force: a full-size square, the lens
    // correction on and the magnifier at 256.
    if (IsPreviewSizeMode(outputOptions.sizeMode)) {
        const bool wasPaused = worker->Paused();
        StopWorker();
        outputOptions.sizeMode &= 8; // full size, keeping the Bayer-type bit
        saveCache.Drop();
        DropFullPreview();
        host->RecalcLayout();
        if (!wasPaused)
            ResumeWorker();
    }
    if (!edit.FeatureOn(FeatureKind::LensCorrection))
        ToggleFeature(FeatureKind::LensCorrection);
    if (edit.Switch(SwitchId::MagnifierSize) != kSearchMagnifierSize) {
        edit.SetSwitch(SwitchId::MagnifierSize, kSearchMagnifierSize);
        UpdateMagnifier();
    }
    host->BeginChromaticSearch();

    // One context for the whole search (the main window is disabled, nothing
    // else changes); every trial replaces only the two lens values.
    const DevelopContext base = PrepareDevelopment();
    int renders = 0;
    bool aborted = false;
    auto beforePoint = [&](int) {
        const int percent = renders * 100 / kChromaticProgressRenders;
        ++renders;
        if (host->ChromaticSearchProgress(percent))
            aborted = true;
        return aborted;
    };
    const ChromaticSearchResult result = SearchChromaticAberration(
        [&](int red, int blue) { return ScoreChromaticTrial(*this, base, red, blue, beforePoint); },
        [&] { return aborted; });

    LensCorrectionSettings lens = edit.Lens();
    lens.chromaRed = result.chromaRed;
    lens.chromaBlue = result.chromaBlue;
    edit.SetLens(lens);
    host->RefreshFeaturePalettes(FeatureKind::LensCorrection);
    // The preview, the full preview and a cached developed image were made
    // with the old values.
    {
        const bool wasPaused = worker->Paused();
        StopWorker();
        saveCache.Drop();
        DropFullPreview();
        if (!wasPaused)
            ResumeWorker();
    }
    pumpMessages = 0;

    Progress(-1, nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    host->SetStatusText(StatusText(result.aborted || aborted, seconds));
    host->EndChromaticSearch();

    SetMagnifierCentre(savedX, savedY);
    UpdateMagnifier();
    host->UpdateAllViews();
}

} // namespace velmo
