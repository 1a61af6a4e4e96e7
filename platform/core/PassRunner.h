// What every development pass shares: its outcome, the progress protocol of
// its row loop and checked allocation of its planes.
#pragma once

#include "platform/core/ParallelRows.h"
#include "platform/core/Progress.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace velmo {

enum class DevelopStatus : int {
    Ok = 0,
    Aborted,      // the progress channel asked to stop
    OutOfMemory,  // a plane could not be allocated
    InvalidInput, // no source planes, or a size no plane can have
    EmptyArea,    // the lens correction leaves no picture of the rectangle
};

// The label of the announcement before a large allocation.
inline constexpr const char* kAllocatingMemory = "Allocating memory";

// Runs the rows of one pass over all cores with the progress protocol: a
// report with the pass name and row x 100 / rows on row 0 and every 64th row,
// always from the calling thread. False when a report asked to stop or the
// channel's stop flag was raised (no further chunk is started).
bool RunRowPass(IProgress& progress, const char* label, int rows, int minRowsPerChunk, const RowBody& body);

// The largest plane a development allocates, in elements; planes are indexed
// with size_t, rows and columns with int.
inline constexpr uint64_t kMaxPlaneElements = uint64_t(1) << 32;

// Has the system map the pages of [data, data + bytes) now, on all cores,
// in 2 MiB pages where it offers them. The first touch of a fresh full-size
// plane otherwise takes tens of thousands of page faults one after the
// other on the thread that fills it, each costly in a virtual machine.
// Only a hint: where the system cannot, the pages come on first use.
void PrefaultPages(void* data, size_t bytes);

// Planes from this size on are prefaulted.
inline constexpr size_t kPrefaultBytes = size_t(4) << 20;

// v.assign(count, value); a large new block has its pages mapped on all
// cores first (throws as assign does).
template <class T>
void AssignPlane(std::vector<T>& v, size_t count, const T& value)
{
    if (v.capacity() < count && count >= kPrefaultBytes / sizeof(T)) {
        std::vector<T> fresh;
        fresh.reserve(count);
        PrefaultPages(fresh.data(), count * sizeof(T));
        fresh.assign(count, value);
        v.swap(fresh);
        return;
    }
    v.assign(count, value);
}

// Resizes v to count elements of value (count computed by the caller in 64
// bits); false when that is more than any plane may hold or memory runs out.
template <class T>
bool TryAssign(std::vector<T>& v, uint64_t count, const T& value = T())
{
    if (count > kMaxPlaneElements)
        return false;
    try {
        AssignPlane(v, static_cast<size_t>(count), value);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

} // namespace velmo
