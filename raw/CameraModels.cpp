#include "raw/CameraModels.h"

#include <cstring>

namespace velmo {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kS7000[] = {"FinePix S7000"sv};
constexpr std::string_view kS6000[] = {"FinePix S6000"sv, "FinePix S6500"sv};
constexpr std::string_view kS200Exr[] = {"FinePix S200EXR"sv};
constexpr std::string_view kS100Fs[] = {"FinePix S100FS"sv};
constexpr std::string_view kS9000[] = {"FinePix S9000"sv, "FinePix S9500"sv, "FinePix S9100"sv,
                                       "FinePix S9600"sv, "FinePix E900 "sv, "IS-1\0"sv};
constexpr std::string_view kS5200[] = {"FinePix S5200"sv, "FinePix S5600"sv};
constexpr std::string_view kF810[] = {"FinePix F810 "sv, "FinePix E550 "sv};
constexpr std::string_view kS5000[] = {"FinePix S5000"sv};
constexpr std::string_view kS5500[] = {"FinePix S5500"sv, "FinePix S5100"sv};
constexpr std::string_view kS20Pro[] = {"FinePix S20Pro"sv, "FinePix F710 "sv};
constexpr std::string_view kF700[] = {"FinePix F700 "sv};
constexpr std::string_view kS3Pro[] = {"FinePix S3Pro"sv, "FinePix S5Pro"sv};
constexpr std::string_view kS2Pro[] = {"FinePixS2Pro"sv};

constexpr float kF = kDefaultFocalLengthFactor;
constexpr uint16_t kU = 64; // default white-balance unit

// names, raw width, fixed height, divisor, left, right, top, bottom, layout,
// EXR, white, black, subtract black, family, frames, focal factor, WB unit
const CameraModelInfo kModels[] = {
    {kS7000, 2048, 0, 8192, 0, 0, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 0, FrameRule::One, kF, kU},
    {kS6000, 2112, 0, 8448, 32, 32, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 9, FrameRule::One,
     4.4977512f, 256},
    {kS200Exr, 2880, 0, 5760, 30, 30, 1, 1, SensorLayout::Bayer, true, 16384, 512, true, 9,
     FrameRule::ByExrMode, 4.2957749f, 256},
    {kS100Fs, 2800, 0, 11200, 32, 32, 0, 0, SensorLayout::SuperCcd, false, 16384, 512, true, 9, FrameRule::One,
     3.9408867f, 256},
    {kS9000, 2512, 0, 10048, 32, 32, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 9, FrameRule::One,
     4.4977512f, 256},
    {kS5200, 1904, 0, 7616, 30, 30, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 9, FrameRule::One,
     6.0317459f, 256},
    {kF810, 2048, 0, 8192, 0, 0, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 5, FrameRule::One, kF, kU},
    {kS5000, 1472, 0, 5888, 24, 24, 2, 2, SensorLayout::SuperCcd, false, 16384, 0, false, 0, FrameRule::One,
     6.4912281f, kU},
    {kS5500, 2304, 0, 4608, 1, 1, 6, 0, SensorLayout::Bayer, false, 16384, 0, false, 6, FrameRule::One,
     6.4912281f, kU},
    {kS20Pro, 1472, 0, 5888, 16, 16, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 4, FrameRule::Two, kF,
     kU},
    {kF700, 1472, 1084, 0, 16, 16, 0, 0, SensorLayout::SuperCcd, false, 16384, 0, false, 2, FrameRule::Two, kF, kU},
    {kS3Pro, 2176, 1444, 0, 16, 18, 2, 2, SensorLayout::PairedRows, false, 16384, 0, false, 7,
     FrameRule::ByFormatCode, 1.5f, kU},
    {kS2Pro, 2192, 1472, 0, 24, 24, 16, 16, SensorLayout::Rotated, false, 4096, 0, true, 1, FrameRule::One, 1.5f,
     kU},
};

} // namespace

int CameraModelInfo::RawHeight(uint64_t cfaDataLength) const
{
    if (fixedRawHeight > 0)
        return fixedRawHeight;
    uint64_t rows = heightDivisor > 0 ? cfaDataLength / static_cast<uint64_t>(heightDivisor) : 0;
    return rows > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(rows);
}

std::string_view CameraModelInfo::PrimaryName() const
{
    std::string_view name = names[0];
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
        name.remove_suffix(1);
    return name;
}

std::span<const CameraModelInfo> CameraModels()
{
    return kModels;
}

const CameraModelInfo* FindCameraModel(const uint8_t* modelField, size_t fieldLength)
{
    if (!modelField)
        return nullptr;
    for (const CameraModelInfo& model : kModels)
        for (std::string_view name : model.names)
            if (name.size() <= fieldLength && std::memcmp(modelField, name.data(), name.size()) == 0)
                return &model;
    return nullptr;
}

const CameraModelInfo* FindCameraModel(const char* modelText)
{
    if (!modelText)
        return nullptr;
    // The NUL is part of the text, as it is in the header's model field.
    return FindCameraModel(reinterpret_cast<const uint8_t*>(modelText), std::strlen(modelText) + 1);
}

uint64_t RawFrameBytes(const CameraModelInfo& model, uint64_t cfaDataLength)
{
    const uint64_t rawHeight = static_cast<uint64_t>(model.RawHeight(cfaDataLength));
    const uint64_t width = static_cast<uint64_t>(model.rawWidth);
    // Rows below the bottom margin are never read.
    const uint64_t rows = rawHeight > static_cast<uint64_t>(model.bottomMargin)
                              ? rawHeight - static_cast<uint64_t>(model.bottomMargin)
                              : 0;
    switch (model.layout) {
    case SensorLayout::SuperCcd:
    case SensorLayout::PairedRows:
        return rows * width * 4;
    case SensorLayout::Bayer:
        return rows * width * 2;
    case SensorLayout::Rotated: {
        // One file row per image column after the skipped columns; each file
        // row holds raw-height pairs of 16-bit samples.
        int columns = model.rightMargin + model.Width();
        return static_cast<uint64_t>(columns > 0 ? columns : 0) * rawHeight * 4;
    }
    }
    return 0;
}

} // namespace velmo
