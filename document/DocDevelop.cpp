// The document's side of development: taking the run context, developing
// regions and full-size rectangles of its image and rebuilding EXR
// signal-to-noise shots.
#include "document/DocDevelop.h"

#include "develop/passes/DevelopFull.h"
#include "develop/passes/DevelopRegion.h"
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

std::vector<uint16_t> CVelmoDoc::DevelopRegion(int x, int y, int w, int h, int outW, int outH, IProgress* progress,
                                               DevelopStatus* status) const
{
    DevelopStatus st = DevelopStatus::OutOfMemory;
    RgbPlane result;
    try {
        const DevelopContext ctx = MakeDevelopContext(*this);
        RegionSource source;
        source.sPlane = mainImage;
        source.rPlane = secondFrame;
        source.width = imageWidth;
        source.height = imageHeight;
        source.whiteLevel = whiteLevel != 0 ? whiteLevel : ctx.whiteLevel;
        source.bayer = bayerFlag != 0;
        RegionRect rect{x, y, w, h, outW, outH};
        st = ::velmo::DevelopRegion(source, rect, outputOptions.sizeMode, ctx, progress ? *progress : NoProgress(),
                                    result);
    } catch (const std::bad_alloc&) {
        result = RgbPlane{};
    }
    if (status)
        *status = st;
    return std::move(result.rgb);
}

DevelopStatus CVelmoDoc::DevelopFull(const DevelopContext& ctx, int x, int y, int w, int h, RgbPlane& image,
                                     IProgress* progress) const
{
    RegionSource source;
    source.sPlane = mainImage;
    source.rPlane = secondFrame;
    source.width = imageWidth;
    source.height = imageHeight;
    source.whiteLevel = whiteLevel != 0 ? whiteLevel : ctx.whiteLevel;
    source.bayer = bayerFlag != 0;
    return ::velmo::DevelopFull(source, FullRect{x, y, w, h}, ctx, progress ? *progress : Host().LoadProgress(),
                                image);
}

DevelopStatus CVelmoDoc::DevelopFull(int x, int y, int w, int h, RgbPlane& image, IProgress* progress) const
{
    image = RgbPlane{};
    if (!HasImage())
        return DevelopStatus::InvalidInput;
    try {
        const DevelopContext ctx = PrepareDevelopment();
        return DevelopFull(ctx, x, y, w, h, image, progress);
    } catch (const std::bad_alloc&) {
        image = RgbPlane{};
        return DevelopStatus::OutOfMemory;
    }
}

} // namespace velmo
