#include "params/EditState.h"

#include "params/FeatureFiles.h"
#include "platform/core/SettingsStore.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmo {

namespace detail {

struct EditListeners {
    struct Entry {
        uint64_t id;
        EditListener listener;
        bool active = true;
    };
    std::vector<std::shared_ptr<Entry>> entries;
    uint64_t nextId = 1;

    void Remove(uint64_t id)
    {
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if ((*it)->id == id) {
                (*it)->active = false;
                entries.erase(it);
                return;
            }
        }
    }
};

} // namespace detail

namespace {

constexpr const char* kFreeCurveValue = "FreeCurve";
constexpr const char* kColorTableValue = "ColorTable";
constexpr const char* kLensValue = "DistorionSettings";
// The stored lens record without its last field (fisheyeScale).
constexpr size_t kLensShortValue = sizeof(LensCorrectionSettings) - sizeof(int32_t);

// The fisheye fields take the ranges of their controls.
void ClampFisheyeFields(LensCorrectionSettings& s)
{
    s.fisheyeAngle = kFisheyeAngleRange.Clamp(s.fisheyeAngle);
    s.fisheyeScale = kFisheyeScaleRange.Clamp(s.fisheyeScale);
}

} // namespace

// --- EditSubscription --------------------------------------------------------

EditSubscription::EditSubscription(std::weak_ptr<detail::EditListeners> r, uint64_t i) : registry(std::move(r)), id(i)
{
}

EditSubscription::EditSubscription(EditSubscription&& other) noexcept
    : registry(std::move(other.registry)), id(other.id)
{
    other.id = 0;
}

EditSubscription& EditSubscription::operator=(EditSubscription&& other) noexcept
{
    if (this != &other) {
        Reset();
        registry = std::move(other.registry);
        id = other.id;
        other.id = 0;
    }
    return *this;
}

EditSubscription::~EditSubscription() { Reset(); }

void EditSubscription::Reset()
{
    if (const std::shared_ptr<detail::EditListeners> r = registry.lock())
        r->Remove(id);
    registry.reset();
    id = 0;
}

bool EditSubscription::Active() const { return id != 0 && !registry.expired(); }

// --- EditState -------------------------------------------------------------------

EditState::EditState()
    : freeCurvePoints(IdentityFreeCurvePoints()), listeners(std::make_shared<detail::EditListeners>())
{
    std::memset(&params, 0, sizeof params);
    params.wbTempt = 5500;
}

EditState::~EditState() = default;

bool EditState::FeatureOn(FeatureKind kind) const
{
    switch (kind) {
    case FeatureKind::LensCorrection: return lensOn;
    case FeatureKind::SelectiveColors: return selectiveColorsOn;
    case FeatureKind::FreeCurve: break;
    }
    return freeCurveOn;
}

void EditState::Notify(const EditChange& change)
{
    // A listener may subscribe, unsubscribe or write while it is told.
    const std::vector<std::shared_ptr<detail::EditListeners::Entry>> entries = listeners->entries;
    for (const auto& entry : entries)
        if (entry->active)
            entry->listener(change);
}

void EditState::SetParams(const DevParams& record)
{
    const ParamFieldSet changed = DiffFields(params, record);
    if (changed.none())
        return;
    params = record;
    EditChange change;
    change.target = EditTarget::Params;
    change.fields = changed;
    Notify(change);
}

void EditState::SetField(ParamField field, double value)
{
    DevParams record = params;
    ::velmo::SetField(record, field, value);
    SetParams(record);
}

void EditState::SetFreeCurve(const FreeCurveStore& store)
{
    FreeCurveStore normalized = store;
    NormalizeFreeCurveStore(normalized);
    FreeCurvePoints points = FreeCurvePointsOf(normalized);
    if (normalized == freeCurveStore && points == freeCurvePoints)
        return;
    freeCurveStore = normalized;
    freeCurvePoints = std::move(points);
    EditChange change;
    change.target = EditTarget::FreeCurve;
    change.feature = FeatureKind::FreeCurve;
    Notify(change);
}

