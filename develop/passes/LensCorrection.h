// The lens model: radial distortion or fisheye projection, lateral chromatic
// aberration (own radial coefficients for red and blue), stretch of the
// correction centre and vignetting, and the lens pass ("PASS8") that
// resamples a developed area through it.
//
// Everything here works on a snapshot of the lens record: LensSetup derives
// the per-run constants into a LensState that the caller keeps, LensMap only
// reads it. Nothing is written back into the process-wide record, so the
// preview, the worker and the magnifier can each run their own lens at once.
#pragma once

#include "develop/passes/RegionPasses.h"
#include "params/LensCorrectionSettings.h"
#include "platform/core/PassRunner.h"

#include <cstdint>

namespace velmo {

// The fisheye half angle before any set-up: 70 degrees.
inline constexpr double kDefaultFisheyeHalfAngle = 1.2217305;

// What LensSetup derives for LensMap besides rmax and scale.
struct LensState {
    double p = 2.0;                         // exponent of the radial term
    bool fisheye = false;
    double theta = kDefaultFisheyeHalfAngle; // fisheye half angle, radians
    double a = 0.36397023;                  // 1 / tan(theta)
};

// The record with every field brought into a range the model can use:
// a fisheye angle of 0 means 140 degrees at 100 % scale (both replaced), the
// angle is kept within 1..179 degrees, a fisheye scale of 0 or less counts as
// 1 %, the vignetting midpoint is clamped to -100..100 and a coefficient
// below 1 counts as 1 (an exponent of 0 or less has no radial term to speak
// of and blows up at the centre).
LensCorrectionSettings SanitizeLensCorrection(LensCorrectionSettings settings);

// The per-run constants for a width x height frame: the exponent and the
// fisheye angle into state, the normalising radius rmax and the scale that
// keeps the frame filled. `settings` should be sanitised.
void LensSetup(const LensCorrectionSettings& settings, double k, double sx, double sy, float* rmax, float* scale,
               double width, double height, LensState* state);

// Maps an output position (x, y) of a width x height frame to the source
// position of the channel whose radial coefficient is k; radius receives the
// normalised radius of the output position (0 at the correction centre).
// The result is kept inside the frame; a result that is not a number (only
// reachable with settings the set-up cannot use) gives the centre.
void LensMap(const LensState& state, double* x, double* y, double* radius, int width, int height, double k,
             double sx, double sy, float scale, float rmax);

// How PASS8 samples the developed area at a mapped position.
enum class LensResampling : int {
    Nearest = 0,
    Bilinear = 1, // the program's choice
    Cubic = 2,    // 4 x 4 taps, cubic convolution
    Lanczos2 = 3, // 4 x 4 taps
    Lanczos3 = 4, // 4 x 4 taps
};

// The lens of one run: the record's numbers and the set-up for one frame.
struct LensModel {
    LensCorrectionSettings settings = DefaultLensCorrection(); // sanitised
    double k = 0.0;     // green (and the frame) radial coefficient; 1 for fisheye
    double kRed = 0.0;  // red
    double kBlue = 0.0; // blue
    double sx = 1.0;    // horizontal stretch of the centre and the frame
    double sy = 1.0;
    float amount = 0.0f;   // vignetting amount
    float exponent = 1.0f; // vignetting exponent
    bool geometry = false; // k, kRed or kBlue not 0
    LensState state;
    float rmax = 1.0f;
    float scale = 1.0f;
    int width = 0; // the frame LensSetup was made for
    int height = 0;
    LensResampling resampling = LensResampling::Bilinear;

    // Anything to do at all.
    bool Active() const { return geometry || amount != 0.0f; }
    // The set-up leaves a picture: rmax and scale are finite and positive.
    bool Usable() const;
    // LensMap with this run's constants.
    void Map(double kc, double* x, double* y, double* radius) const;
    // The normalised distance of (x, y) from the stretched centre (without
    // geometry, the radius of the vignetting).
    double Radius(double x, double y) const;
    // The vignetting gain 1 + amount x radius^exponent.
    float Gain(double radius) const;
};

// The model of a record for a width x height frame (the whole image at the
// output scale). The record is sanitised first.
LensModel MakeLensModel(const LensCorrectionSettings& settings, int width, int height);

// PASS8. `area` is the developed area whose top-left pixel sits at
// (areaX, areaY) of the whole image's output frame; the result is the
// outW x outH rectangle whose top-left pixel is (outX, outY) of that frame.
// With geometry each channel is sampled at its own mapped position (clamped
// to the area); without it the area must be that rectangle itself. Each
// channel is then multiplied by the vignetting gain, clamped to 0..65535 and
// truncated. Progress "Allocating memory" (-2), "PASS8" on the first row and
// every 64 rows; the rows run on all cores with the same bytes for any
// thread count.
DevelopStatus ApplyLensCorrection(const RgbPlane& area, int areaX, int areaY, int outX, int outY, int outW, int outH,
                                  const LensModel& lens, IProgress& progress, RgbPlane& result);

} // namespace velmo
