#include "app/palettes/SelColorEditor.h"

#include "develop/context/DevelopContext.h"
#include "params/EditState.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <numbers>

namespace velmo {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

int Channel255(float v)
{
    return std::clamp(int(v * 255), 0, 255);
}

StripColor FromHsi(float hue, float saturation, float intensity, HueModel model)
{
    float r = 0, g = 0, b = 0;
    HSIToRGB(hue, saturation, intensity, &r, &g, &b, model);
    return {Channel255(r), Channel255(g), Channel255(b)};
}

StripColor Through(const SelectiveColorTable& table, int greenEnhancer, float hue, float saturation,
                   float intensity, HueModel model)
{
    float r = 0, g = 0, b = 0;
    ApplySelectiveColor(hue, saturation, intensity, &r, &g, &b, table, true, greenEnhancer, model);
    return {Channel255(r), Channel255(g), Channel255(b)};
}

float FullIntensity(HueModel model)
{
    return model == HueModel::HLS ? 0.5f : 1.0f;
}

} // namespace

const std::vector<std::string>& ColorRangeNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        LoadStringList(IDS_COLOR_RANGES, &list);
        if (list.size() != size_t(SelectiveColorTable::kRanges))
            list = {"Reds", "Yellows", "Greens", "Cyans", "Blues", "Magentas", "Whites", "Grays", "Blacks"};
        return list;
    }();
    return names;
}

std::optional<int> PickColorRange(int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x >= width || y >= height)
        return std::nullopt;
    const int r = y * 12 / height;
    const int k = x * 12 / width + 1;
    const int pick = r >= 10 ? 12 : r < 3 ? 16 : k > 11 ? 0 : k;
    return pick / 2;
}

StripColor RangeSwatchColor(int range, HueModel model)
{
    // (hue in 30ths of a turn, saturation and intensity in tenths).
    static constexpr int kHsi[SelectiveColorTable::kRanges][3] = {
        {0, 10, 10}, {5, 10, 10}, {10, 10, 10}, {15, 10, 10}, {20, 10, 10}, {25, 10, 10}, {0, 0, 10}, {0, 0, 5},
        {0, 0, 0}};
    const int* v = range >= 0 && range < SelectiveColorTable::kRanges ? kHsi[range] : kHsi[SelectiveColorTable::Blacks];
    float intensity = float(v[2]) / 10;
    if (model == HueModel::HLS)
        intensity *= 0.5f;
    return FromHsi(float(v[0]) * 2 * kPi / 30, float(v[1]) / 10, intensity, model);
}

std::vector<StripColor> HueRamp(HueModel model)
{
    std::vector<StripColor> cells;
    for (int i = 0; i < kStripCells; ++i)
        cells.push_back(FromHsi(float(i) * 2 * kPi / kStripCells, 1, FullIntensity(model), model));
    return cells;
}

std::vector<StripColor> GreyRamp(HueModel model)
{
    std::vector<StripColor> cells;
    for (int i = 0; i < kStripCells; ++i)
        cells.push_back(FromHsi(0, 0, float(i) / kStripCells, model));
    return cells;
}

std::vector<StripColor> HueRampAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model)
{
    std::vector<StripColor> cells;
    for (int i = 0; i < kStripCells; ++i)
        cells.push_back(Through(table, greenEnhancer, float(i) * 2 * kPi / kStripCells, 1, FullIntensity(model), model));
    return cells;
}

std::vector<StripColor> GreyRampAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model)
{
    std::vector<StripColor> cells;
    for (int i = 0; i < kStripCells; ++i)
        cells.push_back(Through(table, greenEnhancer, 0, 0, float(i) / kStripCells, model));
    return cells;
}

std::vector<StripColor> ColorMapAfter(const SelectiveColorTable& table, int greenEnhancer, HueModel model)
{
    std::vector<StripColor> cells;
    cells.reserve(kStripCells * kStripCells);
    for (int j = 0; j < kStripCells; ++j) {
        const int n = kStripCells - j;
        const float saturation = n <= 30 ? float(n) / 30 : 1.0f;
        float intensity = 1.0f;
        if (model == HueModel::HLS)
            intensity = float(j) / kStripCells;
        else if (n > 30)
            intensity = float(j) / 30;
        for (int k = 0; k < kStripCells; ++k)
            cells.push_back(Through(table, greenEnhancer, float(2 * k) * kPi / kStripCells, saturation, intensity, model));
    }
    return cells;
}

SelColorEditor::SelColorEditor(EditState& editState) : state(editState) {}

const SelectiveColorTable& SelColorEditor::Table() const
{
    return state.SelectiveColors();
}

void SelColorEditor::SetRange(int r)
{
    range = std::clamp(r, 0, SelectiveColorTable::kRanges - 1);
}

int SelColorEditor::Value(SelectiveColorTable::Column column) const
{
    return Table().rows[range][column];
}

void SelColorEditor::SetValue(SelectiveColorTable::Column column, int value)
{
    if (Value(column) == value)
        return;
    SelectiveColorTable table = Table();
    table.rows[range][column] = value;
    state.SetSelectiveColors(table);
}

void SelColorEditor::Reset()
{
    state.SetSelectiveColors(SelectiveColorTable{});
}

} // namespace velmo
