// Load-time demosaicing: completes the colours every site did not measure,
// once, so that development works on full R, G, B pixels.
#pragma once

#include "platform/core/Progress.h"

#include <cstdint>
#include <vector>

namespace velmo {

// A frame as the loader places it: width x (height + 2) pixels of R, G, B
// plus three spare samples; the rows past height are zero.
struct FramePlane {
    uint16_t* data;
    int width;
    int height;
};

uint16_t DirectionalMean4(int a1, int a2, int b1, int b2, int ga1, int ga2, int gb1, int gb2, int gc);

// For the EXR interpolation: values[0..11] hold per channel k the pairs
// A = values[4k], values[4k+1] and B = values[4k+2], values[4k+3]; writes
// values[12 + k].
void ChooseDirections3(int* values);

// Bayer-type sensors: the four guided passes. e = 1 when the red rows are the
// odd ones (EXR shots and .BAY dumps). False when progress asked to stop.
bool InterpolateBayer(FramePlane frame, int e, IProgress& progress);

// SuperCCD sensors: clears the sample a site did not measure, then the
// guided pass ("Interpolate") for the main frame or the S/R pass
// ("Interpolate SR") for the second frame.
bool InterpolateSuperCcd(FramePlane frame, bool secondFrame, IProgress& progress);

// v - min(v, black) for every channel value.
void SubtractBlackLevel(FramePlane frame, int black);

} // namespace velmo
