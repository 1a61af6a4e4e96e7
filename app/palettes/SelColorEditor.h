// The selective-colours editor without widgets: the chosen colour range and
// its four values, the pick from the colour map, and the colours of the
// swatch and of the before/after strips.
//
// The table lives in the edit state only; the editor holds which range its
// host shows.
#pragma once

#include "params/SelectiveColorTable.h"
#include "platform/core/PixelMath.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

class EditState;

// Red, green, blue as the strips paint them (0..255 each, int(v x 255)).
struct StripColor {
    int r = 0, g = 0, b = 0;
    bool operator==(const StripColor&) const = default;
};

// The nine range names (string 61212), in table order.
const std::vector<std::string>& ColorRangeNames();

// The range picked by a click at (x, y) on a colour map of width x height:
// Blacks along the top quarter, Whites along the bottom sixth, the six hues
// across in between. None outside the map (or on a map without area).
std::optional<int> PickColorRange(int x, int y, int width, int height);

// The cells of the strips (60 each; the map 60 x 60, row by row from the top).
inline constexpr int kStripCells = 60;
// The colour of range r as the swatch shows it.
StripColor RangeSwatchColor(int range, HueModel model);
// Before: the hue ramp and the grey ramp; after: the same through the table.
std::vector<StripColor> HueRamp(HueModel model);
std::vector<StripColor> GreyRamp(HueModel model);
std::vector<StripColor> HueRampAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model);
std::vector<StripColor> GreyRampAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model);
std::vector<StripColor> ColorMapAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model);

class SelColorEditor {
public:
    explicit SelColorEditor(EditState& state);

    int Range() const { return range; }
    // A switch writes nothing.
    void SetRange(int r);
    int Value(SelectiveColorTable::Column column) const;
    // Writes the edit state when the value differs.
    void SetValue(SelectiveColorTable::Column column, int value);
    // Every range cleared (not only the one shown).
    void Reset();
    const SelectiveColorTable& Table() const;

private:
    EditState& state;
    int range = 0;
};

} // namespace velmo
