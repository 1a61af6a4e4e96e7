// The built-in white-balance data: the colour-temperature table and the
// per-family preset tables, normalised as the document uses them.
#pragma once

#include "exif/WhiteBalanceTables.h"

#include <array>

namespace velmo {

// 15 rows of (R, G, B) for 2500 K to 9500 K in steps of 500 K, each scaled so
// that its largest component is 255; a 16th row of zeros ends the table.
using TemperatureTable = std::array<std::array<int, 3>, 16>;
const TemperatureTable& NormalizedTemperatureTable();

// The (R, G, B) multipliers of a temperature in kelvin: clamped to 2500..9500,
// interpolated linearly between the 500 K rows in integers.
std::array<int, 3> TemperatureRgb(int kelvin);

// Families share tables: family 9 uses family 0's, family 8 has none (0's).
constexpr int kFamilyTableCount = 8;
constexpr int FamilyTableIndex(int family) { return (family >= 1 && family <= 7) ? family : 0; }

using FamilyWhiteBalanceTables = std::array<FamilyWhiteBalanceTable, kFamilyTableCount>;
// The stored family tables after the start-up normalisation: rows 0-5 filled
// from family 0 where empty and scaled to a largest of 255, rows 6-12 at their
// start values.
const FamilyWhiteBalanceTables& NormalizedFamilyTables();

} // namespace velmo
