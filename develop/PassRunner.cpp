#include "develop/PassRunner.h"

namespace velmo {

namespace {

constexpr int kReportEveryRows = 64;

int Percent(int row, int rows)
{
    return static_cast<int>(int64_t(row) * 100 / rows);
}

} // namespace

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
    const bool done = ParallelRows(rows, minRowsPerChunk, body, nullptr, [&](int rowsDone) {
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
