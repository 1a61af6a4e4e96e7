#include "platform/core/PassRunner.h"

#include <algorithm>
#include <cstdint>
#include <sys/mman.h>

namespace velmo {

namespace {

constexpr int kReportEveryRows = 64;

int Percent(int row, int rows)
{
    return static_cast<int>(int64_t(row) * 100 / rows);
}

} // namespace

void PrefaultPages(void* data, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    constexpr uintptr_t kPage = 4096;
    constexpr uintptr_t kSlice = uintptr_t(1) << 20;
    // Whole pages inside the block, one megabyte per row of the loop.
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end <= begin)
        return;
#ifdef MADV_HUGEPAGE
    // Large pages where the system offers them: a 2 MiB page is one fault
    // where 4 KiB pages take 512.
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const uintptr_t hugeBegin = (begin + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t hugeEnd = end & ~(kHuge - 1);
    if (hugeEnd > hugeBegin)
        ::madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
#endif
    const int slices = static_cast<int>((end - begin + kSlice - 1) / kSlice);
    ParallelRows(slices, 1, [&](int first, int last) {
        const uintptr_t from = begin + uintptr_t(first) * kSlice;
        const uintptr_t to = std::min(end, begin + uintptr_t(last) * kSlice);
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    });
#else
    (void)data;
    (void)bytes;
#endif
}

bool RunRowPass(IProgress& progress, const char* label, int rows, int minRowsPerChunk, const RowBody& body)
{
    if (rows <= 0)
        return true;
    if (progress.Report(0, label) != 0)
        return false;
    int nextReport = kReportEveryRows;
    bool aborted = false;
    // Every 64th row is reported once, in order, as soon as that many rows are
    // done; after an abort the chunks in flight finish but no new one starts.
    const bool done = ParallelRows(rows, minRowsPerChunk, body, progress.StopFlag(), [&](int rowsDone) {
        if (aborted)
            return false;
        while (nextReport < rows && nextReport <= rowsDone) {
            if (progress.Report(Percent(nextReport, rows), label) != 0) {
                aborted = true;
                return false;
            }
            nextReport += kReportEveryRows;
        }
        return true;
    });
    return done && !aborted;
}

} // namespace velmo
