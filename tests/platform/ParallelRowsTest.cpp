#include "platform/core/ParallelRows.h"
#include "platform/core/PassRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace velmo {
namespace {

// Restores the process-wide thread count after each test.
class ParallelRowsTest : public ::testing::Test {
protected:
    void TearDown() override { SetWorkerThreads(0); }
};

std::vector<std::pair<int, int>> ChunksSeen(int rows, int minRows, int threads)
{
    SetWorkerThreads(threads);
    std::mutex m;
    std::vector<std::pair<int, int>> seen;
    EXPECT_TRUE(ParallelRows(rows, minRows, [&](int b, int e) {
        std::lock_guard lock(m);
        seen.emplace_back(b, e);
    }));
    std::sort(seen.begin(), seen.end());
    return seen;
}

TEST_F(ParallelRowsTest, EveryRowOnceInTheSameChunksForAnyThreadCount)
{
    struct Case {
        int rows, minRows;
    } cases[] = {{1, 1}, {7, 1}, {64, 8}, {100, 64}, {1000, 1}, {3080, 16}, {100000, 4}};
    for (const Case& c : cases) {
        const auto one = ChunksSeen(c.rows, c.minRows, 1);
        ASSERT_EQ(static_cast<int>(one.size()), RowChunkCount(c.rows, c.minRows)) << c.rows;
        int expectBegin = 0;
        for (const auto& [b, e] : one) {
            EXPECT_EQ(b, expectBegin) << c.rows;
            EXPECT_GT(e, b);
            if (e < c.rows) { // only the last chunk may be short
                EXPECT_EQ(e - b, RowChunkSize(c.rows, c.minRows));
            }
            EXPECT_GE(RowChunkSize(c.rows, c.minRows), c.minRows);
            expectBegin = e;
        }
        EXPECT_EQ(expectBegin, c.rows);
        for (int threads : {2, 3, 8, 17})
            EXPECT_EQ(ChunksSeen(c.rows, c.minRows, threads), one) << c.rows << " rows, " << threads << " threads";
    }
}

TEST_F(ParallelRowsTest, NoRowsRunsNothing)
{
    int calls = 0;
    EXPECT_TRUE(ParallelRows(0, 4, [&](int, int) { ++calls; }));
    EXPECT_TRUE(ParallelRows(-5, 4, [&](int, int) { ++calls; }));
    EXPECT_EQ(calls, 0);
}

TEST_F(ParallelRowsTest, ReductionIsCombinedInChunkOrder)
{
    // A float sum depends on the order of its terms, and appending does too:
    // both must come out the same for every thread count.
    std::vector<float> values(5000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = std::sin(static_cast<float>(i)) * 1e4f + 1e-3f * static_cast<float>(i);
    auto sum = [&](int b, int e) {
        float s = 0.0f;
        for (int i = b; i < e; ++i)
            s += values[static_cast<size_t>(i)];
        return s;
    };
    auto order = [](int b, int) { return std::vector<int>{b}; };
    auto append = [](std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };

    SetWorkerThreads(1);
    float serial = 0.0f;
    ASSERT_TRUE(ParallelReduceRows(5000, 3, 0.0f, sum, std::plus<float>(), &serial));
    std::vector<int> serialOrder;
    ASSERT_TRUE(ParallelReduceRows(5000, 3, std::vector<int>{}, order, append, &serialOrder));
    EXPECT_TRUE(std::is_sorted(serialOrder.begin(), serialOrder.end()));

    for (int threads : {2, 8, 16}) {
        SetWorkerThreads(threads);
        float parallel = -1.0f;
        ASSERT_TRUE(ParallelReduceRows(5000, 3, 0.0f, sum, std::plus<float>(), &parallel));
        EXPECT_EQ(std::memcmp(&parallel, &serial, sizeof(float)), 0) << threads;
        std::vector<int> parallelOrder;
        ASSERT_TRUE(ParallelReduceRows(5000, 3, std::vector<int>{}, order, append, &parallelOrder));
        EXPECT_EQ(parallelOrder, serialOrder) << threads;
    }
}

TEST_F(ParallelRowsTest, CancelStopsBetweenChunks)
{
    for (int threads : {1, 4}) {
        SetWorkerThreads(threads);
        std::atomic<int> cancel{0};
        std::atomic<int> chunks{0};
        const bool done = ParallelRows(
            1000, 1,
            [&](int b, int) {
                ++chunks;
                if (b >= 100)
                    cancel = 1;
            },
            &cancel);
        EXPECT_FALSE(done) << threads;
        EXPECT_LT(chunks.load(), RowChunkCount(1000, 1)) << threads;
        if (threads == 1) {
            // The chunk holding row 100 sets the flag; none after it starts.
            EXPECT_EQ(chunks.load(), 100 / RowChunkSize(1000, 1) + 1);
        }

        // Already cancelled: nothing runs.
        chunks = 0;
        EXPECT_FALSE(ParallelRows(1000, 1, [&](int, int) { ++chunks; }, &cancel)) << threads;
        EXPECT_EQ(chunks.load(), 0);
    }
}

TEST_F(ParallelRowsTest, RowsDoneIsReportedOnTheCallingThreadAndCanCancel)
{
    for (int threads : {1, 6}) {
        SetWorkerThreads(threads);
        const auto caller = std::this_thread::get_id();
        std::vector<int> reports;
        bool otherThread = false;
        EXPECT_TRUE(ParallelRows(
            777, 5, [](int, int) {}, nullptr,
            [&](int done) {
                otherThread |= std::this_thread::get_id() != caller;
                reports.push_back(done);
                return true;
            }));
        EXPECT_FALSE(otherThread);
        ASSERT_FALSE(reports.empty());
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
        EXPECT_EQ(reports.back(), 777);

        // Helper threads hold their chunks past row 50 until the caller has
        // declined, so that a busy machine cannot let them finish the whole
        // loop before the calling thread reports (the bound only keeps a
        // broken cancel from hanging the test).
        std::atomic<int> chunks{0};
        std::atomic<bool> declined{false};
        EXPECT_FALSE(ParallelRows(
            777, 1,
            [&](int begin, int) {
                ++chunks;
                if (begin < 50 || std::this_thread::get_id() == caller)
                    return;
                for (int i = 0; i < 5000 && !declined; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            nullptr,
            [&](int done) {
                if (done < 50)
                    return true;
                declined = true;
                return false;
            }))
            << threads;
        EXPECT_LT(chunks.load(), RowChunkCount(777, 1));
    }
}

TEST_F(ParallelRowsTest, ExceptionReachesTheCallerAfterEveryChunkStopped)
{
    for (int threads : {1, 4}) {
        SetWorkerThreads(threads);
        std::atomic<int> running{0};
        std::atomic<int> chunks{0};
        std::atomic<bool> thrown{false};
        EXPECT_THROW(ParallelRows(2000, 1,
                                  [&](int b, int) {
                                      ++running;
                                      ++chunks;
                                      if (thrown)
                                          std::this_thread::sleep_for(std::chrono::microseconds(200));
                                      if (b == RowChunkSize(2000, 1) * 3) {
                                          thrown = true;
                                          --running;
                                          throw std::runtime_error("chunk failed");
                                      }
                                      --running;
                                  }),
                     std::runtime_error);
        EXPECT_EQ(running.load(), 0) << "a chunk was still running when the call returned";
        EXPECT_LT(chunks.load(), RowChunkCount(2000, 1)) << threads;
        if (threads == 1) {
            EXPECT_EQ(chunks.load(), 4);
        }
    }
}

TEST_F(ParallelRowsTest, FailingRowsDoneCallbackStopsTheLoopLikeAFailingChunk)
{
    for (int threads : {1, 4}) {
        SetWorkerThreads(threads);
        std::atomic<int> running{0};
        EXPECT_THROW(ParallelRows(
                         3000, 1,
                         [&](int, int) {
                             ++running;
                             std::this_thread::sleep_for(std::chrono::microseconds(50));
                             --running;
                         },
                         nullptr,
                         [](int done) -> bool {
                             if (done > 100)
                                 throw std::runtime_error("report failed");
                             return true;
                         }),
                     std::runtime_error);
        EXPECT_EQ(running.load(), 0) << threads;
    }
}

TEST_F(ParallelRowsTest, TwoCallersAtOnceAndNestedCalls)
{
    SetWorkerThreads(4);
    auto sumOfRows = [](int rows) {
        long long total = 0;
        EXPECT_TRUE(ParallelReduceRows(
            rows, 2, 0LL,
            [](int b, int e) {
                long long s = 0;
                for (int i = b; i < e; ++i) {
                    // A nested loop inside every chunk: it must run, not wait.
                    long long inner = 0;
                    EXPECT_TRUE(ParallelReduceRows(
                        8, 1, 0LL, [](int ib, int ie) { return static_cast<long long>(ie - ib); },
                        std::plus<long long>(), &inner));
                    s += i * inner;
                }
                return s;
            },
            std::plus<long long>(), &total));
        return total;
    };
    long long a = 0, b = 0;
    std::thread other([&] {
        for (int k = 0; k < 20; ++k)
            a += sumOfRows(3000);
    });
    for (int k = 0; k < 20; ++k)
        b += sumOfRows(2000);
    other.join();
    EXPECT_EQ(a, 20LL * 8 * (2999LL * 3000 / 2));
    EXPECT_EQ(b, 20LL * 8 * (1999LL * 2000 / 2));
}

// A pass whose channel raises its stop flag between two reports (as the
// worker's does when the user-interface thread asks it to stop): the pass
// ends before its next chunk, not 64 rows later at the next report.
TEST_F(ParallelRowsTest, RowPassStopsAtTheChunkAfterItsStopFlagRises)
{
    class FlagProgress final : public IProgress {
    public:
        int Report(int percent, const char*) override
        {
            reports.push_back(percent);
            return stop.load();
        }
        const std::atomic<int>* StopFlag() const override { return &stop; }
        std::atomic<int> stop{0};
        std::vector<int> reports;
    };
    for (int threads : {1, 4}) {
        SetWorkerThreads(threads);
        FlagProgress progress;
        std::atomic<int> chunks{0};
        std::atomic<int> startedAfterStop{0};
        const int rows = 384, minRows = 4;
        ASSERT_EQ(RowChunkSize(rows, minRows), 4);
        const bool done = RunRowPass(progress, "Make preview1", rows, minRows, [&](int begin, int) {
            if (progress.stop.load() != 0)
                ++startedAfterStop;
            ++chunks;
            if (begin == 8)
                progress.stop = 1;
        });
        EXPECT_FALSE(done) << threads;
        // Only the first report ran: the stop came before row 64.
        EXPECT_EQ(progress.reports, std::vector<int>{0}) << threads;
        // One thread runs no chunk after the one holding row 8; with more,
        // each other thread may have been past its check when the flag rose.
        if (threads == 1) {
            EXPECT_EQ(chunks.load(), 3);
        }
        EXPECT_LE(startedAfterStop.load(), threads - 1) << threads;
    }
}

TEST_F(ParallelRowsTest, ThreadCountIsSettable)
{
    SetWorkerThreads(3);
    EXPECT_EQ(WorkerThreads(), 3);
    SetWorkerThreads(0);
    const int hardware = WorkerThreads();
    EXPECT_GE(hardware, 1);
    SetWorkerThreads(-2);
    EXPECT_EQ(WorkerThreads(), hardware);
}

} // namespace
} // namespace velmo
