#include "develop/context/MakeContext.h"

#include "raw/WhiteBalanceData.h"

#include <algorithm>

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

RafWhiteBalancePresets EditedRafPresets(const RafWhiteBalancePresets& loaded, const DevParams& params,
                                        const FamilyWhiteBalanceTable& temperatureReference)
{
    RafWhiteBalancePresets presets = loaded;
    const int64_t r = std::max<int64_t>(params.customWB1, 1);
    const int64_t g = std::max<int64_t>(params.customWB2, 1);
    const int64_t b = std::max<int64_t>(params.customWB3, 1);
    const uint16_t* p0 = loaded.rows[0];
    const int64_t f = (r + g + b) / 3 * ((int64_t(p0[0]) + p0[1] + p0[3]) / 3);
    auto word = [](int64_t v) { return uint16_t(std::clamp<int64_t>(v, 0, 65535)); };
    uint16_t* row11 = presets.rows[RafWhiteBalancePresets::kCustomRow];
    row11[0] = word(f / g);
    row11[1] = word(f / r);
    row11[2] = word(f / g);
    row11[3] = word(f / b);

    using C = FamilyWhiteBalanceTable::Column;
    const std::array<int, 3> t = TemperatureRgb(params.wbTempt);
    const int32_t* ref = temperatureReference.rows[0];
    auto div = [](int64_t num, int32_t den) { return den != 0 ? num / den : 0; };
    const uint16_t* d = loaded.rows[1];
    uint16_t* row12 = presets.rows[RafWhiteBalancePresets::kTemperatureRow];
    row12[0] = uint16_t(div(int64_t(d[0]) * t[1], ref[C::G]));
    row12[1] = uint16_t(div(int64_t(d[1]) * t[0], ref[C::R]));
    row12[2] = uint16_t(div(int64_t(d[2]) * t[1], ref[C::G]));
    row12[3] = uint16_t(div(int64_t(d[3]) * t[2], ref[C::B]));
    return presets;
}

DevelopContext MakeDevelopContext(const DevParams& params, const EditState& edit, const DevelopImageInfo& image,
                                  int sizeMode, DevelopTables& tables)
{
    DevelopContext ctx;
    ctx.params = params;

    // The gains are computed here, so the presets need to live only as long.
    RafWhiteBalancePresets presets;
    WhiteBalanceSource wb;
    wb.family = image.family;
    wb.presets = image.presets;
    if (image.presets != nullptr && image.temperatureReference != nullptr) {
        presets = EditedRafPresets(*image.presets, params, *image.temperatureReference);
        wb.presets = &presets;
    }
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
