// Row loops over all cores.
//
// ParallelRows splits rows 0..rows-1 into fixed chunks and runs the body once
// per chunk on a small process-wide pool of threads (the calling thread takes
// chunks too). The chunk layout depends only on the row count and the
// minimum chunk size, never on the number of threads, so a body whose rows
// are pure functions of read-only input gives the same bytes on 1 and N
// threads, and per-chunk partial results combined in chunk order do as well.
//
// Cancellation is checked between chunks: once the flag is non-zero no new
// chunk starts, the chunks already running finish, and the call returns
// false. An exception thrown by the body stops the remaining chunks the same
// way and is rethrown on the calling thread once every chunk has finished.
//
// Calls may come from several threads at once (each call is its own job in
// the pool's queue); a call made from inside a body running on a pool thread
// runs inline on that thread, so nesting never waits for itself.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

namespace velmo {

// The number of threads a row loop uses, the calling thread included.
// Defaults to the hardware's thread count; 0 or less restores the default.
void SetWorkerThreads(int count);
int WorkerThreads();

// The rows of one chunk for a loop of `rows` rows: at least minRowsPerChunk
// and large enough that a loop has no more than a few hundred chunks.
int RowChunkSize(int rows, int minRowsPerChunk);
int RowChunkCount(int rows, int minRowsPerChunk);

using RowBody = std::function<void(int rowBegin, int rowEnd)>;
// Called on the calling thread between chunks with the number of rows whose
// chunks have finished; returning false cancels the rest of the loop.
using RowsDoneFn = std::function<bool(int rowsDone)>;

// Runs body over [0, rows) in chunks; true when every chunk ran.
bool ParallelRows(int rows, int minRowsPerChunk, const RowBody& body, const std::atomic<int>* cancel = nullptr);
bool ParallelRows(int rows, int minRowsPerChunk, const RowBody& body, const std::atomic<int>* cancel,
                  const RowsDoneFn& onRowsDone);

// A reduction over rows: chunk(rowBegin, rowEnd) gives each chunk's partial
// value, and the partials are folded into init by combine in chunk order.
// False (and *result untouched) when cancelled.
template <class T, class ChunkFn, class CombineFn>
bool ParallelReduceRows(int rows, int minRowsPerChunk, const T& init, ChunkFn chunk, CombineFn combine, T* result,
                        const std::atomic<int>* cancel = nullptr)
{
    const int size = RowChunkSize(rows, minRowsPerChunk);
    std::vector<T> partial(static_cast<size_t>(RowChunkCount(rows, minRowsPerChunk)), init);
    const bool done = ParallelRows(
        rows, minRowsPerChunk, [&](int begin, int end) { partial[static_cast<size_t>(begin / size)] = chunk(begin, end); },
        cancel);
    if (!done)
        return false;
    T acc = init;
    for (const T& p : partial)
        acc = combine(acc, p);
    *result = acc;
    return true;
}

} // namespace velmo
