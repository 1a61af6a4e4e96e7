#include "platform/gui/ApplyTimer.h"

namespace velmo {

ApplyTimer::ApplyTimer(ApplyCountdown& applyCountdown, std::function<void()> applyNow, QObject* parent)
    : QObject(parent), countdown(applyCountdown), apply(std::move(applyNow))
{
    timer.setInterval(ApplyCountdown::kTickMilliseconds);
    connect(&timer, &QTimer::timeout, this, [this] { Tick(); });
}

void ApplyTimer::Tick()
{
    if (countdown.Tick() && apply)
        apply();
}

} // namespace velmo
