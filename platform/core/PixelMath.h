// Pixel maths shared by the loader and the developers: colour-model
// conversions, the demosaicing direction chooser and resampling kernels.
#pragma once

#include <string>
#include <vector>

namespace velmo {

enum class HueModel { HLS, HSV };

// The model the global switch "UseHLS" selects.
HueModel CurrentHueModel();

// Channels are floats (0..1 in use); hue in radians, 0 <= hue < 2 pi.
void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity, HueModel model);
void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b, HueModel model);
// The same with the model of "UseHLS".
void RGBToHSI(float r, float g, float b, float* hue, float* saturation, float* intensity);
void HSIToRGB(float hue, float saturation, float intensity, float* r, float* g, float* b);

// a, b: two candidates; c, d: their guide values; e: the guide at the centre.
int DirectionalMean2(int a, int b, int c, int d, int e);
inline int AbsInt(int v) { return v < 0 ? -v : v; }

double Lanczos3(double x);
double Lanczos2(double x);
// Cubic convolution with a = -1, for x >= 0.
double Cubic(double x);

// Splits the text of stringId at '|' and appends the pieces to list, stopping
// at an empty piece or the end. Returns the list's new size.
int LoadStringList(unsigned stringId, std::vector<std::string>* list);
int SplitStringList(const std::string& text, std::vector<std::string>* list);

} // namespace velmo
