// Pixel maths shared by the loader and the developers: colour-model
// conversions, the demosaicing direction chooser and resampling kernels.
#pragma once

#include <cstdint>

namespace velmo {

// A channel value 0..1 as u16: clamped, x 65535 + 0.5, truncated; NaN gives 0.
inline uint16_t ToU16(float v)
{
    if (!(v > 0.0f))
        return 0; // also NaN
    if (v >= 1.0f)
        return 65535;
    return static_cast<uint16_t>(v * 65535.0f + 0.5f);
}

enum class HueModel { HLS, HSV };

// Channels are floats (0..1 in use); hue in radians, 0 <= hue < 2 pi.
void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity, HueModel model);
void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b, HueModel model);

// a, b: two candidates; c, d: their guide values; e: the guide at the centre.
int DirectionalMean2(int a, int b, int c, int d, int e);
inline int AbsInt(int v) { return v < 0 ? -v : v; }

double Lanczos3(double x);
double Lanczos2(double x);
// Cubic convolution with a = -1, for x >= 0.
double Cubic(double x);

} // namespace velmo
