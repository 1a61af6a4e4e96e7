// Baseline or progressive JPEG through libjpeg: the camera's Exif in APP1
// with a freshly made thumbnail inside it, a comment naming the program and
// the output colour space's ICC profile in APP2 segments. No JFIF marker.
#pragma once

#include "develop/output/OutputImage.h"
#include "platform/core/Progress.h"

#include <span>
#include <string>
#include <vector>

namespace velmo {

struct JpegSettings {
    int quality = 85;        // 1..100 (clamped)
    bool progressive = false; // the main image only; the thumbnail stays baseline
};

// The comment segment's bytes: the text and its terminating NUL.
inline constexpr char kJpegComment[] = "velmo v0.4.7";

// The Exif thumbnail's size for an output of width x height: 160 wide and
// height·160/width high, or 160 high and width·160/height wide when that
// would be taller than 160; never less than one pixel a side.
void JpegThumbnailSize(int width, int height, int* thumbWidth, int* thumbHeight);

// The ICC_PROFILE segments for a profile: at most 65519 profile bytes each,
// numbered 1..n of n (libjpeg's jpeg_write_icc_profile layout). Empty when
// the profile is empty or needs more than 255 segments.
std::vector<std::vector<uint8_t>> IccProfileSegments(std::span<const uint8_t> profile);

// Writes path (through a temporary file beside it): SOI, APP1 Exif (when
// the camera block is valid; the thumbnail only when its IFD1 can describe
// it), COM, APP2 ICC_PROFILE (left out for an empty profile), then the main
// image at full chroma resolution. libjpeg's errors come back as
// EncoderFailed with its message. Progress "Writing JPEG" every 64 rows, -1
// at the end.
WriteResult WriteJpegFile(const std::string& path, const OutputImage& image, const OutputMetadata& meta,
                          const JpegSettings& settings, IProgress& progress);

} // namespace velmo
