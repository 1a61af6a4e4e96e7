// What the image writers are given: the developed 16-bit picture with the
// rule that turns it into the output's rows, and the metadata to carry (the
// camera's Exif block and the output colour space's ICC profile).
#pragma once

#include "develop/output/OutputFile.h"
#include "exif/CameraExif.h"
#include "platform/core/Progress.h"
#include "raw/PreviewSize.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace velmo {

// The developed image as the writers read it. width x height is the output's
// size, already exchanged for the rotation.
struct OutputImage {
    std::span<const uint16_t> rgb; // R, G, B u16 per pixel
    int width = 0;
    int height = 0;
    int rotate = 0;           // 0 none, 1 turned right, 2 turned left
    // The preview copy (preview size mode): already in display orientation,
    // rows of 512 pixels, or 384 when rotated.
    bool previewSize = false;

    // Index of the first sample of output pixel (row, column). The input of
    // a rotated image is the unrotated picture, height pixels wide.
    size_t SampleIndex(int row, int column) const
    {
        size_t pixel;
        if (previewSize) {
            pixel = size_t(row) * size_t(PreviewStride()) + size_t(column);
        } else if (rotate == 1) {
            pixel = size_t(width - column - 1) * size_t(height) + size_t(row);
        } else if (rotate == 2) {
            pixel = size_t(column + 1) * size_t(height) - size_t(row) - 1;
        } else {
            pixel = size_t(row) * size_t(width) + size_t(column);
        }
        return pixel * 3;
    }
    int PreviewStride() const { return rotate != 0 ? kPreviewHeight : kPreviewWidth; }

    // The size is positive and the buffer holds every pixel the rule reads.
    bool IsValid() const;

    // One output row as 16-bit samples (3 x width).
    void Row(int row, uint16_t* out) const;
    // One output row of one channel (width samples).
    void ChannelRow(int row, int channel, uint16_t* out) const;
};

// What every writer carries besides the pixels.
struct OutputMetadata {
    ExifSource exif;
    // The output colour space's profile; empty leaves the profile out.
    std::span<const uint8_t> iccProfile;
    // The output colour space is sRGB (Exif ColorSpace 1); otherwise the
    // camera's ColorSpace entry is set to "uncalibrated" so that readers take
    // the embedded profile.
    bool srgb = true;
};

// The progress of a writer's row loop: every 64 rows, percent over the whole bar.
inline void ReportRow(IProgress& progress, const char* label, int64_t done, int64_t total)
{
    if (total > 0)
        progress.Report(int(done * 100 / total), label);
}

} // namespace velmo
