// The camera models the RAW reader knows: per model the raw frame size, the
// margins to cut, the sensor layout, the levels, the camera family and the
// constants the reader and the development defaults need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace velmo {

enum class SensorLayout {
    SuperCcd,   // honeycomb: each output row from two file rows (or one double-width row)
    PairedRows, // each file row holds (R-or-B, G) pairs
    Rotated,    // each file row is one image column, big-endian
    Bayer,      // one sample per site
};

enum class FrameRule {
    One,
    Two,
    ByExrMode,      // decided by the EXR mode digit of the header
    ByFormatCode,   // decided by the two-frame detection over the header
};

struct CameraModelInfo {
    // The model texts this row matches, compared over exactly their length
    // (a trailing blank or NUL is part of the text).
    std::span<const std::string_view> names;
    int rawWidth;
    int fixedRawHeight;   // 0: the height is the CFA data length / heightDivisor
    int heightDivisor;
    int leftMargin, rightMargin;   // samples
    int topMargin, bottomMargin;   // output rows
    SensorLayout layout;
    bool exr;                 // the EXR variant of the Bayer layout
    uint16_t whiteLevel;
    uint16_t blackLevel;
    bool subtractBlackLevel;  // black level is subtracted after placement
    int cameraFamily;
    FrameRule frames;
    float focalLengthFactor;  // 35-mm factor
    uint16_t whiteBalanceUnit;

    // The raw height for a CFA data length (the unpacked size when compressed).
    int RawHeight(uint64_t cfaDataLength) const;
    // Width and height after the margins are cut (may be <= 0 for short data).
    int Width() const { return rawWidth - leftMargin - rightMargin; }
    int Height(uint64_t cfaDataLength) const { return RawHeight(cfaDataLength) - topMargin - bottomMargin; }
    bool IsBayer() const { return layout == SensorLayout::Bayer; }
    // The row's first name without its trailing blank or NUL.
    std::string_view PrimaryName() const;
};

// Values in force before a model row is applied.
inline constexpr int kDefaultRawWidth = 2048;
inline constexpr int kDefaultRawHeight = 1540;
inline constexpr float kDefaultFocalLengthFactor = 4.4871793f;

// The model table in matching order.
std::span<const CameraModelInfo> CameraModels();

// The first row one of whose names equals the model text at the start of
// modelField (compared over the name's length); nullptr when none does.
const CameraModelInfo* FindCameraModel(const uint8_t* modelField, size_t fieldLength);
const CameraModelInfo* FindCameraModel(const char* modelText);

// The number of CFA data bytes the placement of one frame reads for a model,
// given the CFA data length (rows of a SuperCCD sensor come as two file rows
// of 16-bit samples, paired rows as 32-bit pairs, and so on).
uint64_t RawFrameBytes(const CameraModelInfo& model, uint64_t cfaDataLength);

} // namespace velmo
