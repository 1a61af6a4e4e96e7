#include "platform/gui/ThreadHandOff.h"

#include <QCoreApplication>

namespace velmo {

ThreadHandOff::ThreadHandOff(QObject* parent) : QObject(parent), wakeUp(std::make_unique<QEvent>(QEvent::User)) {}

ThreadHandOff::~ThreadHandOff() = default;

void ThreadHandOff::Post(std::function<void()> call)
{
    QEvent* wake = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending.push_back(std::move(call));
        wake = wakeUp.release(); // null while a wake-up is on its way
    }
    if (wake != nullptr)
        QCoreApplication::postEvent(this, wake);
}

void ThreadHandOff::customEvent(QEvent* /*event*/)
{
    RunPending();
}

void ThreadHandOff::RunPending()
{
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.swap(pending);
        wakeUp = std::make_unique<QEvent>(QEvent::User);
    }
    for (const std::function<void()>& call : calls)
        call();
}

} // namespace velmo
