// Small records the document keeps and stores whole in the settings.
#pragma once

#include <atomic>
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

// One channel of the free tone curve: up to 16 points in ascending x, values
// scaled by 65535.
struct FreeCurveRecord {
    uint16_t count;
    uint16_t linear; // 1 straight segments, 0 spline
    struct Point {
        uint16_t x, y;
    } points[16];
};
static_assert(sizeof(FreeCurveRecord) == 68);

// Master, red, green, blue; stored whole as "FreeCurve" (272 bytes).
struct FreeCurveStore {
    FreeCurveRecord channel[4];
};
static_assert(sizeof(FreeCurveStore) == 272);

// The process-wide free curve that the palettes edit and development reads.
FreeCurveStore& FreeCurves();

// The enable flags of the three feature tables (lens correction, selective
// colours, free tone curve). Process-wide, never kept in the settings.
struct FeatureFlags {
    std::atomic<int> lensCorrection{0};
    std::atomic<int> selectiveColor{0};
    std::atomic<int> freeCurve{0};
};
FeatureFlags& Features();

// Rectangle with MFC's convention: right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

} // namespace velmo
