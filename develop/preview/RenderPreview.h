// Preview development: the demosaiced image as an 8-bit display picture,
// developed from the small sample maps made at load time.
//
// Two sizes are developed this way: the 512 x 384 preview that follows every
// parameter change on the user-interface thread, and the screen-sized full
// preview that the background worker builds. Both go through the per-pixel
// colour, S/R mixing and tone steps of a full development; neither noise
// reduction nor the honeycomb fill runs, and luma sharpening only for the
// full preview.
//
// RenderPreview is a pure function of its job: the job carries copies of
// everything it reads (the run context, the transform snapshot, the options)
// and pointers to sample maps that stay unchanged while it runs; all results
// go to buffers the caller owns. Rows are spread over all cores and the
// bytes are the same for any thread count.
#pragma once

#include "develop/context/DevelopContext.h"
#include "develop/preview/Histogram.h"
#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace velmo {

class DisplayTransform;

// The clip-warning limits of the 16-bit tone result.
inline constexpr uint16_t kClipHighlight = 0xFFFB; // all three at least this: shown red
inline constexpr uint16_t kClipShadow = 4;         // all three at most this: shown blue

// The sample maps of one preview size: mapWidth x mapRows pixels of u16
// R, G, B, rows top to bottom (the maps hold one row more than the preview).
struct PreviewSource {
    const uint16_t* sMap = nullptr;
    const uint16_t* rMap = nullptr; // the R frame's map; null when the image has no R data
    int mapWidth = 0;
    int mapRows = 0;
    int imageWidth = 0;   // of the demosaiced image, for the letterbox band
    int imageHeight = 0;
    int cameraFamily = 0;
};

struct PreviewOptions {
    int width = 512;  // unrotated size; at most the map's width and rows - 1
    int height = 384;
    bool sharpen = false;        // luma softening and sharpening (the full preview)
    bool clipWarning = false;    // highlight and shadow warning colours
};

// Everything one preview development reads.
struct PreviewJob {
    PreviewSource source;
    PreviewOptions options;
    DevelopContext ctx;
    // The display transform snapshot; null when the GUI converts colours or
    // LittleCMS could not build one (then no conversion).
    std::shared_ptr<const DisplayTransform> transform;
};

// Where the results go. bits is required: OutputWidth x OutputHeight pixels
// of blue, green, red bytes, rows top to bottom, no row padding. copy16, when
// given, receives the same pixels as u16 R, G, B in the output colour space
// (before any display conversion).
struct PreviewOutput {
    uint8_t* bits = nullptr;
    uint16_t* copy16 = nullptr;
    ByteHistogram* histograms = nullptr; // the counts of the shown 8-bit values
};

// The size of the written picture: rotate 1 (right) and 2 (left) exchange
// width and height; other values do not turn it.
int PreviewOutputWidth(const PreviewOptions& options, int rotate);
int PreviewOutputHeight(const PreviewOptions& options, int rotate);

// The letterbox band: for camera families 1 and 7 the picture does not fill
// the 4:3 frame; rows r < firstRow and r > height - firstRow are black.
// bandHeight is the picture's height at this scale (Z); the lens correction
// works in the width x Z frame of the picture, row r being r - firstRow.
struct PreviewBand {
    int firstRow = 0;
    int bandHeight = 0;
    bool IsBlack(int row, int height) const { return firstRow > 0 && (row < firstRow || row > height - firstRow); }
};
PreviewBand LetterboxBand(int cameraFamily, int imageWidth, int imageHeight, int width, int height);

// The centre weight C(a) of the preview's 3 x 3 softening and sharpening
// kernels for an amount a (clamped to 0..100): trunc(1000 - 1000 (a/100)^0.2)
// / 6, 166 (the pass is off) for 0. The harden centre is at least 1 so that
// a flat area keeps its luma.
inline constexpr int kPreviewKernelOff = 166;
struct PreviewSharpen {
    int soften = kPreviewKernelOff;
    int harden = kPreviewKernelOff;
};
PreviewSharpen PreviewSharpenCentres(int sharpness, int soften, int harden);

// The clip warning on a 16-bit developed pixel.
inline void ApplyClipWarning(uint16_t* r, uint16_t* g, uint16_t* b)
{
    if (*r >= kClipHighlight && *g >= kClipHighlight && *b >= kClipHighlight) {
        *g = 0;
        *b = 0;
    } else if (*r <= kClipShadow && *g <= kClipShadow && *b <= kClipShadow) {
        *b = 0xFFFF;
    }
}

// The tone response: the tone pipeline's 16-bit R, G, B for the grey input
// i / 255, i = 0..255, with the clip warning when it is on.
std::array<uint16_t, 256 * 3> ToneResponse(const DevelopContext& ctx, bool clipWarning);

// Develops the preview. Passes "Make preview1" (colour), "Make preview2" and
// "Make preview3" (luma sharpening, full preview only) and "Make preview"
// (letterbox, lens correction when it is on, turning, display conversion,
// histograms), each reported on its
// first row and every 64 rows; -1 at the end. Aborted (bits partly written,
// nothing else kept) when a report asks to stop; InvalidInput when the maps
// are missing or smaller than the size asked for; OutOfMemory when a work
// plane cannot be allocated.
DevelopStatus RenderPreview(const PreviewJob& job, IProgress& progress, const PreviewOutput& out);

// Counts the runs in progress and keeps the most ever at once.
class RunCount {
public:
    RunCount(std::atomic<int>& running, std::atomic<int>& peak) : n(running)
    {
        const int now = ++n;
        int most = peak.load();
        while (now > most && !peak.compare_exchange_weak(most, now)) {
        }
    }
    ~RunCount() { --n; }
    RunCount(const RunCount&) = delete;
    RunCount& operator=(const RunCount&) = delete;

private:
    std::atomic<int>& n;
};

// The worker's screen-sized preview: blue, green, red bytes, width x height
// as stored (turned when rotated is set), rows packed.
struct FullPreviewImage {
    int width = 0;
    int height = 0;
    bool rotated = false;
    std::vector<uint8_t> bgr;
};

} // namespace velmo
