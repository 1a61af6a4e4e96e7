// Plain rules of the document's commands, shared by the command handlers and
// their tests.
#pragma once

namespace velmo {

// The white-balance preset that item `index` of the white-balance menu
// stores (0 "as shot" .. 12 "color temperature"). With "UseRafWB" the presets are numbered as the items;
// without it the family tables number them in another order, so each item
// still selects the preset of its name. -1 for an index without an item.
constexpr int WhiteBalanceForCommand(int index, bool useRafWB)
{
    constexpr int kOldOrder[13] = {8, 0, 1, 2, 3, 4, 5, 10, 11, 12, 6, 7, 9};
    if (index < 0 || index > 12)
        return -1;
    return useRafWB ? index : kOldOrder[index];
}

} // namespace velmo
