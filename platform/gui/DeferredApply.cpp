#include "platform/gui/DeferredApply.h"

#include "platform/gui/TrackBarCodes.h"

namespace velmo {

bool SliderGateActs(int code, int checkPrv)
{
    return code == TB_ENDTRACK || (code == TB_THUMBTRACK && checkPrv == kPrvLive);
}

SliderGateResult RunSliderGate(int code, int checkPrv, ApplyCountdown& countdown,
                               const std::function<bool()>& takeValue, const std::function<void()>& apply)
{
    if (!SliderGateActs(code, checkPrv))
        return SliderGateResult::Ignored;
    if (!takeValue())
        return SliderGateResult::Unchanged;
    if (checkPrv != kPrvDeferred) {
        countdown.Cancel();
        apply();
        return SliderGateResult::Applied;
    }
    countdown.Arm();
    return SliderGateResult::Deferred;
}

} // namespace velmo
