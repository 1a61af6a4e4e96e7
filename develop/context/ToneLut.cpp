#include "develop/context/ToneLut.h"

#include <cmath>

namespace velmo {

bool ToneCurveKey::Matches(const ToneCurveKey& o) const
{
    // Float == is false for NaN, so a NaN key always rebuilds.
    return curveExponent == o.curveExponent && logNorm == o.logNorm && contrastSlope == o.contrastSlope &&
           contrastOffset == o.contrastOffset && logMode == o.logMode;
}

std::shared_ptr<const ToneTables> BuildToneTables(const ToneCurveKey& key, float gain)
{
    auto t = std::make_shared<ToneTables>();
    t->key = key;
    t->gain = gain;
    const bool identityLog = key.logMode != 0 && key.logNorm == 0.0f;
    for (int i = 0; i < ToneTables::kSize; ++i) {
        const float x = static_cast<float>(i) / 65535.0f;
        float u;
        if (key.logMode == 0)
            u = std::pow(x, key.curveExponent);
        else if (identityLog)
            u = x;
        else
            u = std::log(1.0f + x * key.curveExponent) / key.logNorm;
        float w = u * key.contrastSlope + key.contrastOffset;
        if (!(w > 0.0f))
            w = 0.0f; // also NaN
        else if (w > 1.0f)
            w = 1.0f;
        t->toneLut[i] = w;
        t->toneLut16[i] = static_cast<uint16_t>(w * 65535.0f + 0.5f);
    }
    return t;
}

std::shared_ptr<const ToneTables> IdentityToneTables()
{
    static const std::shared_ptr<const ToneTables> identity = [] {
        ToneCurveKey key;
        key.curveExponent = 1.0f;
        key.logNorm = std::log(2.0f);
        key.contrastSlope = 1.0f;
        key.contrastOffset = 0.0f;
        key.logMode = 0;
        return BuildToneTables(key, 1.0f);
    }();
    return identity;
}

} // namespace velmo
