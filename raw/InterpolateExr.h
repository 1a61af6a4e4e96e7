// Rebuilds an EXR signal-to-noise shot: the two half-frames, taken on the two
// diagonals of the sensor, are laid out as a checkerboard on a plane of twice
// the width and height and the empty points are filled from their neighbours.
#pragma once

#include <cstdint>
#include <vector>

namespace velmo {

class IProgress;
struct RawImage;

// frame0 and frame1: width x height pixels of u16 R, G, B each. Pixel (x, y)
// of frame i lands on (2x + i, 2y + i) of the result, a plane of 2 width x
// 2 height pixels followed, like every placed frame, by two zeroed spare rows
// and three spare samples.
// Returns an empty plane when either size is not positive or the frames are
// shorter than width x height pixels.
std::vector<uint16_t> InterpolateExrPlanes(const std::vector<uint16_t>& frame0, const std::vector<uint16_t>& frame1,
                                           int width, int height, IProgress& progress);

// Replaces the two EXR half-frames of img by one checkerboard-filled frame
// of twice the width and height. False (img unchanged) without two frames of
// the image size, or when the progress channel asked to stop.
bool InterpolateExr(RawImage& img, IProgress& progress);

} // namespace velmo
