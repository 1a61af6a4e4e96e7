// The document's background worker and the progress channel.
//
// The worker builds the screen-sized full preview from a job that the
// user-interface thread hands it under workerMutex: a copy of everything the
// build reads (run context, transform snapshot, options) and pointers to the
// full-preview sample maps, which change only while the worker is stopped.
// So the worker never reads the live parameter record.
//
// The protocol, all of it under workerMutex:
// - StopWorker sets abort and pause, then waits on workerIdle until busy is 0.
// - The worker starts only when neither pause is set and a job is pending;
//   the check, clearing abort and setting busy happen under one lock, so once
//   StopWorker has seen busy 0 no build can start until ResumeWorker.
// - A build fills a private image; it is published (and "ready" posted) only
//   when complete and neither aborted nor superseded.
// - ResumeWorker clears pause and, when the worker is idle, replaces the
//   pending job by one of the current state (none when nothing is to build).
// The worker sleeps on workerWake between jobs; the destructor sets quit,
// abort and pause, wakes it and joins it.
#include "develop/colour/ColorManagement.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"

#include <algorithm>
#include <cerrno>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace velmo {

namespace {

// The document whose worker runs on this thread.
thread_local const CVelmoDoc* currentWorker = nullptr;

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

void CVelmoDoc::StartWorker()
{
    worker = std::thread(&CVelmoDoc::DevelopThreadProc, this);
}

int CVelmoDoc::DevelopThreadProc(CVelmoDoc* doc)
{
    return doc->FullPreviewWorker();
}

int CVelmoDoc::FullPreviewWorker()
{
    LowerThisThreadsPriority();
    currentWorker = this;
    std::unique_lock lock(workerMutex);
    for (;;) {
        workerWake.wait(lock, [this] {
            return quitFlag.load() != 0 || (pauseFlag.load() == 0 && pauseFlag2.load() == 0 && pendingJob != nullptr);
        });
        if (quitFlag.load() != 0)
            break;
        abortRequest = 0;
        const std::shared_ptr<const PreviewJob> job = pendingJob;
        busyFlag = 1;
        lock.unlock();

        auto image = std::make_shared<FullPreviewImage>();
        const int rotate = job->ctx.params.rotate;
        image->width = PreviewOutputWidth(job->options, rotate);
        image->height = PreviewOutputHeight(job->options, rotate);
        image->rotated = rotate == 1 || rotate == 2;
        DevelopStatus status = DevelopStatus::OutOfMemory;
        Progress(-2, kAllocatingMemory, -1);
        if (TryAssign(image->bgr, uint64_t(image->width) * uint64_t(image->height) * 3, uint8_t(0))) {
            const RunCount count(developmentsRunning, developmentsPeak);
            PreviewOutput out;
            out.bits = image->bgr.data();
            status = RenderPreview(*job, progressChannel, out);
        }

        lock.lock();
        const bool current = pendingJob == job;
        const bool publish = status == DevelopStatus::Ok && current && abortRequest.load() == 0 && quitFlag.load() == 0;
        if (publish)
            fullPreview = std::move(image);
        // An aborted job stays pending for the next resume; one that cannot
        // be built at all is not tried again.
        if (current && status != DevelopStatus::Aborted)
            pendingJob.reset();
        lock.unlock();

        // Still busy: StopWorker (and so the destructor) waits for the posts.
        if (publish)
            host->PostFullPreviewReady();
        else
            Progress(-1, nullptr, -1);

        lock.lock();
        busyFlag = 0;
        workerIdle.notify_all();
    }
    busyFlag = 0;
    workerIdle.notify_all();
    currentWorker = nullptr;
    return 0;
}

void CVelmoDoc::WaitWhileBusy()
{
    std::unique_lock lock(workerMutex);
    workerIdle.wait(lock, [this] { return busyFlag.load() == 0; });
}

void CVelmoDoc::StopWorker()
{
    {
        std::lock_guard lock(workerMutex);
        abortRequest = 1;
        pauseFlag = 1;
    }
    WaitWhileBusy();
}

void CVelmoDoc::ResumeWorker()
{
    {
        std::lock_guard lock(workerMutex);
        pauseFlag = 0;
        // A build that runs (nothing had paused it) carries on.
        if (busyFlag.load() == 0)
            pendingJob = MakeFullPreviewJobLocked();
    }
    workerWake.notify_all();
}

void CVelmoDoc::SetDialogPause(bool paused)
{
    {
        std::lock_guard lock(workerMutex);
        pauseFlag2 = paused ? 1 : 0;
    }
    workerWake.notify_all();
}

bool CVelmoDoc::WorkerIdle() const
{
    std::lock_guard lock(workerMutex);
    return busyFlag.load() == 0 && pendingJob == nullptr;
}

std::shared_ptr<const FullPreviewImage> CVelmoDoc::FullPreview() const
{
    std::lock_guard lock(workerMutex);
    return fullPreview;
}

void CVelmoDoc::DropFullPreview()
{
    std::lock_guard lock(workerMutex);
    fullPreview.reset();
    pendingJob.reset();
}

std::shared_ptr<const PreviewJob> CVelmoDoc::MakeFullPreviewJobLocked()
{
    if ((outputOptions.sizeMode & 7) == 3 || !HasImage() || fullPreview != nullptr)
        return nullptr;
    auto job = std::make_shared<PreviewJob>(MakePreviewJob(fullWidth, fullHeight, true));
    if (job->source.sMap == nullptr)
        return nullptr;
    return job;
}

int CVelmoDoc::Progress(int percent, const char* label, int /*area*/)
{
    if (currentWorker == this) {
        if (host->HasMainWindow())
            host->PostWorkerProgress(percent, label != nullptr ? label : "");
        return abortRequest.load();
    }
    if (host->HasMainWindow())
        host->LoadProgress().Report(percent, label);
    return 0;
}

IProgress& CVelmoDoc::ProgressChannel()
{
    return progressChannel;
}

} // namespace velmo
