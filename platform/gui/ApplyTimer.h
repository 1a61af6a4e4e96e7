// The palette's 500 ms timer that drives its apply countdown
// (DeferredApply.h): each tick counts down and applies when it reaches 0.
#pragma once

#include "platform/gui/DeferredApply.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace velmo {

class ApplyTimer final : public QObject {
public:
    // countdown must outlive the timer; apply runs on the tick that ends it.
    ApplyTimer(ApplyCountdown& countdown, std::function<void()> apply, QObject* parent = nullptr);

    void Start() { timer.start(); }
    void Stop() { timer.stop(); }
    bool IsActive() const { return timer.isActive(); }
    // One tick now (what the timer does every 500 ms).
    void Tick();

private:
    ApplyCountdown& countdown;
    std::function<void()> apply;
    QTimer timer;
};

} // namespace velmo
