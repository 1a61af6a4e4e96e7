// The edit state: everything the user edits that a development reads — the
// parameter record, the three feature tables (free curve, lens correction,
// selective colours) with their enable flags, and the switches.
//
// The document owns one. Reads go through const getters; every write goes
// through a method that, when the value really changed, tells each listener
// what changed, so that every palette showing a value can reload it at once.
// A listener is registered with Subscribe and stays registered while the
// returned token lives; a token that outlives the state does nothing.
//
// User-interface thread only. A development run copies what it reads when
// its context is made (develop/context/MakeContext.h) and never reads the
// live state.
#pragma once

#include "params/DevParams.h"
#include "params/FreeCurveStore.h"
#include "params/GlobalSwitches.h"
#include "params/LensCorrectionSettings.h"
#include "params/ParamFields.h"
#include "params/SelectiveColorTable.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace velmo {

class SettingsStore;

// The three feature tables with an enable flag of their own.
enum class FeatureKind { LensCorrection, SelectiveColors, FreeCurve };

// What a write changed; or, for Commit and Refresh, what the document asks
// of everything that edits or shows the state.
enum class EditTarget {
    Params, FreeCurve, Lens, SelectiveColors, Feature, Switch,
    // A development for a palette's edit follows: every palette writes back
    // what its user typed and has not applied yet.
    Commit,
    // The state was developed: every palette shows all of it again and drops
    // an apply still waiting for its countdown.
    Refresh,
};

struct EditChange {
    EditTarget target = EditTarget::Params;
    ParamFieldSet fields;                     // Params: the fields that changed
    FeatureKind feature = FeatureKind::LensCorrection; // Feature: whose flag; FreeCurve, Lens, SelectiveColors: the feature of the table
    SwitchId switchId = SwitchId::CheckPrv;   // Switch: which one
    // Feature: the user switched it (ToggleFeature, the feature's command):
    // its editor comes forward when it is now on.
    bool toggled = false;

    bool Changed(ParamField field) const { return target == EditTarget::Params && fields.test(size_t(field)); }
};

using EditListener = std::function<void(const EditChange&)>;

namespace detail {
struct EditListeners;
}

// Keeps a listener registered; move-only. Destroying it (or Reset) removes
// the listener, also in the middle of a notification (it is not called
// again); when the state is gone already, nothing happens.
class EditSubscription {
public:
    EditSubscription() = default;
    EditSubscription(EditSubscription&& other) noexcept;
    EditSubscription& operator=(EditSubscription&& other) noexcept;
    EditSubscription(const EditSubscription&) = delete;
    EditSubscription& operator=(const EditSubscription&) = delete;
    ~EditSubscription();

    void Reset();
    bool Active() const;

private:
    friend class EditState;
    EditSubscription(std::weak_ptr<detail::EditListeners> registry, uint64_t id);
    std::weak_ptr<detail::EditListeners> registry;
    uint64_t id = 0;
};

class EditState {
public:
    // A zeroed record with wbTempt 5500, the switches' defaults, an empty
    // free curve (the identity's points), the lens defaults, an empty colour
    // table and every feature off.
    EditState();
    ~EditState();
    EditState(const EditState&) = delete;
    EditState& operator=(const EditState&) = delete;

    // --- Reading -----------------------------------------------------------
    const DevParams& Params() const { return params; }
    double Field(ParamField field) const { return GetField(params, field); }
    const FreeCurveStore& FreeCurve() const { return freeCurveStore; }
    const FreeCurvePoints& FreeCurvePointSet() const { return freeCurvePoints; }
    const LensCorrectionSettings& Lens() const { return lens; }
    const SelectiveColorTable& SelectiveColors() const { return selectiveColors; }
    bool FeatureOn(FeatureKind kind) const;
    // 0 or 1, as files store the flags.
    int FeatureFlag(FeatureKind kind) const { return FeatureOn(kind) ? 1 : 0; }
    const GlobalSwitches& Switches() const { return switches; }
    int Switch(SwitchId id) const { return switches.Get(id); }
    bool UseRafWB() const { return switches.useRafWB != 0; }
    HueModel Hue() const { return switches.Hue(); }

    // --- Writing (each tells the listeners when something changed) ----------
    // The whole record; the change names the fields that differ.
    void SetParams(const DevParams& record);
    // One field, by the field table's id; an Int field takes value truncated.
    void SetField(ParamField field, double value);
    // Several fields at once: edit gets a copy of the record; one
    // notification names every field it changed.
    template <class Edit>
    void ModifyParams(Edit&& edit)
    {
        DevParams record = params;
        edit(record);
        SetParams(record);
    }
    // The free curve from its stored form: channels that cannot be used
    // become the identity (in the store too), the points follow the store.
    void SetFreeCurve(const FreeCurveStore& store);
    // The free curve from edited points; the store follows (rounded).
    void SetFreeCurvePoints(const FreeCurvePoints& points);
    void SetLens(const LensCorrectionSettings& settings);
    void SetSelectiveColors(const SelectiveColorTable& table);
    void SetFeature(FeatureKind kind, bool on);
    // The user's switch of a feature (its change says so).
    void ToggleFeature(FeatureKind kind);
    // False (nothing changed) for a value the switch does not take.
    bool SetSwitch(SwitchId id, int value);

    // --- The document's requests to the listeners -----------------------------
    // Commit and Refresh (see EditTarget).
    void RequestCommit();
    void NotifyRefresh();

    // --- Listeners -----------------------------------------------------------
    [[nodiscard]] EditSubscription Subscribe(EditListener listener);

    // --- Settings --------------------------------------------------------------
    // The switches, "FreeCurve" (272 bytes exactly), "ColorTable" (144 bytes
    // exactly) and "DistorionSettings" (44 bytes the whole record, 40 bytes
    // all but fisheyeScale); values of the wrong size leave the defaults,
    // table values are brought into the ranges of their controls. Listeners
    // are told as for any write. The flags are never stored.
    void LoadSettings(SettingsStore& s);
    // The switches (WriteSwitches), then "FreeCurve", "ColorTable" and
    // "DistorionSettings" (44 bytes).
    void SaveSettings(SettingsStore& s) const;

private:
    void Notify(const EditChange& change);
    void WriteFeature(FeatureKind kind, bool on, bool toggled);

    DevParams params{};
    FreeCurveStore freeCurveStore{};
    FreeCurvePoints freeCurvePoints;
    LensCorrectionSettings lens = DefaultLensCorrection();
    SelectiveColorTable selectiveColors;
    bool lensOn = false;
    bool selectiveColorsOn = false;
    bool freeCurveOn = false;
    GlobalSwitches switches;
    std::shared_ptr<detail::EditListeners> listeners;
};

} // namespace velmo
