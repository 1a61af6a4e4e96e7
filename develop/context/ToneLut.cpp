#include "develop/context/ToneLut.h"

#include <cmath>
#include <mutex>

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

namespace {

struct ToneTableSlot {
    std::mutex mutex;
    std::shared_ptr<const ToneTables> current;
    uint64_t builds = 0;
};

ToneTableSlot& Slot()
{
    static ToneTableSlot slot;
    return slot;
}

} // namespace

std::shared_ptr<const ToneTables> AcquireToneTables(const ToneCurveKey& key, float gain)
{
    ToneTableSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    if (slot.current && slot.current->key.Matches(key))
        return slot.current;
    // Built under the lock so that two runs asking at once build it once.
    slot.current = BuildToneTables(key, gain);
    ++slot.builds;
    return slot.current;
}

std::shared_ptr<const ToneTables> CurrentToneTables()
{
    ToneTableSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.current;
}

uint64_t ToneTableBuildCount()
{
    ToneTableSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.builds;
}

void ResetToneTables()
{
    ToneTableSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.current.reset();
}

} // namespace velmo
