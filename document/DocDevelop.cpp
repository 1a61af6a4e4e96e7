// The document's side of development: taking the run context and rebuilding
// EXR signal-to-noise shots.
#include "develop/context/DevelopContext.h"
#include "document/VelmoDoc.h"
#include "params/GlobalSwitches.h"
#include "raw/InterpolateExr.h"

namespace velmo {

DevelopContext MakeDevelopContext(const CVelmoDoc& doc, const DevParams& params)
{
    DevelopContext ctx;
    ctx.params = params;

    const GlobalSwitches& sw = Switches();
    WhiteBalanceSource wb;
    wb.family = &doc.FamilyTable();
    wb.presets = &doc.rafPresets;
    wb.unit = doc.wbUnit;
    wb.useRafWB = sw.useRafWB.load() != 0;
    ctx.constants = MakeDevelopConstants(params, doc.drShift, wb);
    ctx.tone = AcquireToneTables(ctx.constants.ToneKey(params.bGammaLog), ctx.constants.gain);
    ctx.freeCurve = CurrentFreeCurveLut();
    ctx.selectiveColors = CurrentSelectiveColors();
    ctx.lens = CurrentLensCorrection();
    ctx.hueModel = sw.useHLS.load() ? HueModel::HLS : HueModel::HSV;

    const FeatureFlags& f = Features();
    ctx.freeCurveOn = f.freeCurve.load() != 0;
    ctx.selectiveColorOn = f.selectiveColor.load() != 0;
    ctx.lensCorrectionOn = f.lensCorrection.load() != 0;
    ctx.useOldUI = sw.useOldUI.load() != 0;
    ctx.useOldNR = sw.useOldNR.load() != 0;

    // A white level of 0 would make every value infinite; no image has it.
    ctx.whiteLevel = doc.whiteLevel != 0 ? doc.whiteLevel : 16383;
    ctx.peakRaw = static_cast<float>(doc.maxGreen);
    ctx.exrBits = doc.exrBits;
    ctx.exrMode = doc.exrMode;
    ctx.rDivisor = doc.exrMode == 2 ? doc.exrExtra : 0;
    ctx.bayer = doc.bayerFlag != 0;
    ctx.hasSecondFrame = !doc.secondFrame.empty();
    ctx.sizeMode = doc.outputOptions.sizeMode;
    return ctx;
}

DevelopContext MakeDevelopContext(const CVelmoDoc& doc)
{
    return MakeDevelopContext(doc, doc.params);
}

DevelopContext CVelmoDoc::PrepareDevelopment() const
{
    return MakeDevelopContext(*this);
}

bool CVelmoDoc::InterpolateExr(IProgress& progress)
{
    if (imageWidth <= 0 || imageHeight <= 0)
        return false;
    const uint64_t samples = uint64_t(imageWidth) * uint64_t(imageHeight) * 3;
    if (mainImage.size() < samples || secondFrame.size() < samples)
        return false;
    std::vector<uint16_t> plane = InterpolateExrPlanes(mainImage, secondFrame, imageWidth, imageHeight, progress);
    if (plane.empty())
        return false;
    mainImage = std::move(plane);
    secondFrame.clear();
    secondFrame.shrink_to_fit();
    imageWidth *= 2;
    imageHeight *= 2;
    return true;
}

} // namespace velmo
