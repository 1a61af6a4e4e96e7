// The previews and white-balance estimates prepared at the end of a RAW load,
// from the demosaiced frames: the preview maps with the sums the automatic
// white balance is estimated from, the full-preview maps, the "as shot"
// colour of the embedded JPEG and the family rows derived from the camera's
// presets.
#pragma once

#include "exif/WhiteBalanceTables.h"
#include "platform/core/PixelMath.h"
#include "platform/core/Progress.h"
#include "raw/PreviewSize.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmo {

struct RawImage;

// The demosaiced frames, R, G, B u16 per pixel, width x height; second is
// empty when the image has no second frame.
struct DemosaicedFrames {
    std::span<const uint16_t> main;
    std::span<const uint16_t> second;
    int width = 0;
    int height = 0;
};

// Sums over the channels of the preview map's samples v (white: the white
// level): daylight of (daylight gain x v / white)^0.5555556 and family of
// (v / white x family ratio)^0.5555556, each term clamped to 0..1.
struct PreviewWhiteBalanceSums {
    double daylight[3] = {0, 0, 0};
    double family[3] = {0, 0, 0};
};

// Samples the main frame bilinearly into the rows of map1 that the picture
// covers (letterboxed in the 512 x 384 frame; the other rows keep what they
// hold) and the second frame, when there is one, as the mean of 2 x 2
// pixels into map2, adding up sums on the way. False when the progress asked
// to stop. Nothing is done for frames without pixels.
bool MakePreviewMaps(const DemosaicedFrames& frames, const float daylight[3], const float ratio[3], float white,
                     std::vector<uint16_t>& map1, std::vector<uint16_t>& map2, IProgress& progress,
                     PreviewWhiteBalanceSums& sums);

// Clears map1 and map2 and samples the frames into the rows of the
// fullWidth x fullHeight frame that the picture covers: the main frame
// bilinearly into map1, the second frame's nearest pixel into map2. Rows run
// on all cores, 64 at a time. False when the progress asked to stop.
bool MakeFullPreviewMaps(const DemosaicedFrames& frames, int fullWidth, int fullHeight, std::vector<uint16_t>& map1,
                         std::vector<uint16_t>& map2, IProgress& progress);

// The "as shot" colour of the embedded JPEG of the file at path, as factors
// of the family's auto row: the mean linear colour relative to its luma with
// the saturation lowered (in model), green x 0.95. False when the JPEG
// cannot be decoded or is black.
bool AsShotFactors(const std::string& path, HueModel model, float factors[3]);

// Family rows 10-12 from the camera's auto and first two custom presets
// (preset rows 7-9) relative to its daylight preset; without a daylight
// preset the rows stay as they are.
void DeriveFamilyPresetRows(const RafWhiteBalancePresets& presets, FamilyWhiteBalanceTable& family);

// The load's preview steps on an image. MakePreview1: the 512 x 384 sample
// maps, the daylight gains of the family's table, the auto preset row (10)
// of the image and the family's auto row (6; a black picture leaves it).
// MakePreview2: the full-preview maps. False when the progress asked to stop.
bool MakePreview1(RawImage& img, FamilyWhiteBalanceTable& family, IProgress& progress);
bool MakePreview2(RawImage& img, IProgress& progress);

} // namespace velmo
