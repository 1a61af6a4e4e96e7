// Flat, uncompressed RGB Photoshop document (version 1) of 8 or 16 bits per
// channel, with the camera's Exif (resource 0x0422) and the output colour
// space's ICC profile (resource 0x040F) as image resources.
#pragma once

#include "develop/output/OutputImage.h"
#include "platform/core/Progress.h"

#include <string>

namespace velmo {

// Photoshop's limit on either side of a version-1 document.
inline constexpr int kMaxPsdSide = 30000;

// Writes path (through a temporary file beside it): the header, the
// resources (each left out when it would be empty), then all rows of R, of
// G and of B, big-endian. Progress "Writing PSD" every 64 rows of each
// channel, running once from 0 to 100 over the three; the display is not
// erased (the caller does).
WriteResult WritePsdFile(const std::string& path, const OutputImage& image, bool sixteenBit,
                         const OutputMetadata& meta, IProgress& progress);

} // namespace velmo
