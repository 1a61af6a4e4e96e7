#include "platform/gui/DeferredApply.h"

#include "platform/gui/DataExchange.h"
#include "platform/gui/TrackBarCodes.h"

namespace velmo {

bool TypedValueReady(std::string_view text, ValueType type, const std::optional<ValueRange>& range)
{
    // The range checks compare as DDV_MinMaxInt and DDV_MinMaxFloat do.
    if (type == ValueType::Int) {
        const std::optional<int> v = ParseIntText(text);
        return v && (!range || (*v >= int(range->min) && *v <= int(range->max)));
    }
    const std::optional<float> v = ParseFloatText(text);
    if (!v)
        return false;
    // "1." reads as 1, but the user is on the way to "1.5": taken now, the
    // edit would show "1" again and the next digit would make it 15.
    const size_t last = text.find_last_not_of(" \t");
    if (last != std::string_view::npos && text[last] == '.')
        return false;
    return !range || (*v >= float(range->min) && *v <= float(range->max));
}

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
