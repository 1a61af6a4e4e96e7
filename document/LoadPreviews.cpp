// The document's side of the white-balance estimates prepared at the end of a
// RAW load: the rows of its family tables.
#include "document/VelmoDoc.h"
#include "raw/LoadPreviews.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmo {

namespace {

using C = FamilyWhiteBalanceTable::Column;

} // namespace

bool CVelmoDoc::MakeAsShot(const std::string& path)
{
    float factors[3];
    if (!AsShotFactors(path, edit.Hue(), factors))
        return false;
    const float r = factors[0], g = factors[1], b = factors[2];
    const int32_t* f6 = FamilyTable().rows[FamilyWhiteBalanceTable::kAutoRow];
    const double v[3] = {double(f6[C::R]) * r, double(f6[C::G]) * g, double(f6[C::B]) * b};
    // What is not a number keeps the row as it was; the rest stays in range.
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
        return false;
    int32_t* row8 = FamilyTableToWrite().rows[FamilyWhiteBalanceTable::kAsShotRow];
    for (int ch = 0; ch < 3; ++ch)
        row8[C::R + ch] = int32_t(std::clamp(v[ch], double(INT32_MIN), double(INT32_MAX)));
    return true;
}

void CVelmoDoc::DeriveFamilyPresetRows()
{
    ::velmo::DeriveFamilyPresetRows(image.rafPresets, FamilyTableToWrite());
}

} // namespace velmo
