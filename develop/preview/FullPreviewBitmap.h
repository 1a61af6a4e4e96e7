// The full preview as a display image, and the geometry helpers around it:
// output sizes by size mode and the histogram of a selected rectangle.
#pragma once

#include "develop/colour/ColorManagement.h"
#include "raw/PreviewSize.h"
#include "platform/core/Progress.h"

#include <array>
#include <cstdint>
#include <vector>

namespace velmo {

struct FullPreviewImage;

// A picture for the screen that the GUI wraps without copying: rows of
// width x 3 bytes blue, green, red, each row starting `stride` bytes after
// the previous one (a multiple of 4, as 24-bit bitmaps and image wrappers
// expect). `profile` is the output colour space's profile. With
// colorManaged the GUI converts from it to the screen; without, the pixels
// are already converted for the display and the image counts as sRGB (the
// profile still travels with it).
struct DisplayImage {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> bgr; // height x stride bytes
    IccBytes profile;
    bool colorManaged = true;

    const uint8_t* Row(int y) const { return bgr.data() + size_t(y) * size_t(stride); }
};

// Bytes per row of a 24-bit picture of that width, padded to 4.
inline int DisplayStride(int width) { return (width * 3 + 3) & ~3; }

// The output size of a width x height image in a size mode (bits 0-3 of the
// output options): 0 x2, 1 x3/2, 2 and 8 unchanged, 9 x3/4, 10 /2, integer
// arithmetic. False for the modes without a factor (the outputs are left
// untouched).
bool OutputSizeForMode(int sizeMode, int width, int height, int* outWidth, int* outHeight);

// The size the full-preview bitmap aims at: the output size of the image by
// size mode (512 x 384 for preview size, modes 3 and 11; unchanged for modes
// without a factor), each side rounded up to even, exchanged when rotated.
void FullPreviewTargetSize(int sizeMode, int imageWidth, int imageHeight, bool rotated, int* width, int* height);

// The full preview scaled to width x height by bilinear sampling (edge
// pixels repeat past the last row and column; results truncated). Reports
// "making FullPreview" every 64 rows; never stops. Empty (width 0) when the
// preview or the size is empty.
DisplayImage ScaleFullPreview(const FullPreviewImage& preview, int width, int height, IProgress& progress);

// The histogram of the rectangle (x0, y0)-(x1, y1), bounds inclusive, given in
// preview units (512 x 384, or 384 x 512 for a turned picture) and mapped to
// the full preview: red, green, blue and luma (2R + 4G + B) / 7 bins of 256
// each, scaled by 196608 / pixel count so that every rectangle sums like a
// whole preview. A reversed rectangle or an empty picture gives all zeros.
std::array<int32_t, 1024> RegionHistogram(const FullPreviewImage& preview, int x0, int y0, int x1, int y1);

} // namespace velmo
