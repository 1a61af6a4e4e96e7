#include "params/GlobalSwitches.h"

#include "platform/core/SettingsStore.h"

namespace velmo {

namespace {

struct SwitchRow {
    SwitchId id;
    const char* key;
    int GlobalSwitches::*field;
    int def, lo, hi;
};

constexpr int kAnyInt = 0x7FFFFFFF;

// "Grid" was never range-checked: any count is kept as stored.
constexpr SwitchRow kSwitches[] = {
    {SwitchId::CheckPrv, "CheckPrv", &GlobalSwitches::checkPrv, 2, 0, 2},
    {SwitchId::CheckMGN, "CheckMGN", &GlobalSwitches::checkMGN, 1, 0, 1},
    {SwitchId::UseOldUI, "UseOldUI", &GlobalSwitches::useOldUI, 0, 0, 1},
    {SwitchId::UseRafWB, "UseRafWB", &GlobalSwitches::useRafWB, 1, 0, 1},
    {SwitchId::UseOldNR, "UseOldNR", &GlobalSwitches::useOldNR, 0, 0, 1},
    {SwitchId::UseHLS, "UseHLS", &GlobalSwitches::useHLS, 1, 0, 1},
    {SwitchId::MagnifierSize, "MagnifierSize", &GlobalSwitches::magnifierSize, 256, 256, 512},
    {SwitchId::Grid, "Grid", &GlobalSwitches::grid, 0, -kAnyInt - 1, kAnyInt},
};
static_assert(std::size(kSwitches) == kSwitchCount);

const SwitchRow& Row(SwitchId id) { return kSwitches[size_t(id)]; }

bool Accepts(const SwitchRow& r, int v)
{
    if (r.id == SwitchId::MagnifierSize)
        return v == 256 || v == 512;
    return v >= r.lo && v <= r.hi;
}

} // namespace

int GlobalSwitches::Get(SwitchId id) const { return this->*Row(id).field; }

bool GlobalSwitches::Set(SwitchId id, int value)
{
    const SwitchRow& r = Row(id);
    if (!Accepts(r, value))
        return false;
    this->*r.field = value;
    return true;
}

const char* SwitchKey(SwitchId id) { return Row(id).key; }

GlobalSwitches ReadSwitches(SettingsStore& s)
{
    GlobalSwitches sw;
    for (const SwitchRow& r : kSwitches) {
        const int v = s.GetProfileInt(kSettingsSection, r.key, r.def);
        sw.*r.field = Accepts(r, v) ? v : r.def;
    }
    return sw;
}

void WriteSwitches(SettingsStore& s, const GlobalSwitches& sw)
{
    for (SwitchId id : {SwitchId::Grid, SwitchId::MagnifierSize, SwitchId::CheckPrv, SwitchId::CheckMGN,
                        SwitchId::UseOldUI, SwitchId::UseRafWB, SwitchId::UseOldNR, SwitchId::UseHLS})
        s.WriteProfileInt(kSettingsSection, SwitchKey(id), sw.Get(id));
}

} // namespace velmo
