// A loaded RAW image with everything derived from it at load time: the
// demosaiced frames, the sensor layout and the camera, the RAF header and
// Exif data, the camera's white-balance presets and the preview sample maps.
//
// The document holds one (CVelmoDoc::Image()); the loader builds a new one
// and hands it over whole (CVelmoDoc::AdoptImage), as tests do with a
// synthetic one. The development reads it through a const reference.
#pragma once

#include "exif/ExifParser.h"
#include "exif/WhiteBalanceTables.h"
#include "raw/CameraModels.h"
#include "raw/PreviewSize.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmo {

struct RawImage {
    // --- Frames (R, G, B u16 per pixel, imageWidth x imageHeight) ------------
    std::vector<uint16_t> mainImage;
    std::vector<uint16_t> secondFrame; // the R frame or the second EXR frame; empty for one frame
    int imageWidth = 0;
    int imageHeight = 0;
    uint16_t whiteLevel = 0; // less the black level
    uint16_t maxGreen = 0;   // the largest G sample of the main frame, less the black level

    // --- Sensor layout and camera -------------------------------------------
    int cameraFamily = 0;
    const CameraModelInfo* model = nullptr;
    int rafFlag = 0;   // read from a RAF file
    int bayerFlag = 0; // Bayer-type sensor
    int exrBits = 0;   // layout bits; bit 0: the file holds no second frame
    int exrMode = 0;   // 0 none, 1 HR, 2 DR, 3 SN
    int exrModeDigit = 0;
    int dynamicRange = 0;
    int exrExtra = 0;  // the R divisor of DR shots
    int drShift = 0;   // dynamic-range shift in exposure steps
    int fileLength = 0;
    float focalLengthFactor = kDefaultFocalLengthFactor;

    // --- RAF header and Exif -------------------------------------------------
    std::vector<uint8_t> header;     // the RAF header, 4096 bytes
    std::vector<uint8_t> cfaRecords; // the CFA header records
    ExifTagIndex exifIndex;
    ExifTextLines exifLines;

    // --- White balance --------------------------------------------------------
    RafWhiteBalancePresets rafPresets; // the camera's presets and the rows derived at load
    uint16_t wbUnit = kDefaultWhiteBalanceUnit;
    float wbGain[3] = {1.0f, 1.0f, 1.0f}; // the family's daylight gains of the load-time previews
    float inverseGamma = 0.5555556f;

    // --- Preview sample maps ----------------------------------------------------
    // previewMap1/2: 512 x 385 pixels of u16 R, G, B (S and R frames);
    // fullMap1/2: fullWidth x (fullHeight + 1) pixels for the full preview.
    std::vector<uint16_t> previewMap1;
    std::vector<uint16_t> previewMap2;
    std::vector<uint16_t> fullMap1;
    std::vector<uint16_t> fullMap2;
    int fullWidth = 0;
    int fullHeight = 0;

    bool HasFrames() const { return !mainImage.empty(); }
    // Frees the frames, the header and the CFA records (what closing an
    // image frees); the rest stays.
    void FreeFrames();
};

// Decides from the RAF header whether the image has two frames (1) or not
// (0) and sets the layout bits: format "2002" one frame; "2201" two frames,
// bits 2, or 3 when the word at 132 is 0; "2203" one frame, bits 2; anything
// else (or no header) two frames, bits 0.
int DetectExrMode(RawImage& img);
// The same answer without setting the bits.
int ExrFrames(const RawImage& img);

// What a load keeps of the image before it: the white-balance presets (the
// reader keeps the user's custom row), their unit and the lens factor (a BAY
// dump has none of its own).
void CopyLoadSettings(const RawImage& from, RawImage& to);
// The sample maps and their full-preview size, reused by the next image.
void MoveSampleMaps(RawImage& from, RawImage& to);
// A new image that takes over from `from` what a load keeps and its maps.
RawImage CarryOver(RawImage& from);
// An image without frames whose sample maps are allocated: the 512 x 384
// maps, and the full-preview maps of fullWidth x fullHeight unless that is
// 0 x 0. The family is the one the image starts with.
RawImage EmptyImage(int cameraFamily, int fullWidth, int fullHeight);
// Closing the image: its frames, header, CFA records and Exif data go; the
// maps, the layout and the white-balance presets stay.
void CloseImage(RawImage& img);
// Main frame and second frame trade places, with the maps of both preview
// sizes; false (nothing changed) unless the two frames are of one size.
bool SwapFrames(RawImage& img);
bool FramesSwappable(const RawImage& img);

// The samples of a 512 x 384 preview map (one row more than the preview).
inline constexpr size_t kPreviewMapSamples = size_t(kPreviewWidth) * (kPreviewHeight + 1) * 3;

} // namespace velmo
