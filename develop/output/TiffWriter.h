// Uncompressed RGB TIFF of 8 or 16 bits per sample in one strip, with the
// output colour space's ICC profile and the camera's TIFF/Exif block copied
// to the front of the file so that every offset inside it stays valid.
#pragma once

#include "develop/output/OutputImage.h"
#include "platform/core/Progress.h"

#include <string>

namespace velmo {

// Writes path (through a temporary file beside it). The byte order is the
// camera block's, little-endian without one. The IFD holds ImageWidth,
// ImageLength, BitsPerSample, Compression 1, Photometric RGB, StripOffsets,
// Orientation 1, SamplesPerPixel 3, RowsPerStrip (one strip),
// StripByteCounts, PlanarConfiguration 1 and the ICC profile (left out when
// the profile is empty), merged with the camera's IFD0 entries in ascending
// tag order, one entry per tag, and 72 dpi when the camera gives no
// resolution. Every offset is even. Progress "Writing TIFF" every 64 rows,
// -1 at the end.
WriteResult WriteTiffFile(const std::string& path, const OutputImage& image, bool sixteenBit,
                          const OutputMetadata& meta, IProgress& progress);

} // namespace velmo
