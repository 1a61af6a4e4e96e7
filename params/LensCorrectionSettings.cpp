#include "params/LensCorrectionSettings.h"

#include <mutex>

namespace velmo {

namespace {

struct LensCorrectionSlot {
    std::mutex mutex;
    LensCorrectionSettings settings = DefaultLensCorrection();
};

LensCorrectionSlot& Slot()
{
    static LensCorrectionSlot slot;
    return slot;
}

} // namespace

LensCorrectionSettings CurrentLensCorrection()
{
    LensCorrectionSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.settings;
}

void SetLensCorrection(const LensCorrectionSettings& settings)
{
    LensCorrectionSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.settings = settings;
}

} // namespace velmo
