// The selective-colour table: nine colour ranges by four percentages (red,
// green, blue, black). The edit state holds the one the selective-colours
// palettes edit; every development run copies it.
#pragma once

#include "params/IntRange.h"

#include <cstdint>

namespace velmo {

struct SelectiveColorTable {
    enum Range { Reds, Yellows, Greens, Cyans, Blues, Magentas, Whites, Grays, Blacks, kRanges };
    enum Column { Red, Green, Blue, Black, kColumns };
    int32_t rows[kRanges][kColumns] = {};

    bool operator==(const SelectiveColorTable&) const = default;
};
static_assert(sizeof(SelectiveColorTable) == 144);

// The range of every entry: what the controls take, and what every stored or
// read table is brought into.
inline constexpr IntRange kSelectiveColorRange{-100, 100};

} // namespace velmo
