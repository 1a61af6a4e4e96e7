// The byte histogram of a shown picture, as the histogram palette plots it:
// 256 counts each of red, green, blue and luminosity (2R + 4G + B) / 7 of
// the 8-bit values, in that order — the layout of one source of the
// document's histogram block. The preview, the magnifier and the selection
// histogram all count through here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmo {

inline constexpr int kHistogramBins = 1024;

// The pixel count of a 512 x 384 preview, what every source is scaled to.
inline constexpr int kPreviewPixelCount = 512 * 384;

struct ByteHistogram {
    std::array<int64_t, kHistogramBins> counts{};

    // One pixel.
    void Add(int red, int green, int blue)
    {
        ++counts[size_t(red)];
        ++counts[size_t(256 + green)];
        ++counts[size_t(512 + blue)];
        ++counts[size_t(768 + (2 * red + 4 * green + blue) / 7)];
    }
    // pixels pixels of blue, green, red bytes.
    void AddBgr(const uint8_t* bgr, size_t pixels);
    // Another histogram's counts (per-chunk counts combined in chunk order).
    void Add(const ByteHistogram& other);
};

// The counts of a rectangle of a width x height picture of blue, green, red
// bytes (rows packed), bounds inclusive and clamped to the picture, scaled to
// the pixel count of a preview (x 196608 / n in single precision, n the
// pixels counted). All zeros for a reversed rectangle or an empty picture.
std::array<int32_t, kHistogramBins> SelectionHistogram(const uint8_t* bgr, int width, int height, int x0, int y0,
                                                       int x1, int y1);

} // namespace velmo
