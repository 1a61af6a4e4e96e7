// Hands calls made on other threads (the preview worker, the batch runner)
// to the thread that owns the hand-off, the user-interface thread. Each call
// waits in a queue guarded by a std::mutex and runs there, in the order
// posted, woken by an event that carries no data of ours and that was made
// on the owner's thread. The mutex orders everything a call reads after
// what its posting thread wrote before it, in a way that ThreadSanitizer
// checks; Qt's own event queue is guarded by locks of Qt's that it cannot
// see (Qt is not built with it), so data queued through Qt, a queued
// lambda's captures or an event made on the posting thread, reads there as
// a race.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace velmo {

class ThreadHandOff final : public QObject {
public:
    explicit ThreadHandOff(QObject* parent = nullptr);
    ~ThreadHandOff() override;

    // Any thread. Calls still waiting when the hand-off is destroyed are
    // dropped; its owner stops the posting threads before destroying it.
    void Post(std::function<void()> call);

protected:
    // The wake-up event: only its arrival counts.
    void customEvent(QEvent* event) override;

private:
    void RunPending();

    std::mutex mutex;
    std::vector<std::function<void()>> pending;
    // The next wake-up, made on this object's thread; taken (and handed to
    // Qt) by the post that finds no wake-up on its way.
    std::unique_ptr<QEvent> wakeUp;
};

} // namespace velmo
