// Full-size development of a rectangle of the demosaiced image, with lens
// correction when it is on.
//
// Without lens correction (or with a lens that changes nothing) this is the
// region development of the rectangle. With it, the source area that the
// corrected rectangle needs is found by mapping the rectangle's edges through
// the lens, that area is developed, and the lens pass resamples it.
//
// A crop is developed with enough of its surroundings for every filter of
// the region development to see the same neighbours as in the whole image,
// and the lens area is aligned to the size mode's output grid, so a crop is
// the same rectangle of the whole image's development. (The one exception is
// the bilateral noise reduction, whose strength is normalised by the largest
// luma of what is developed.)
#pragma once

#include "develop/passes/RegionPasses.h"
#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

#include <cstdint>

namespace velmo {

struct DevelopContext;

// The output length of `length` image pixels in a size mode: 0 x2, 1 x3/2,
// 2 and 8 x1, 9 x3/4, 10 x1/2, rounding down after the multiplication.
// -1 for a size mode that full-size development does not serve.
int64_t ScaleToOutput(int64_t length, int sizeMode);

// The output size of a w x h rectangle in a size mode; false for a size mode
// not served here (the preview sizes 3 and 11) or a negative size.
bool FullOutputSize(int w, int h, int sizeMode, int* outW, int* outH);

// A rectangle of the demosaiced image in its own pixels; it may reach past
// the image (the magnifier's square at a border): the points outside stay
// black.
struct FullRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// Develops rect at the output scale of ctx.sizeMode with ctx's parameters,
// and with ctx.lens when ctx.lensCorrectionOn, into result
// (FullOutputSize of the rectangle, R, G, B u16, rows top to bottom).
// On any status but Ok the result is empty: Aborted when a progress report
// asked to stop, OutOfMemory when a plane could not be allocated,
// InvalidInput without an image, for an empty rectangle or a size mode not
// served here, EmptyArea when the lens setting leaves no picture of the
// rectangle. Progress: every pass's name as it runs, -1 at the end.
DevelopStatus DevelopFull(const RegionSource& source, const FullRect& rect, const DevelopContext& ctx,
                          IProgress& progress, RgbPlane& result);

} // namespace velmo
