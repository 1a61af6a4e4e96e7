// The output settings the document keeps and stores whole in the settings,
// and the codes they hold.
#pragma once

#include <cstdint>

namespace velmo {

// Output formats, with the values OutputOptions::format stores.
enum class OutputFormat : int32_t { Psd16 = 0, Psd8 = 1, Tiff16 = 2, Tiff8 = 3, Jpeg = 4 };
inline constexpr int kOutputFormatCount = 5;
// A stored format code as a format; false for a value out of range.
constexpr bool OutputFormatFromCode(int code, OutputFormat* format)
{
    if (code < 0 || code >= kOutputFormatCount)
        return false;
    *format = OutputFormat(code);
    return true;
}
constexpr bool IsSixteenBit(OutputFormat f) { return f == OutputFormat::Psd16 || f == OutputFormat::Tiff16; }

// Output settings, stored whole as "OutputOptions" (16 bytes).
struct OutputOptions {
    int32_t format = 0;          // an OutputFormat: 0 PSD 16, 1 PSD 8, 2 TIFF 16, 3 TIFF 8, 4 JPEG
    int32_t jpegQuality = 85;    // 1..100
    int32_t jpegProgressive = 0; // 1 progressive JPEG
    int32_t sizeMode = 0;        // bits 0-2 the size, bit 3 a Bayer-type sensor

    OutputFormat Format() const { return OutputFormat(format); }
};
static_assert(sizeof(OutputOptions) == 16);

// True when every field can be used as stored.
bool IsValid(const OutputOptions& o);

// Preview-size modes (low three bits 3): outputs and the magnifier come from
// the 512 x 384 preview.
constexpr bool IsPreviewSizeMode(int sizeMode) { return (sizeMode & 7) == 3; }

} // namespace velmo
