#include "params/EditState.h"
#include "params/ParamFields.h"
#include "params/ParamKeys.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace velmo {
namespace {

constexpr const char* S = kSettingsSection;

// Records every change a state announces.
struct Recorder {
    std::vector<EditChange> changes;
    EditSubscription token;
    explicit Recorder(EditState& e) : token(e.Subscribe([this](const EditChange& c) { changes.push_back(c); })) {}
};

TEST(EditState, EveryWriteThatChangesSomethingIsAnnouncedOnce)
{
    EditState e;
    Recorder r(e);
    FreeCurveStore curve{};
    for (FreeCurveRecord& c : curve.channel)
        c = IdentityFreeCurveRecord();
    curve.channel[1].points[1] = {65535, 30000};
    LensCorrectionSettings lens = DefaultLensCorrection();
    lens.distortion = 40;
    SelectiveColorTable colors;
    colors.rows[SelectiveColorTable::Greens][SelectiveColorTable::Blue] = -20;

    struct Case {
        const char* what;
        std::function<void()> write;
        std::optional<EditTarget> announced; // none: nothing changed
    } cases[] = {
        {"one field", [&] { e.SetField(ParamField::contrast, 12); }, EditTarget::Params},
        {"the same value again", [&] { e.SetField(ParamField::contrast, 12); }, std::nullopt},
        {"a record", [&] { e.ModifyParams([](DevParams& p) { p.hue = 3; p.gamma = 2.2f; }); }, EditTarget::Params},
        {"the same record", [&] { e.SetParams(e.Params()); }, std::nullopt},
        {"the free curve", [&] { e.SetFreeCurve(curve); }, EditTarget::FreeCurve},
        {"the same free curve", [&] { e.SetFreeCurve(curve); }, std::nullopt},
        {"its points", [&] { e.SetFreeCurvePoints(e.FreeCurvePointSet()); }, std::nullopt},
        {"the lens", [&] { e.SetLens(lens); }, EditTarget::Lens},
        {"the same lens", [&] { e.SetLens(lens); }, std::nullopt},
        {"the colour table", [&] { e.SetSelectiveColors(colors); }, EditTarget::SelectiveColors},
        {"a flag", [&] { e.ToggleFeature(FeatureKind::SelectiveColors); }, EditTarget::Feature},
        {"the flag as it is", [&] { e.SetFeature(FeatureKind::SelectiveColors, true); }, std::nullopt},
        {"a switch", [&] { e.SetSwitch(SwitchId::UseHLS, 0); }, EditTarget::Switch},
        {"the switch as it is", [&] { e.SetSwitch(SwitchId::UseHLS, 0); }, std::nullopt},
        {"a value the switch refuses", [&] { EXPECT_FALSE(e.SetSwitch(SwitchId::MagnifierSize, 300)); }, std::nullopt},
    };
    for (const Case& c : cases) {
        r.changes.clear();
        c.write();
        if (!c.announced) {
            EXPECT_TRUE(r.changes.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(r.changes.size(), 1u) << c.what;
        EXPECT_EQ(r.changes[0].target, *c.announced) << c.what;
    }
    EXPECT_EQ(e.Params().contrast, 12);
    EXPECT_EQ(e.Lens(), lens);
    EXPECT_EQ(e.SelectiveColors(), colors);
    EXPECT_TRUE(e.FeatureOn(FeatureKind::SelectiveColors));
    EXPECT_EQ(e.Hue(), HueModel::HSV);
    EXPECT_EQ(e.Switch(SwitchId::MagnifierSize), 256);
}

TEST(EditState, ChangesNameWhatChanged)
{
    EditState e;
    Recorder r(e);
    e.ModifyParams([](DevParams& p) {
        p.hue = 5;
        p.NR4 = 20;
        p.gamma = 1.5f;
    });
    ASSERT_EQ(r.changes.size(), 1u);
    const EditChange& c = r.changes[0];
    EXPECT_EQ(c.fields.count(), 3u);
    EXPECT_TRUE(c.Changed(ParamField::hue));
    EXPECT_TRUE(c.Changed(ParamField::NR4));
    EXPECT_TRUE(c.Changed(ParamField::gamma));
    EXPECT_FALSE(c.Changed(ParamField::contrast));

    e.SetFeature(FeatureKind::FreeCurve, true);
    e.SetSwitch(SwitchId::Grid, 4);
    LensCorrectionSettings lens = e.Lens();
    lens.chromaRed = 7;
    e.SetLens(lens);
    ASSERT_EQ(r.changes.size(), 4u);
    EXPECT_EQ(r.changes[1].feature, FeatureKind::FreeCurve);
    EXPECT_FALSE(r.changes[1].Changed(ParamField::hue));
    EXPECT_EQ(r.changes[2].switchId, SwitchId::Grid);
    EXPECT_EQ(r.changes[3].feature, FeatureKind::LensCorrection);
}

// Two palettes showing the same value: an edit in one reaches the other at
// once, so neither writes a stale copy back.
TEST(EditState, ListenersSeeEachOthersEditsAtOnce)
{
    EditState e;
    int shownByA = e.Params().contrast, shownByB = e.Params().contrast;
    EditSubscription a = e.Subscribe([&](const EditChange& c) {
        if (c.Changed(ParamField::contrast))
            shownByA = e.Params().contrast;
    });
    EditSubscription b = e.Subscribe([&](const EditChange& c) {
        if (c.Changed(ParamField::contrast))
            shownByB = e.Params().contrast;
    });
    e.SetField(ParamField::contrast, 25); // palette A's edit
    EXPECT_EQ(shownByA, 25);
    EXPECT_EQ(shownByB, 25);
}

TEST(EditState, TokensUnsubscribeAndMayOutliveTheState)
{
    int calls = 0;
    EditSubscription kept;
    {
        EditState e;
        {
            EditSubscription gone = e.Subscribe([&](const EditChange&) { ++calls; });
            EXPECT_TRUE(gone.Active());
            e.SetField(ParamField::hue, 1);
        }
        e.SetField(ParamField::hue, 2); // the palette is gone
        EXPECT_EQ(calls, 1);

        kept = e.Subscribe([&](const EditChange&) { ++calls; });
        EditSubscription moved = std::move(kept);
        EXPECT_FALSE(kept.Active());
        e.SetField(ParamField::hue, 3);
        EXPECT_EQ(calls, 2);
        kept = std::move(moved);

        // A listener that drops another while it is told: the other is not
        // called any more, also in this round.
        EditSubscription second;
        EditSubscription first = e.Subscribe([&](const EditChange&) { second.Reset(); });
        second = e.Subscribe([&](const EditChange&) { ++calls; });
        e.SetField(ParamField::hue, 4);
        EXPECT_EQ(calls, 3); // only `kept`
        EXPECT_FALSE(second.Active());
    }
    EXPECT_FALSE(kept.Active());
    kept.Reset(); // the state is gone: nothing happens
}

TEST(EditState, AListenerMayWriteWhileItIsTold)
{
    EditState e;
    std::vector<ParamField> seen;
    EditSubscription follow = e.Subscribe([&](const EditChange& c) {
        if (c.Changed(ParamField::WBfineTuneR)) {
            seen.push_back(ParamField::WBfineTuneR);
            e.SetField(ParamField::WBfineTune, 1); // moving a fine-tune slider turns fine tune on
        } else if (c.Changed(ParamField::WBfineTune)) {
            seen.push_back(ParamField::WBfineTune);
        }
    });
    e.SetField(ParamField::WBfineTuneR, 10);
    EXPECT_EQ(seen, (std::vector<ParamField>{ParamField::WBfineTuneR, ParamField::WBfineTune}));
    EXPECT_EQ(e.Params().WBfineTune, 1);
}

TEST(EditState, FreeCurvePointsAndStoreFollowEachOther)
{
    EditState e;
    FreeCurvePoints points = IdentityFreeCurvePoints();
    points.x[3] = {0.0, 0.25, 1.0};
    points.y[3] = {0.0, 0.5, 1.0};
    points.linear[3] = 1;
    e.SetFreeCurvePoints(points);
    const FreeCurveRecord& blue = e.FreeCurve().channel[3];
    EXPECT_EQ(blue.count, 3);
    EXPECT_EQ(blue.linear, 1);
    EXPECT_EQ(blue.points[1].x, 16384); // 0.25 x 65535 + 0.5
    EXPECT_EQ(blue.points[1].y, 32768);
    EXPECT_EQ(e.FreeCurvePointSet(), points);

    // A store with a channel that cannot be used: that channel becomes the
    // identity, in the store and in the points.
    FreeCurveStore store = e.FreeCurve();
    store.channel[0].count = 0;
    e.SetFreeCurve(store);
    EXPECT_EQ(e.FreeCurve().channel[0].count, 2);
    EXPECT_EQ(e.FreeCurvePointSet().x[0], (std::vector<double>{0.0, 1.0}));
    EXPECT_EQ(e.FreeCurvePointSet().x[3].size(), 3u);
}

TEST(EditState, SettingsKeepTheirStoredForms)
{
    test::ScopedSettings settings;
    auto& s = settings.store();
    {
        EditState e;
        e.LoadSettings(s); // nothing stored: the defaults
        EXPECT_EQ(e.Switches(), GlobalSwitches{});
        EXPECT_EQ(e.Lens(), DefaultLensCorrection());
        SelectiveColorTable colors;
        colors.rows[SelectiveColorTable::Reds][SelectiveColorTable::Black] = 15;
        e.SetSelectiveColors(colors);
        LensCorrectionSettings lens = DefaultLensCorrection();
        lens.flags = kLensFisheyeFlag;
        lens.fisheyeAngle = 150;
        lens.fisheyeScale = 80;
        e.SetLens(lens);
        e.SetSwitch(SwitchId::CheckPrv, 0);
        e.SetSwitch(SwitchId::Grid, 16);
        e.SaveSettings(s);
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(s.GetProfileBinary(S, "ColorTable", bytes));
    EXPECT_EQ(bytes.size(), 144u);
    ASSERT_TRUE(s.GetProfileBinary(S, "DistorionSettings", bytes));
    EXPECT_EQ(bytes.size(), 44u);
    ASSERT_TRUE(s.GetProfileBinary(S, "FreeCurve", bytes));
    EXPECT_EQ(bytes.size(), 272u);
    EXPECT_EQ(s.GetProfileInt(S, "CheckPrv", -1), 0);
    EXPECT_EQ(s.GetProfileInt(S, "Grid", -1), 16);
    EXPECT_EQ(s.GetProfileInt(S, "UseRafWB", -1), 1);

    EditState back;
    Recorder r(back);
    back.LoadSettings(s);
    EXPECT_EQ(back.SelectiveColors().rows[SelectiveColorTable::Reds][SelectiveColorTable::Black], 15);
    EXPECT_EQ(back.Lens().fisheyeAngle, 150);
    EXPECT_EQ(back.Lens().fisheyeScale, 80);
    EXPECT_EQ(back.Switch(SwitchId::CheckPrv), 0);
    EXPECT_FALSE(r.changes.empty()); // loading is a write like any other

    // The older 40-byte record keeps fisheyeScale at 100; other sizes and
    // values out of range do not get through.
    LensCorrectionSettings old = DefaultLensCorrection();
    old.distortion = 9999; // beyond -500..500
    old.fisheyeAngle = 120;
    s.WriteProfileBinary(S, "DistorionSettings", &old, 40);
    std::vector<uint8_t> short143(143, 1);
    s.WriteProfileBinary(S, "ColorTable", short143.data(), short143.size());
    s.WriteProfileInt(S, "CheckMGN", 5);
    EditState older;
    older.LoadSettings(s);
    EXPECT_EQ(older.Lens().distortion, 500);
    EXPECT_EQ(older.Lens().fisheyeAngle, 120);
    EXPECT_EQ(older.Lens().fisheyeScale, 100);
    EXPECT_EQ(older.SelectiveColors(), SelectiveColorTable{});
    EXPECT_EQ(older.Switch(SwitchId::CheckMGN), 1);
}

// ---------------------------------------------------------------------------

TEST(ParamFieldTable, OneRowPerFieldAtItsOffset)
{
    const auto table = ParamFieldTable();
    ASSERT_EQ(table.size(), kParamFieldCount);
    std::vector<bool> seen(kParamFieldCount);
    for (const ParamFieldInfo& f : table) {
        EXPECT_FALSE(seen[size_t(f.id)]) << f.name;
        seen[size_t(f.id)] = true;
        // Record order: field i at byte 4 i.
        EXPECT_EQ(f.Offset(), size_t(f.id) * 4) << f.name;
        EXPECT_EQ(&FieldInfo(f.id), &f);
        EXPECT_LE(f.min, f.max) << f.name;
    }
    EXPECT_EQ(FieldInfo(ParamField::gamma).type, ParamType::Float);
    EXPECT_EQ(FieldInfo(ParamField::sensitize).type, ParamType::Float);
    EXPECT_EQ(FieldByFileKey("NR3"), &FieldInfo(ParamField::NR3));
    EXPECT_EQ(FieldByFileKey("honeycomb"), nullptr); // not a file key
    EXPECT_EQ(ParamFileFields().size(), 36u);
    EXPECT_EQ(WhiteBalanceFields().size(), 7u);
    EXPECT_TRUE(IsWhiteBalanceField(ParamField::customWB2));
    EXPECT_FALSE(IsWhiteBalanceField(ParamField::gamma));
}

TEST(ParamFieldTable, GetSetAndDiffByField)
{
    DevParams a{};
    SetField(a, ParamField::gammaSR2, 0.75);
    SetField(a, ParamField::NR2, 80.9); // truncated
    EXPECT_EQ(a.gammaSR2, 0.75f);
    EXPECT_EQ(a.NR2, 80);
    EXPECT_EQ(GetField(a, ParamField::NR2), 80.0);
    DevParams b = a;
    b.WBfineTuneB = -3;
    b.sensitize = -0.1f;
    const ParamFieldSet d = DiffFields(a, b);
    EXPECT_EQ(d.count(), 2u);
    EXPECT_TRUE(d.test(size_t(ParamField::WBfineTuneB)));
    EXPECT_TRUE(d.test(size_t(ParamField::sensitize)));
}

TEST(ParamFieldTable, RangesDecideWhatASanitizedRecordKeeps)
{
    const DevParams fallback = DefaultParameters(0, false, DevParams{});
    for (const ParamFieldInfo& f : ParamFieldTable()) {
        DevParams p = fallback;
        SetField(p, f.id, f.max);
        EXPECT_EQ(SanitizeDevParams(p, fallback), 0) << f.name;
        SetField(p, f.id, f.min);
        EXPECT_EQ(SanitizeDevParams(p, fallback), 0) << f.name;
        const double beyond = f.type == ParamType::Int ? f.max + 1 : f.max * 2 + 1;
        SetField(p, f.id, beyond);
        EXPECT_EQ(SanitizeDevParams(p, fallback), 1) << f.name;
        EXPECT_EQ(GetField(p, f.id), GetField(fallback, f.id)) << f.name;
    }
}

TEST(ParamFieldTable, ConstantDefaultsAreTheDefaults)
{
    DevParams camera{};
    camera.exifOrientation = 8;
    camera.cameraWhiteBalance = 4;
    camera.cameraSharpness = 2;
    for (bool useRafWB : {false, true}) {
        const DevParams p = DefaultParameters(5, useRafWB, camera);
        for (const ParamFieldInfo& f : ParamFieldTable()) {
            if (f.defaultKind == ParamDefault::Constant) {
                EXPECT_EQ(GetField(p, f.id), f.defaultValue) << f.name;
            }
        }
        EXPECT_EQ(p.rotate, 2);
        EXPECT_EQ(p.sharpness, 2);
        EXPECT_EQ(p.whiteBalance, useRafWB ? 0 : 4);
        EXPECT_EQ(p.bGammaLog, useRafWB ? 1 : 0);
        EXPECT_EQ(p.contrast, useRafWB ? 0 : 20);
    }
}

TEST(ParamFieldTable, FileEntriesFollowTheTable)
{
    DevParams p = DefaultParameters(0, true, DevParams{});
    const std::vector<ParamFileEntry> entries = ParameterFileEntries(p, 1, 0);
    ASSERT_EQ(entries.size(), 40u);
    std::vector<std::string> keys;
    for (const ParamFileEntry& e : entries)
        keys.push_back(e.key);
    std::vector<std::string> expected = {"version"};
    for (const ParamFieldInfo& f : ParamFileFields()) {
        if (f.id == ParamField::bNR)
            expected.push_back("bFreeCurve");
        if (f.id == ParamField::customWB1)
            expected.push_back("customWBv");
        expected.push_back(f.fileKey);
    }
    expected.push_back("UseRafWB");
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(entries[1].value, "1.800000");
    EXPECT_EQ(entries[25].value, "1");
    EXPECT_EQ(entries.back().value, "0");
}

} // namespace
} // namespace velmo
