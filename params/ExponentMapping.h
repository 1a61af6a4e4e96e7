// Exponent parameters (gamma, the S/R exponent and coefficient, 0 to 16) on
// sliders of 1..4096: position 4097 - 4096 * 2^-v stands for v, so that the
// small exponents, where a step matters most, get most of the slider. And
// the own steps of the spin buttons beside the exponent and EV edits.
#pragma once

namespace velmo {

inline constexpr int kExponentSliderMin = 1;
inline constexpr int kExponentSliderMax = 4096;
inline constexpr int kExponentSliderPage = 256;
inline constexpr int kExponentSliderTic = 512;
inline constexpr int kExponentSliderLine = 128;
inline constexpr float kExponentMin = 0.0f;
inline constexpr float kExponentMax = 16.0f;
inline constexpr float kSensitizeMin = -5.0f;
inline constexpr float kSensitizeMax = 3.0f;

// 4097 - int(powf(0.5, v) * 4096), held in the slider's range: 12 and more
// give 4096, the end of the slider.
int ExponentToPosition(float value);
// int(log((4097 - p) / 4097) / log(0.5) * 100) / 100, the position taken
// into 1..4096 first (4097 would be log 0). 2921 gives 1.80, 4096 12.0, 1 0.0.
float PositionToExponent(int position);

// A spin click of delta d on an exponent: about 5 % of the value, at least
// 0.01, clamped to 0..16. (Up gives d = -1 on a spin without a range, so up
// increases the value.)
float ExponentSpinValue(float value, int delta);
// A spin click on the sensitization (EV): 0.1 per unit of d, clamped to -5..3.
float SensitizeSpinValue(float value, int delta);

} // namespace velmo
