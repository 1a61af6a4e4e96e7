#include "develop/preview/PreviewWorker.h"

#include "platform/core/PassRunner.h"

#include <algorithm>
#include <cerrno>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace velmo {

namespace {

// The worker whose loop runs on this thread.
thread_local const PreviewWorker* currentWorker = nullptr;

// Below normal priority, as the worker of an interactive program should run:
// a nice value 5 above the process's for this thread only. The row helpers
// it hands chunks to are shared and keep their priority.
void LowerThisThreadsPriority()
{
#if defined(__linux__)
    const id_t self = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, self);
    if (errno == 0)
        setpriority(PRIO_PROCESS, self, std::min(nice + 5, 19));
#endif
}

} // namespace

// Reports go to the progress hook; the answer is the abort request.
class PreviewWorker::WorkerProgress final : public IProgress {
public:
    explicit WorkerProgress(PreviewWorker& w) : worker(w) {}
    int Report(int percent, const char* label) override
    {
        if (worker.hooks.progress)
            worker.hooks.progress(percent, label);
        return worker.abort.load();
    }
    const std::atomic<int>* StopFlag() const override { return &worker.abort; }

private:
    PreviewWorker& worker;
};

PreviewWorker::PreviewWorker(Hooks h) : hooks(std::move(h))
{
    thread = std::thread([this] { Loop(); });
}

PreviewWorker::~PreviewWorker() { Quit(); }

void PreviewWorker::Quit()
{
    {
        std::lock_guard lock(mutex);
        quit = 1;
        abort = 1;
        pause = 1;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

void PreviewWorker::Loop()
{
    LowerThisThreadsPriority();
    currentWorker = this;
    WorkerProgress progress(*this);
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] {
            return quit.load() != 0 || (pause.load() == 0 && dialogPause.load() == 0 && pendingJob != nullptr);
        });
        if (quit.load() != 0)
            break;
        abort = 0;
        const std::shared_ptr<const PreviewJob> job = pendingJob;
        busy = 1;
        lock.unlock();

        auto image = std::make_shared<FullPreviewImage>();
        const int rotate = job->ctx.params.rotate;
        image->width = PreviewOutputWidth(job->options, rotate);
        image->height = PreviewOutputHeight(job->options, rotate);
        image->rotated = rotate == 1 || rotate == 2;
        DevelopStatus status = DevelopStatus::OutOfMemory;
        progress.Report(-2, kAllocatingMemory);
        if (TryAssign(image->bgr, uint64_t(image->width) * uint64_t(image->height) * 3, uint8_t(0))) {
            const RunCount count = CountRun();
            PreviewOutput out;
            out.bits = image->bgr.data();
            status = RenderPreview(*job, progress, out);
        }

        lock.lock();
        const bool current = pendingJob == job;
        const bool publish = status == DevelopStatus::Ok && current && abort.load() == 0 && quit.load() == 0;
        if (publish)
            result = std::move(image);
        // An aborted job stays pending for the next resume; one that cannot
        // be built at all is not tried again.
        if (current && status != DevelopStatus::Aborted)
            pendingJob.reset();
        lock.unlock();

        // Still busy: Stop (and so the destructor) waits for the hooks.
        if (publish) {
            if (hooks.ready)
                hooks.ready();
        } else {
            progress.Report(-1, nullptr);
        }

        lock.lock();
        busy = 0;
        idle.notify_all();
    }
    busy = 0;
    idle.notify_all();
    currentWorker = nullptr;
}

void PreviewWorker::Stop()
{
    std::unique_lock lock(mutex);
    abort = 1;
    pause = 1;
    idle.wait(lock, [this] { return busy.load() == 0; });
}

bool PreviewWorker::Stop(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    abort = 1;
    pause = 1;
    return idle.wait_for(lock, limit, [this] { return busy.load() == 0; });
}

void PreviewWorker::Resume(const JobMaker& makeJob)
{
    {
        std::lock_guard lock(mutex);
        pause = 0;
        // A build that runs (nothing had paused it) carries on.
        if (busy.load() == 0)
            pendingJob = result == nullptr && makeJob ? makeJob() : nullptr;
    }
    wake.notify_all();
}

void PreviewWorker::SetDialogPause(bool paused)
{
    {
        std::lock_guard lock(mutex);
        dialogPause = paused ? 1 : 0;
    }
    wake.notify_all();
}

void PreviewWorker::Drop()
{
    std::lock_guard lock(mutex);
    result.reset();
    pendingJob.reset();
}

std::shared_ptr<const FullPreviewImage> PreviewWorker::Result() const
{
    std::lock_guard lock(mutex);
    return result;
}

bool PreviewWorker::Idle() const
{
    std::lock_guard lock(mutex);
    return busy.load() == 0 && pendingJob == nullptr;
}

bool PreviewWorker::OnWorkerThread() const { return currentWorker == this; }

} // namespace velmo
