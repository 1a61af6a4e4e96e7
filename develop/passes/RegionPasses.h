// The passes of a region development, each a function of its input planes
// and read-only settings that writes its own output planes. DevelopRegion
// (develop/passes/DevelopRegion.h) runs them in order; they are declared here so
// that each can be checked on its own.
//
// Every pass splits its rows over ParallelRows so that each row is written
// by exactly one task and depends only on the pass's input: the bytes are the
// same for any number of threads.
#pragma once

#include "platform/core/PassRunner.h"
#include "platform/core/Progress.h"

#include <cstdint>
#include <span>
#include <vector>

namespace velmo {

struct DevelopContext;

// Size modes that a region development serves: bits 0-2 the scale (0 x2,
// 1 x3/2, 2 x1 for honeycomb sensors), bit 3 set for sensors without
// honeycomb (8 x1, 9 x3/4, 10 x1/2).
bool IsRegionSizeMode(int sizeMode);

// An RGB plane of u16, row-major, 3 values per pixel.
struct RgbPlane {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> rgb;

    uint16_t* Pixel(int x, int y) { return rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3; }
    const uint16_t* Pixel(int x, int y) const { return rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3; }
};

// The source of a region: the demosaiced planes of the image.
struct RegionSource {
    std::span<const uint16_t> sPlane; // R, G, B per pixel, width x height
    std::span<const uint16_t> rPlane; // the second frame, same layout; empty when absent
    int width = 0;
    int height = 0;
    uint16_t whiteLevel = 0;          // the value that stands for 1.0
    bool bayer = false;               // sensor without honeycomb
};

// The source rectangle in image pixels and the output size for the size mode.
struct RegionRect {
    int x = 0, y = 0, w = 0, h = 0;
    int outW = 0, outH = 0;
};

// The source columns and rows of a rectangle that can reach an output of
// outW x outH in a size mode (never more than the rectangle).
int SourceExtent(int rectSize, int outSize, int sizeMode);

// PASS1, colour step: every sample of the rectangle through the per-pixel S/R
// mixing and colour steps, as 16-bit values; samples outside the image give 0.
// `samples` becomes sampleW x sampleH pixels.
DevelopStatus DevelopSamples(const RegionSource& source, const RegionRect& rect, int sampleW, int sampleH,
                             const DevelopContext& ctx, IProgress& progress, RgbPlane& samples);

// PASS1, placement: the samples on the zero-filled output grid of the size
// mode. Modes 1 and 9 add weighted parts (v x k) >> 4 with k in sixteenths,
// gathered per output point so that each output row has one writer.
void PlaceSamples(const RgbPlane& samples, int sizeMode, RgbPlane& work);

// PASS2: honeycomb filling. sourceW x sourceH is the source rectangle's size
// (its last row and column bound the size-mode-0 interpolation).
DevelopStatus FillHoneycomb(RgbPlane& work, int sourceW, int sourceH, int sizeMode, bool bayer, bool honeycomb,
                            IProgress& progress);

// PASS3: luma 2R + 4G + B per pixel, and the largest luma.
DevelopStatus ComputeLuma(const RgbPlane& work, IProgress& progress, std::vector<int32_t>& luma, int32_t* lmax);

// PASS3b: the colour-noise map, one u16 per pixel.
DevelopStatus ComputeNoiseMap(const RgbPlane& work, IProgress& progress, std::vector<uint16_t>& noise);

// The soften and harden centres from the sharpness preset and the custom
// amounts (clamped to 0..100 first); 1000 means the pass is off. The harden
// centre is at least 1, so that a flat area keeps its luma.
struct SharpenCentres {
    int soften = 1000;
    int harden = 1000;
};
SharpenCentres SharpnessCentres(int sharpness, int soften, int harden);

// PASS7a and PASS7b on the luma plane; neighbours outside the picture take
// the nearest edge pixel. Replaces luma by the filtered plane.
DevelopStatus SoftenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress);
DevelopStatus HardenLuma(std::vector<int32_t>& luma, int width, int height, int centre, int sizeMode,
                         IProgress& progress);

// PASS4 settings.
struct ColorWindowParams {
    int radius = 1;    // O, after the size-mode scaling
    int threshold = 0; // iColorNRthreshold; 0 always takes the full window
};
// The window radius O for iColorNR, the effective noise-reduction switch and
// the size mode.
int ColorWindowRadius(int iColorNR, int effectiveNR, int sizeMode);

// PASS4: the processed luma with the colour of the window mean. noise may be
// empty when the threshold is 0. A window whose colour sums are 0 gives black.
DevelopStatus ApplyColorWindow(const RgbPlane& work, const std::vector<int32_t>& luma,
                               const std::vector<uint16_t>& noise, const ColorWindowParams& params,
                               IProgress& progress, RgbPlane& result);

// PASS6: the tone and colour step on every pixel, in place.
DevelopStatus ApplyTone(RgbPlane& image, const DevelopContext& ctx, IProgress& progress);

// PASS3 to PASS6 in one sweep over bands of rows, for a development without
// luma noise reduction: each band takes the luma of its rows (and of the
// rows the kernels reach), its noise values, softening and sharpening (a
// centre of 1000 leaves a pass out), the colour window and the tone step
// while its rows are in cache, and only the result plane is allocated. The
// bytes are those of ComputeLuma, ComputeNoiseMap (when the threshold is not
// 0), SoftenLuma, HardenLuma, ApplyColorWindow and ApplyTone one after the
// other. Reports progress as "PASS4".
struct LumaChain {
    int softenCentre = 1000;
    int hardenCentre = 1000;
    int sizeMode = 0; // picks the kernels
};
DevelopStatus SweepLumaToTone(const RgbPlane& work, const LumaChain& chain, const ColorWindowParams& window,
                              const DevelopContext& ctx, IProgress& progress, RgbPlane& result);

} // namespace velmo
