#include "platform/core/ParallelRows.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace velmo {

namespace {

// Enough chunks to balance uneven rows over any core count, few enough that
// the per-chunk overhead stays invisible.
constexpr int kMaxChunks = 256;

std::atomic<int> g_threads{0}; // 0: the hardware default

thread_local bool t_onPoolThread = false;

int HardwareThreads()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, 256u));
}

// One ParallelRows call. It lives on the caller's stack; helpers reach it
// only while it is in the pool's queue or while they are counted as active.
struct Job {
    const RowBody* body = nullptr;
    const std::atomic<int>* cancel = nullptr;
    int rows = 0;
    int chunkSize = 1;
    int chunkCount = 0;
    int maxHelpers = 0;
    int helpers = 0; // guarded by the pool mutex

    std::atomic<int> next{0};
    std::atomic<bool> stop{false};

    std::mutex m;
    std::condition_variable changed;
    int active = 0;   // helpers inside RunChunks (guarded by m)
    int rowsDone = 0; // guarded by m
    std::exception_ptr error; // the first failure (guarded by m)

    bool HasWork() const { return !stop.load(std::memory_order_relaxed) && next.load(std::memory_order_relaxed) < chunkCount; }

    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed) != 0; }

    // Runs one chunk; false when there was none left or the job stopped.
    bool RunOne()
    {
        if (stop.load(std::memory_order_relaxed))
            return false;
        if (Cancelled()) {
            stop = true;
            return false;
        }
        const int c = next.fetch_add(1);
        if (c >= chunkCount)
            return false;
        const int begin = c * chunkSize;
        const int end = std::min(rows, begin + chunkSize);
        try {
            (*body)(begin, end);
        } catch (...) {
            std::lock_guard lock(m);
            if (!error)
                error = std::current_exception();
            stop = true;
        }
        {
            std::lock_guard lock(m);
            rowsDone += end - begin;
        }
        changed.notify_all();
        return true;
    }
};

class Pool {
public:
    ~Pool()
    {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        for (auto& t : threads)
            t.join();
    }

    void EnsureThreads(int count)
    {
        std::lock_guard lock(mutex);
        while (static_cast<int>(threads.size()) < count)
            threads.emplace_back(&Pool::Loop, this);
    }

    void Post(Job* job)
    {
        {
            std::lock_guard lock(mutex);
            queue.push_back(job);
        }
        wake.notify_all();
    }

    // After this no helper can join the job.
    void Withdraw(Job* job)
    {
        std::lock_guard lock(mutex);
        queue.erase(std::remove(queue.begin(), queue.end(), job), queue.end());
    }

private:
    Job* FindJob()
    {
        for (Job* j : queue)
            if (j->helpers < j->maxHelpers && j->HasWork())
                return j;
        return nullptr;
    }

    void Loop()
    {
        t_onPoolThread = true;
        std::unique_lock lock(mutex);
        for (;;) {
            Job* job = nullptr;
            wake.wait(lock, [&] { return quit || (job = FindJob()) != nullptr; });
            if (quit)
                return;
            ++job->helpers;
            {
                std::lock_guard jobLock(job->m);
                ++job->active;
            }
            lock.unlock();
            while (job->RunOne()) {
            }
            {
                // Notified under the lock: once the caller sees no helper
                // active it may destroy the job.
                std::lock_guard jobLock(job->m);
                --job->active;
                job->changed.notify_all();
            }
            lock.lock();
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job*> queue;
    std::vector<std::thread> threads;
    bool quit = false;
};

Pool& ThePool()
{
    static Pool pool;
    return pool;
}

bool RunInline(int rows, int chunkSize, int chunkCount, const RowBody& body, const std::atomic<int>* cancel,
               const RowsDoneFn* onRowsDone)
{
    for (int c = 0; c < chunkCount; ++c) {
        if (cancel && cancel->load(std::memory_order_relaxed) != 0)
            return false;
        const int begin = c * chunkSize;
        const int end = std::min(rows, begin + chunkSize);
        body(begin, end);
        if (onRowsDone && *onRowsDone && !(*onRowsDone)(end))
            return c + 1 == chunkCount;
    }
    return true;
}

} // namespace

void SetWorkerThreads(int count)
{
    g_threads = count > 0 ? std::min(count, 256) : 0;
}

int WorkerThreads()
{
    const int n = g_threads.load();
    return n > 0 ? n : HardwareThreads();
}

int RowChunkSize(int rows, int minRowsPerChunk)
{
    const int least = std::max(1, minRowsPerChunk);
    if (rows <= 0)
        return least;
    return std::max(least, (rows + kMaxChunks - 1) / kMaxChunks);
}

int RowChunkCount(int rows, int minRowsPerChunk)
{
    if (rows <= 0)
        return 0;
    const int size = RowChunkSize(rows, minRowsPerChunk);
    return rows / size + (rows % size != 0 ? 1 : 0);
}

bool ParallelRows(int rows, int minRowsPerChunk, const RowBody& body, const std::atomic<int>* cancel)
{
    return ParallelRows(rows, minRowsPerChunk, body, cancel, RowsDoneFn{});
}

bool ParallelRows(int rows, int minRowsPerChunk, const RowBody& body, const std::atomic<int>* cancel,
                  const RowsDoneFn& onRowsDone)
{
    if (rows <= 0)
        return !(cancel && cancel->load() != 0);
    const int chunkSize = RowChunkSize(rows, minRowsPerChunk);
    const int chunkCount = RowChunkCount(rows, minRowsPerChunk);
    const int threads = WorkerThreads();
    if (threads <= 1 || chunkCount <= 1 || t_onPoolThread)
        return RunInline(rows, chunkSize, chunkCount, body, cancel, &onRowsDone);

    Job job;
    job.body = &body;
    job.cancel = cancel;
    job.rows = rows;
    job.chunkSize = chunkSize;
    job.chunkCount = chunkCount;
    job.maxHelpers = std::min(threads - 1, chunkCount - 1);

    Pool& pool = ThePool();
    pool.EnsureThreads(threads - 1);
    pool.Post(&job);

    int reported = 0;
    bool declined = false;
    // A failing callback is treated like a failing chunk: the helpers still
    // hold the job, so it must not unwind past them.
    auto report = [&](int done) {
        if (onRowsDone && !declined && done > reported) {
            reported = done;
            bool more = false;
            try {
                more = onRowsDone(done);
            } catch (...) {
                std::lock_guard lock(job.m);
                if (!job.error)
                    job.error = std::current_exception();
            }
            if (!more) {
                declined = true;
                job.stop = true;
            }
        }
    };
    auto rowsDone = [&] {
        std::lock_guard lock(job.m);
        return job.rowsDone;
    };

    while (job.RunOne())
        report(rowsDone());
    pool.Withdraw(&job);

    {
        std::unique_lock lock(job.m);
        for (;;) {
            if (job.rowsDone > reported && onRowsDone && !declined) {
                const int done = job.rowsDone;
                lock.unlock();
                report(done);
                lock.lock();
                continue;
            }
            if (job.active == 0)
                break;
            job.changed.wait(lock);
        }
    }

    std::lock_guard lock(job.m);
    if (job.error)
        std::rethrow_exception(job.error);
    return job.rowsDone == rows;
}

} // namespace velmo
