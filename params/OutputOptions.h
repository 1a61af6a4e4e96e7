// The output settings the document keeps and stores whole in the settings.
#pragma once

#include <cstdint>

namespace velmo {

// Output settings, stored whole as "OutputOptions" (16 bytes).
struct OutputOptions {
    int32_t format = 0;          // 0 PSD 16, 1 PSD 8, 2 TIFF 16, 3 TIFF 8, 4 JPEG
    int32_t jpegQuality = 85;    // 1..100
    int32_t jpegProgressive = 0; // 1 progressive JPEG
    int32_t sizeMode = 0;        // bits 0-2 the size, bit 3 a Bayer-type sensor
};
static_assert(sizeof(OutputOptions) == 16);

// True when every field can be used as stored.
bool IsValid(const OutputOptions& o);

} // namespace velmo
