// White-balance tables shared by the RAW reader, the parameter record and the
// development engine. They are defined beside the Exif parser, the lowest
// layer that reads them: the maker note's white-balance setting is looked up
// in a family table.
#pragma once

#include <cstdint>

namespace velmo {

// Preset multipliers read from the RAF file: 32 rows of four u16 in the order
// G, R, G, B. Rows 0-7 the camera's presets, 8 onward its custom table, 10 the
// load-time auto estimate, 11 the user's custom balance (kept across loads),
// 12 the colour-temperature multipliers.
struct RafWhiteBalancePresets {
    static constexpr int kRows = 32;
    static constexpr int kAutoRow = 10;
    static constexpr int kCustomRow = 11;
    static constexpr int kTemperatureRow = 12;
    uint16_t rows[kRows][4] = {};
};

// Per camera family: 13 rows of {Exif LightSource, maker-note WB code,
// R, G, B, R2, G2, B2}. Rows 0-5 presets, 6 auto, 7 custom, 8 as shot,
// 9 colour temperature, 10-12 derived from the camera's presets.
struct FamilyWhiteBalanceTable {
    static constexpr int kRows = 13;
    static constexpr int kAutoRow = 6;
    static constexpr int kCustomRow = 7;
    static constexpr int kAsShotRow = 8;
    static constexpr int kTemperatureRow = 9;
    enum Column { LightSource = 0, Code = 1, R = 2, G = 3, B = 4, R2 = 5, G2 = 6, B2 = 7 };
    int32_t rows[kRows][8] = {};
};

// The multiplier that means gain 1 for most models.
constexpr uint16_t kDefaultWhiteBalanceUnit = 64;

} // namespace velmo
