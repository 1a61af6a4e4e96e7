// Region development: a rectangle of the demosaiced 16-bit planes developed
// into a 16-bit RGB picture at the output scale of a size mode.
//
// The passes, in order: PASS1 colour step and placement on the output grid,
// PASS2 honeycomb filling, PASS3 luma, PASS3b colour-noise map, luma noise
// reduction, PASS7a softening, PASS7b sharpening, PASS4 colour window and
// PASS6 tone. With honeycomb off the placed image goes straight to PASS6.
// Without luma noise reduction PASS3 to PASS6 run as one sweep over bands
// of rows (SweepLumaToTone), reported as "PASS4": the same bytes without the
// full-size luma and noise planes.
//
// The result is a pure function of the arguments: every pass runs its rows
// on all cores and gives the same bytes for any thread count, and nothing
// but the read-only run context is shared, so two threads can develop at
// once.
#pragma once

#include "develop/passes/RegionPasses.h"
#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

namespace velmo {

struct DevelopContext;

// Develops rect of source in sizeMode (0, 1, 2, 8, 9 or 10) with the
// parameters and tables of ctx into result (rect.outW x rect.outH).
// Progress: "Allocating memory" (-2) before each large allocation, each
// pass's name on its first row and every 64 rows, -1 at the end. On any
// status but Ok the result is empty and nothing of the run is kept:
// Aborted when a report asked to stop, OutOfMemory when a plane could not be
// allocated (or would exceed any plane's size), InvalidInput for a size mode
// not served here, a negative or empty size, planes smaller than their
// dimensions or a white level of 0.
DevelopStatus DevelopRegion(const RegionSource& source, const RegionRect& rect, int sizeMode,
                            const DevelopContext& ctx, IProgress& progress, RgbPlane& result);

} // namespace velmo
