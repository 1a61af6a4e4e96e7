// The selective-colour table: nine colour ranges by four percentages (red,
// green, blue, black). The edit state holds the one the selective-colours
// palettes edit; every development run copies it.
#pragma once

#include <cstdint>

namespace velmo {

struct SelectiveColorTable {
    enum Range { Reds, Yellows, Greens, Cyans, Blues, Magentas, Whites, Grays, Blacks, kRanges };
    enum Column { Red, Green, Blue, Black, kColumns };
    int32_t rows[kRanges][kColumns] = {};

    bool operator==(const SelectiveColorTable&) const = default;
};
static_assert(sizeof(SelectiveColorTable) == 144);

} // namespace velmo
