#include "develop/context/MakeContext.h"

namespace velmo {

std::shared_ptr<const ToneTables> DevelopTables::Tone(const ToneCurveKey& key, float gain)
{
    std::lock_guard lock(mutex);
    if (tone && tone->key.Matches(key))
        return tone;
    // Built under the lock so that two runs asking at once build it once.
    tone = BuildToneTables(key, gain);
    ++toneBuilds;
    return tone;
}

std::shared_ptr<const FreeCurveLut> DevelopTables::FreeCurve(const FreeCurvePoints& points)
{
    std::lock_guard lock(mutex);
    if (curve && curvePoints == points)
        return curve;
    curve = MakeFreeCurveLut(points);
    curvePoints = points;
    ++curveBuilds;
    return curve;
}

uint64_t DevelopTables::ToneBuilds() const
{
    std::lock_guard lock(mutex);
    return toneBuilds;
}

uint64_t DevelopTables::FreeCurveBuilds() const
{
    std::lock_guard lock(mutex);
    return curveBuilds;
}

DevelopContext MakeDevelopContext(const DevParams& params, const EditState& edit, const DevelopImageInfo& image,
                                  int sizeMode, DevelopTables& tables)
{
    DevelopContext ctx;
    ctx.params = params;

    WhiteBalanceSource wb;
    wb.family = image.family;
    wb.presets = image.presets;
    wb.unit = image.wbUnit;
    wb.useRafWB = edit.UseRafWB();
    ctx.constants = MakeDevelopConstants(params, image.drShift, wb);
    ctx.tone = tables.Tone(ctx.constants.ToneKey(params.bGammaLog), ctx.constants.gain);
    ctx.freeCurveOn = edit.FeatureOn(FeatureKind::FreeCurve);
    ctx.freeCurve = ctx.freeCurveOn ? tables.FreeCurve(edit.FreeCurvePointSet()) : FreeCurveLut::Identity();
    ctx.selectiveColors = edit.SelectiveColors();
    ctx.lens = edit.Lens();
    ctx.hueModel = edit.Hue();
    ctx.selectiveColorOn = edit.FeatureOn(FeatureKind::SelectiveColors);
    ctx.lensCorrectionOn = edit.FeatureOn(FeatureKind::LensCorrection);
    ctx.useOldUI = edit.Switch(SwitchId::UseOldUI) != 0;
    ctx.useOldNR = edit.Switch(SwitchId::UseOldNR) != 0;

    // A white level of 0 would make every value infinite; no image has it.
    ctx.whiteLevel = image.whiteLevel != 0 ? image.whiteLevel : 16383;
    ctx.peakRaw = static_cast<float>(image.maxGreen);
    ctx.exrBits = image.exrBits;
    ctx.exrMode = image.exrMode;
    ctx.rDivisor = image.exrMode == 2 ? image.exrExtra : 0;
    ctx.bayer = image.bayer;
    ctx.hasSecondFrame = image.hasSecondFrame;
    ctx.sizeMode = sizeMode;
    return ctx;
}

} // namespace velmo
