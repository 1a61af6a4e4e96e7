// The selective-colour table: nine colour ranges by four percentages (red,
// green, blue, black). The selective-colours palette edits the process-wide
// instance; every development run takes a copy of it.
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

// A copy of the process-wide table, taken under its lock.
SelectiveColorTable CurrentSelectiveColors();
// Replaces the process-wide table whole.
void SetSelectiveColors(const SelectiveColorTable& table);

} // namespace velmo
