// The per-row arithmetic of the luma, noise-map, sharpening and colour-window
// passes. The passes that keep whole planes (RegionLuma.cpp, RegionColor.cpp)
// and the sweep that runs them band by band (RegionSweep.cpp) both call these,
// so that the two give the same bytes by construction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmo::rows {

// Luma 2R + 4G + B of width pixels; returns the largest.
int32_t LumaRow(const uint16_t* rgb, int width, int32_t* out);

// One 5 x 5 kernel pass, per pixel (a x L + b x S) / d truncated, S the sum
// of weight x neighbour.
struct Kernel {
    const int* weights = nullptr; // 25 values, row-major
    int64_t a = 0, b = 0, d = 1;
    bool viaDouble = false; // the exact double path applies (see KernelRow)
};
// Softening and sharpening with their centres (RegionPasses.h).
Kernel SoftenKernel(int centre, int sizeMode);
Kernel HardenKernel(int centre, int sizeMode);

// dst = the kernel over one row: src[0..4] are the rows y - 2 .. y + 2 with
// the edge rule already applied (a row outside the picture is the nearest
// edge row), src[2] is row y itself. sums is scratch of width doubles.
void KernelRow(const Kernel& k, const int32_t* const src[5], int width, double* sums, int32_t* dst);

// The pixels of a row normalised to their largest channel (0..255), as the
// colour-noise map compares them.
void NormaliseRow(const uint16_t* rgb, int width, uint8_t* out);
// The colour-noise values of a row from the normalised rows above, at and
// below it (above / below null at the picture's top / bottom edge). diff is
// scratch of 3 x width u16.
void NoiseRow(const uint8_t* above, const uint8_t* here, const uint8_t* below, int width, uint16_t* diff,
              uint16_t* out);

// Summed-area table of the three channels over rows [firstRow, endRow) of
// an RGB u16 plane of the given width (row y at rgb + y x width x 3).
// 64-bit, so that no window sum can overflow.
class BandSums {
public:
    BandSums(const uint16_t* rgb, int width, int firstRow, int endRow);
    // The sums over columns x0..x1 and rows y0..y1 (inclusive).
    void Window(int x0, int x1, int y0, int y1, int64_t out[3]) const
    {
        const size_t stride = size_t(width + 1) * 3;
        const int64_t* top = sums.data() + size_t(y0 - first) * stride;
        const int64_t* bottom = sums.data() + size_t(y1 + 1 - first) * stride;
        for (int c = 0; c < 3; ++c)
            out[c] = bottom[size_t(x1 + 1) * 3 + c] - top[size_t(x1 + 1) * 3 + c] - bottom[size_t(x0) * 3 + c] +
                     top[size_t(x0) * 3 + c];
    }

private:
    int width;
    int first;
    std::vector<int64_t> sums;
};

// The colour window of row y of a width x height picture: the processed
// luma of the row with the colour of each pixel's window mean, into out
// (3 x width; a pixel whose window sums are 0 is left as it is). radius is
// O, threshold the iColorNRthreshold (noise may be null when it is 0).
void WindowRow(const BandSums& band, int y, int width, int height, int radius, int64_t threshold,
               const uint16_t* noise, const int32_t* luma, uint16_t* out);

} // namespace velmo::rows