void EditState::SetFreeCurvePoints(const FreeCurvePoints& points)
{
    const FreeCurveStore store = FreeCurveStoreOf(points);
    if (points == freeCurvePoints && store == freeCurveStore)
        return;
    freeCurvePoints = points;
    freeCurveStore = store;
    EditChange change;
    change.target = EditTarget::FreeCurve;
    change.feature = FeatureKind::FreeCurve;
    Notify(change);
}

void EditState::SetLens(const LensCorrectionSettings& settings)
{
    if (settings == lens)
        return;
    lens = settings;
    EditChange change;
    change.target = EditTarget::Lens;
    change.feature = FeatureKind::LensCorrection;
    Notify(change);
}

void EditState::SetSelectiveColors(const SelectiveColorTable& table)
{
    if (table == selectiveColors)
        return;
    selectiveColors = table;
    EditChange change;
    change.target = EditTarget::SelectiveColors;
    change.feature = FeatureKind::SelectiveColors;
    Notify(change);
}

void EditState::SetFeature(FeatureKind kind, bool on)
{
    bool& flag = kind == FeatureKind::LensCorrection    ? lensOn
                 : kind == FeatureKind::SelectiveColors ? selectiveColorsOn
                                                        : freeCurveOn;
    if (flag == on)
        return;
    flag = on;
    EditChange change;
    change.target = EditTarget::Feature;
    change.feature = kind;
    Notify(change);
}

bool EditState::SetSwitch(SwitchId id, int value)
{
    GlobalSwitches next = switches;
    if (!next.Set(id, value))
        return false;
    if (next == switches)
        return true;
    switches = next;
    EditChange change;
    change.target = EditTarget::Switch;
    change.switchId = id;
    Notify(change);
    return true;
}

EditSubscription EditState::Subscribe(EditListener listener)
{
    auto entry = std::make_shared<detail::EditListeners::Entry>();
    entry->id = listeners->nextId++;
    entry->listener = std::move(listener);
    listeners->entries.push_back(entry);
    return EditSubscription(listeners, entry->id);
}

void EditState::LoadSettings(SettingsStore& s)
{
    const GlobalSwitches stored = ReadSwitches(s);
    for (size_t i = 0; i < kSwitchCount; ++i)
        SetSwitch(SwitchId(i), stored.Get(SwitchId(i)));

    // The curve is kept as stored (zeros at first start); the points of a
    // channel that cannot be used are the identity's.
    FreeCurveStore curve{};
    s.GetProfileBinaryExact(kSettingsSection, kFreeCurveValue, &curve, sizeof curve);
    FreeCurvePoints points = FreeCurvePointsOf(curve);
    if (!(curve == freeCurveStore) || !(points == freeCurvePoints)) {
        freeCurveStore = curve;
        freeCurvePoints = std::move(points);
        EditChange change;
        change.target = EditTarget::FreeCurve;
        change.feature = FeatureKind::FreeCurve;
        Notify(change);
    }

    SelectiveColorTable table = selectiveColors;
    if (s.GetProfileBinaryExact(kSettingsSection, kColorTableValue, &table, sizeof table)) {
        ClampSelectiveColorTable(table);
        SetSelectiveColors(table);
    }

    std::vector<uint8_t> bytes;
    if (s.GetProfileBinary(kSettingsSection, kLensValue, bytes) &&
        (bytes.size() == sizeof(LensCorrectionSettings) || bytes.size() == kLensShortValue)) {
        LensCorrectionSettings settings = DefaultLensCorrection();
        std::memcpy(&settings, bytes.data(), bytes.size());
        ClampLensCorrectionFileFields(settings);
        ClampFisheyeFields(settings);
        SetLens(settings);
    }
}

void EditState::SaveSettings(SettingsStore& s) const
{
    WriteSwitches(s, switches);
    s.WriteProfileBinary(kSettingsSection, kFreeCurveValue, &freeCurveStore, sizeof freeCurveStore);
    s.WriteProfileBinary(kSettingsSection, kColorTableValue, &selectiveColors, sizeof selectiveColors);
    s.WriteProfileBinary(kSettingsSection, kLensValue, &lens, sizeof lens);
}

} // namespace velmo
