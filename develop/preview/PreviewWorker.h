// The background worker that builds the screen-sized full preview.
//
// It builds from a job the user-interface thread hands it (RenderPreview's
// PreviewJob: a copy of everything the build reads and pointers to sample
// maps that change only while the worker is stopped), so it never reads the
// live edit state.
//
// The protocol, all of it under one mutex:
// - Stop sets abort and pause, then waits until no build runs. A build's
//   row loops see the abort between their chunks (the progress channel's
//   stop flag), so the wait is about one chunk, not up to the next report.
// - A build starts only when neither pause is set and a job is pending; the
//   check, clearing abort and setting busy happen under one lock, so once
//   Stop has returned no build can start until Resume.
// - A build fills a private image; it is published (and the ready hook
//   called) only when complete and neither aborted nor superseded.
// - Resume clears pause and, when no build runs and no preview is
//   published, makes the pending job from the current state.
// The thread sleeps between jobs; the destructor sets quit, abort and pause,
// wakes it and joins it.
#pragma once

#include "develop/preview/RenderPreview.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace velmo {

class PreviewWorker {
public:
    // Called on the worker thread: a progress report (percent, label; -1
    // erases, -2 shows the label alone) and the announcement that a full
    // preview was published.
    struct Hooks {
        std::function<void(int percent, const char* label)> progress;
        std::function<void()> ready;
    };
    // The job of the next build from the current state; null when there is
    // nothing to build. Called under the worker's lock.
    using JobMaker = std::function<std::shared_ptr<const PreviewJob>()>;

    // Starts the thread (below normal priority); nothing is built before the
    // first Resume.
    explicit PreviewWorker(Hooks hooks);
    // Quit, then the members go.
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;

    // Asks a running build to stop and ends the thread; nothing is built
    // afterwards. The object stays usable (Stop, Result ...) until it is
    // destroyed, so hooks still running see it whole.
    void Quit();
    // Asks a running build to stop, pauses the worker and returns once it is
    // idle. The pause stays until Resume.
    void Stop();
    // The same, waiting at most limit: false when a build still runs then
    // (it stays asked to stop, and the pause stays).
    bool Stop(std::chrono::milliseconds limit);
    void Resume(const JobMaker& makeJob);
    // The pause of modal dialogs: no new build starts while it is set (a
    // running one goes on).
    void SetDialogPause(bool paused);
    // The published preview and any job not yet started are dropped.
    void Drop();
    // The published preview; null while none is complete.
    std::shared_ptr<const FullPreviewImage> Result() const;

    // No build running and none waiting to run.
    bool Idle() const;
    bool Busy() const { return busy.load() != 0; }
    bool Paused() const { return pause.load() != 0; }
    bool AbortRequested() const { return abort.load() != 0; }
    // True on the worker's own thread.
    bool OnWorkerThread() const;

    // Counts a preview development in progress (on any thread) for as long
    // as the returned object lives; the protocol allows one at a time.
    RunCount CountRun() { return RunCount(running, peak); }
    int RunsNow() const { return running.load(); }
    int MostRunsAtOnce() const { return peak.load(); }

private:
    class WorkerProgress;
    void Loop();

    Hooks hooks;
    std::atomic<int> quit{0};
    std::atomic<int> abort{0};
    std::atomic<int> busy{0};
    std::atomic<int> pause{0};
    std::atomic<int> dialogPause{0};
    std::atomic<int> running{0};
    std::atomic<int> peak{0};
    mutable std::mutex mutex;
    std::condition_variable idle; // busy went to 0
    std::condition_variable wake; // a job, a pause or the quit flag changed
    // Guarded by mutex:
    std::shared_ptr<const PreviewJob> pendingJob;
    std::shared_ptr<const FullPreviewImage> result;
    std::thread thread; // started last
};

} // namespace velmo
