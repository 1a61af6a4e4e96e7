// Pixel maths shared by the loader and the developers: colour-model
// conversions, the demosaicing direction chooser and resampling kernels.
#pragma once

namespace velmo {

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
