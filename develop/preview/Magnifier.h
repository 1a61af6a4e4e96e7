// The magnifier: a square of the picture developed at full quality around the
// magnifier centre, shown 1:1 at the output scale of the size mode (in
// preview-size mode cut from the 16-bit preview copy), with a pattern where
// the square leaves the picture, turned like the picture and converted for
// the display, plus its histograms and colour-fringe sums.
//
// RenderMagnifier is a function of its source, its request and an explicit
// run context: the chromatic-aberration search renders trial lens values
// through it without writing the process-wide lens record. The document
// (document/DocMagnifier.h) takes its state, renders and keeps the results.
#pragma once

#include "develop/passes/RegionPasses.h"
#include "develop/preview/AutoChromatic.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "params/OutputOptions.h"
#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

#include <array>
#include <cstdint>
#include <span>

namespace velmo {

class DisplayTransform;
struct DevelopContext;

// The outside-image pattern: this level on all three channels, 0 on the
// diagonals where column + row is a multiple of 8.
inline constexpr uint16_t kMagnifierPatternLevel = 0x7FFF;
inline constexpr int kMagnifierPatternPeriod = 8;

// Magnifier sizes the renderer accepts (the switch itself is 256 or 512).
inline constexpr int kMinMagnifierSize = 4;
inline constexpr int kMaxMagnifierSize = 4096;

// The half size h and the side n of the square in image pixels for a
// magnifier of m pixels, by size mode: 0 m/4, m/2; 1 m/3, 2m/3; 9 2m/3, 4m/3;
// 10 m, 2m; every other mode m/2, m. (Before the side grows to fill m at the
// output scale.)
struct MagnifierSquare {
    int half = 0;
    int side = 0;
};
MagnifierSquare MagnifierSquareFor(int sizeMode, int magnifierSize);

struct MagnifierRequest {
    int size = 256;             // M, magnifier pixels a side
    int centreX = 0;            // the magnifier centre in the unturned 512 x 384 preview frame
    int centreY = 0;
    bool keepInside = false;    // keep the square inside the picture
};

// What one rendering produces.
struct MagnifierRender {
    DisplayImage image; // M x M, blue, green, red bytes (profile left to the caller)
    // Red, green, blue and luma (2R + 4G + B) / 7 of the shown bytes, 256 bins
    // each, scaled so that each sums to the pixel count of a 512 x 384 preview.
    std::array<int32_t, 1024> histogram{};
    FringeSums fringe;     // sums of |R - G| and |B - G| of the shown bytes
    bool hasOrigin = false; // false in preview-size mode
    int originX = 0;       // image position of the square's top-left corner
    int originY = 0;
};

// What the magnifier is rendered from.
struct MagnifierSource {
    RegionSource image;                    // the demosaiced image; no planes: no image
    std::span<const uint16_t> previewCopy; // the 16-bit preview copy (preview-size mode)
    int cameraFamily = 0;                  // families 1 and 7 letterbox the preview copy
};

// Renders the magnifier of source with ctx (its parameters, size mode,
// rotation and lens). With a transform the pixels are converted for the
// display. Ok, or the development's status (Aborted, OutOfMemory, ...);
// InvalidInput without an image, without a preview copy of the right size in
// preview-size mode, or for a magnifier size out of range. out is complete
// only on Ok.
DevelopStatus RenderMagnifier(const MagnifierSource& source, const DevelopContext& ctx,
                              const MagnifierRequest& request, const DisplayTransform* transform, IProgress& progress,
                              MagnifierRender& out);

// Scales the four 256-bin histograms of an m x m magnifier to the pixel count
// of a 512 x 384 preview (factor 196608 / m^2, as a real number). Each
// channel's bins are rounded so that their sum is the rounded scaled total.
std::array<int32_t, 1024> ScaleMagnifierHistogram(const std::array<int64_t, 1024>& counts, int magnifierSize);

} // namespace velmo
