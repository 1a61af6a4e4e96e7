// The palettes' common rule for when an edit reaches the development: the
// apply countdown (a typed value is applied about two seconds after the last
// keystroke) and the slider gate with the three states of the "Prv" switch.
// Plain classes: the palette's 500 ms timer (ApplyTimer.h) drives Tick().
#pragma once

#include "params/ControlRow.h"

#include <functional>
#include <optional>
#include <string_view>

namespace velmo {

// The values of the "CheckPrv" switch (check box "Prv", three states).
inline constexpr int kPrvDeferred = 0; // clear: a slider change waits for the countdown
inline constexpr int kPrvLive = 1;     // checked: every thumb move develops
inline constexpr int kPrvOnRelease = 2; // indeterminate (default): develops when the slider is let go

class ApplyCountdown {
public:
    static constexpr int kTicks = 4;
    static constexpr int kTickMilliseconds = 500;

    // A parameter edit changed (EN_CHANGE): restart the wait.
    void Arm() { remaining = kTicks; }
    // Apply ran, or the pending change was taken over.
    void Cancel() { remaining = 0; }
    // One timer tick; true when the count went from 1 to 0 and the pending
    // change is to be applied now.
    bool Tick()
    {
        if (remaining == 0)
            return false;
        return --remaining == 0;
    }
    int Remaining() const { return remaining; }
    bool Pending() const { return remaining != 0; }

private:
    int remaining = 0;
};

// Whether the countdown may take what an edit holds: a value of the edit's
// type, as the data exchange reads it, within its range. A number still
// being typed ("", "-", "+", and "1." or "-." in a float edit) is not taken,
// nor a text the exchange would refuse: the countdown then waits without a
// word, and the message comes when the user leaves the edit or applies.
bool TypedValueReady(std::string_view text, ValueType type, const std::optional<ValueRange>& range);

// Whether a trackbar notification is acted on: the end of a key or mouse
// action, or every thumb move while "Prv" is checked.
bool SliderGateActs(int code, int checkPrv);

enum class SliderGateResult {
    Ignored,   // the code is not acted on
    Unchanged, // acted on, but the slider gives the value the parameter had
    Applied,   // applied at once ("Prv" checked or indeterminate)
    Deferred,  // the countdown was armed ("Prv" clear)
};

// The slider gate. takeValue reads the slider into its parameter and returns
// whether the value changed; apply develops now. An unchanged value leaves a
// pending countdown running, so a value typed just before still gets applied.
SliderGateResult RunSliderGate(int code, int checkPrv, ApplyCountdown& countdown,
                               const std::function<bool()>& takeValue, const std::function<void()>& apply);

} // namespace velmo
