#include "raw/WhiteBalanceData.h"

#include <algorithm>
#include <cstdint>

namespace velmo {

namespace {

constexpr int kStoredTemperatures[16][3] = {
    {98, 191, 209},  {121, 160, 196}, {137, 160, 187}, {148, 159, 181}, {155, 159, 175},
    {161, 159, 170}, {165, 159, 166}, {169, 159, 163}, {173, 159, 159}, {176, 159, 157},
    {178, 158, 155}, {181, 158, 153}, {183, 158, 152}, {186, 158, 151}, {186, 158, 150},
    {0, 0, 0},
};

// Rows 0-5 of a family table: R G B of each preset plus R2 G2 B2 of daylight.
struct StoredFamily {
    int rgb[6][3];
    int daylight2[3];
};

constexpr StoredFamily kFamily0 = {
    {{162, 166, 170}, {174, 165, 156}, {195, 175, 168}, {175, 175, 193}, {173, 173, 225}, {147, 195, 252}},
    {39, 63, 47}};
constexpr StoredFamily kFamily7 = {
    {{162, 166, 170}, {174, 165, 156}, {195, 175, 168}, {175, 175, 193}, {173, 173, 225}, {147, 195, 252}},
    {41, 63, 47}};
constexpr StoredFamily kFamily1 = {
    {{157, 159, 160}, {165, 159, 149}, {191, 169, 163}, {177, 169, 179}, {175, 169, 201}, {148, 188, 237}},
    {51, 65, 51}};
constexpr StoredFamily kFamily2 = {
    {{110, 110, 81}, {119, 109, 73}, {130, 115, 81}, {116, 116, 97}, {117, 114, 121}, {98, 130, 140}},
    {27, 39, 24}};
constexpr StoredFamily kFamily3 = {{{64, 64, 64}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
                                   {64, 64, 64}};
constexpr StoredFamily kFamily6 = {
    {{123, 133, 146}, {131, 133, 136}, {144, 143, 145}, {134, 143, 162}, {140, 140, 179}, {128, 155, 198}},
    {25, 52, 39}};

// Exif LightSource and maker-note code of rows 0-5.
constexpr int kPresetCodes[6][2] = {{1, 256}, {11, 512}, {12, 768}, {13, 769}, {14, 770}, {3, 1024}};

FamilyWhiteBalanceTable MakeStored(const StoredFamily& s, bool emptyPresets)
{
    FamilyWhiteBalanceTable t;
    for (int r = 0; r < 6; ++r) {
        const bool empty = emptyPresets && r > 0;
        t.rows[r][0] = empty ? 0 : kPresetCodes[r][0];
        t.rows[r][1] = empty ? 0 : kPresetCodes[r][1];
        for (int c = 0; c < 3; ++c) {
            t.rows[r][2 + c] = s.rgb[r][c];
            t.rows[r][5 + c] = r == 0 ? s.daylight2[c] : (emptyPresets ? 0 : 1);
        }
    }
    for (int r = 6; r < FamilyWhiteBalanceTable::kRows; ++r) {
        const int32_t start[8] = {99, -1, 122, 227, 151, 0, 0, 0};
        std::copy(start, start + 8, t.rows[r]);
    }
    return t;
}

void ScaleTo255(int32_t* v)
{
    int32_t m = std::max({v[0], v[1], v[2]});
    if (m == 0)
        m = 1;
    for (int c = 0; c < 3; ++c)
        v[c] = v[c] * 255 / m;
}

FamilyWhiteBalanceTables MakeNormalized()
{
    FamilyWhiteBalanceTables t = {
        MakeStored(kFamily0, false), MakeStored(kFamily1, false), MakeStored(kFamily2, false),
        MakeStored(kFamily3, true),  MakeStored(kFamily0, false), MakeStored(kFamily0, false),
        MakeStored(kFamily6, false), MakeStored(kFamily7, false),
    };
    const auto& f0 = t[0];
    for (auto& table : t) {
        for (int r = 0; r < 6; ++r) {
            int32_t* row = table.rows[r];
            if (row[FamilyWhiteBalanceTable::R] == 0) {
                for (int j = 0; j < 5; ++j) {
                    const int32_t den = f0.rows[0][j];
                    row[j] = den != 0 ? f0.rows[r][j] * table.rows[0][j] / den : 0;
                }
            }
            ScaleTo255(row + FamilyWhiteBalanceTable::R);
            ScaleTo255(row + FamilyWhiteBalanceTable::R2);
        }
    }
    return t;
}

TemperatureTable MakeTemperatureTable()
{
    TemperatureTable t{};
    for (int r = 0; r < 16 && kStoredTemperatures[r][0] != 0; ++r) {
        const auto m = static_cast<uint16_t>(
            std::max({kStoredTemperatures[r][0], kStoredTemperatures[r][1], kStoredTemperatures[r][2]}));
        for (int c = 0; c < 3; ++c)
            t[r][c] = m != 0 ? kStoredTemperatures[r][c] * 255 / m : 0;
    }
    return t;
}

} // namespace

const TemperatureTable& NormalizedTemperatureTable()
{
    static const TemperatureTable table = MakeTemperatureTable();
    return table;
}

std::array<int, 3> TemperatureRgb(int kelvin)
{
    const int b = kelvin < 2500 ? 0 : kelvin <= 9500 ? kelvin - 2500 : 7000;
    const auto& t = NormalizedTemperatureTable();
    const int i = b / 500;
    const int f = b % 500;
    std::array<int, 3> rgb = t[i];
    if (f != 0)
        for (int c = 0; c < 3; ++c)
            rgb[c] = (f * t[i + 1][c] + (500 - f) * rgb[c]) / 500;
    return rgb;
}

const FamilyWhiteBalanceTables& NormalizedFamilyTables()
{
    static const FamilyWhiteBalanceTables tables = MakeNormalized();
    return tables;
}

} // namespace velmo
