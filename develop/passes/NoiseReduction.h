// Luma noise reduction: an edge-preserving bilateral filter and a median
// filter over the luma plane of a region development (L = 2R + 4G + B, one
// int32 per output pixel), each blended with the unfiltered luma by a
// strength in percent.
//
// Both read the plane they are given and write a new one, so every output
// row depends only on the input plane: the rows run on all cores and the
// result is the same for any thread count.
#pragma once

#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

#include <cstdint>
#include <vector>

namespace velmo {

struct NoiseReductionParams {
    int radius = 1;          // NR1
    int strength = 100;      // NR2, percent; 0 leaves the plane alone
    int spatialSigma = 150;  // NR3, sigma x 100
    int rangeSigma = 10;     // NR4, sigma x 100
    int sizeMode = 0;        // of the output options; scales the bilateral radius
};

// The largest window radius of either filter (a 21 x 21 window).
inline constexpr int kMaxNoiseRadius = 10;

// The bilateral radius: NR1 x 2 in size modes 0 and 8, x 6 / 4 in 1 and 9,
// x 1 in 2 and 10, clamped to 0..10.
int BilateralRadius(int nr1, int sizeMode);
// The median radius: NR1 unscaled, clamped to 0..10.
int MedianRadius(int nr1);

// Maps a coordinate outside 0..n-1 back inside by mirroring: -i is i and
// n - 1 + i is n - i (the first row or column is not repeated, the last one
// is), repeatedly for planes smaller than the window.
int MirrorCoordinate(int c, int n);

// The bilateral filter of the width x height plane `luma` whose largest value
// is lmax. Replaces luma by the filtered plane; leaves it alone when the
// strength is 0 or lmax is 0 or less (a black region). Progress "Bilateral NR
// 1/2" (padding) and "Bilateral NR 2/2".
DevelopStatus BilateralNoiseReduction(std::vector<int32_t>& luma, int width, int height, int32_t lmax,
                                      const NoiseReductionParams& params, IProgress& progress);

// The median filter (window edges repeat the edge pixel). Progress "Median NR".
DevelopStatus MedianNoiseReduction(std::vector<int32_t>& luma, int width, int height,
                                   const NoiseReductionParams& params, IProgress& progress);

} // namespace velmo
