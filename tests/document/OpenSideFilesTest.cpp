#include "params/FeatureFiles.h"
#include "params/ParameterFile.h"
#include "platform/core/PrivateProfile.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "tests/document/SideFileTestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmo {
namespace {

using test::SideFileHost;
using Recent = SideFileHost::Recent;

class OpenSideFiles : public test::SideFileTest {
protected:
    std::string WriteImage(const std::string& name)
    {
        const std::string path = dir.File(name);
        test::RafFileSpec recipe;
        EXPECT_TRUE(test::WriteRaf(path, recipe));
        return path;
    }

    SideFileHost host;
};

struct SideFileCase {
    const char* name;
    std::optional<RecentListKind> recent; // none: the view adds crop frames itself
    std::string DocumentPaths::*remembered;
};

TEST_F(OpenSideFiles, EachSideFileKeepsTheImagePathAndReturnsFalse)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    const std::string image = WriteImage("DSCF0001.RAF");
    ASSERT_TRUE(doc.OnOpenDocument(image));
    const size_t samples = doc.Image().mainImage.size();

    for (FeatureKind kind : {FeatureKind::FreeCurve, FeatureKind::LensCorrection, FeatureKind::SelectiveColors})
        doc.Edit().SetFeature(kind, true);
    ASSERT_TRUE(doc.OnSaveParametersAs(dir.File("p.VMR")));
    ASSERT_TRUE(doc.OnSaveToneCurveAs(dir.File("t.VMT")));
    ASSERT_TRUE(doc.OnSaveLensCorrectionAs(dir.File("l.VML")));
    ASSERT_TRUE(doc.OnSaveSelectiveColorsAs(dir.File("c.VMC")));
    ASSERT_TRUE(doc.OnSaveSpotWhiteBalance(dir.File("w.VMW")));
    ASSERT_TRUE(test::WriteText(dir.File("f.VMF"), "[Settings]\r\nCropAspectRatio=1\r\n"));
    test::ResetFeatureState(doc);
    DocumentPaths forgotten = doc.Paths();
    forgotten.parameters.clear();
    forgotten.toneCurve.clear();
    forgotten.lens.clear();
    forgotten.selectiveColors.clear();
    forgotten.whiteBalance.clear();
    doc.SetPaths(forgotten);

    const SideFileCase cases[] = {
        {"p.VMR", RecentListKind::Parameters, &DocumentPaths::parameters},
        {"t.VMT", RecentListKind::ToneCurve, &DocumentPaths::toneCurve},
        {"l.VML", RecentListKind::LensCorrection, &DocumentPaths::lens},
        {"c.VMC", RecentListKind::SelectiveColors, &DocumentPaths::selectiveColors},
        {"w.VMW", RecentListKind::WhiteBalance, &DocumentPaths::whiteBalance},
        {"f.VMF", std::nullopt, nullptr},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        host.recent.clear();
        host.cropReads.clear();
        const int refreshes = log.Refreshes();
        const uint64_t parses = PrivateProfileFileParses();
        EXPECT_FALSE(doc.OnOpenDocument(path)) << c.name;
        // Read key by key, parsed once.
        EXPECT_EQ(PrivateProfileFileParses() - parses, c.recent ? 1u : 0u) << c.name;
        EXPECT_EQ(doc.SourcePath(), image) << c.name;
        EXPECT_EQ(doc.Image().mainImage.size(), samples) << c.name;
        if (c.recent) {
            EXPECT_EQ(host.recent, (std::vector<Recent>{Recent{*c.recent, path}})) << c.name;
            EXPECT_EQ(doc.Paths().*c.remembered, path) << c.name;
            EXPECT_EQ(log.Refreshes(), refreshes + 1) << c.name;
        } else {
            EXPECT_TRUE(host.recent.empty());
            EXPECT_EQ(host.cropReads, std::vector<std::string>{path});
        }
    }
    // The parameter file reads the crop keys through the view too.
    host.cropReads.clear();
    doc.OnOpenDocument(dir.File("p.VMR"));
    EXPECT_EQ(host.cropReads, std::vector<std::string>{dir.File("p.VMR")});
    EXPECT_TRUE(host.opened.empty()); // an image is loaded: "FileName" is not opened
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(OpenSideFiles, ExtensionsAreComparedUpperCased)
{
    CVelmoDoc doc(&host);
    const std::string path = dir.File("lower.vmr");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nhue=33\r\n"));
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Edit().Params().hue, 33);
    EXPECT_EQ(doc.Paths().parameters, path);
    EXPECT_EQ(host.recent, (std::vector<Recent>{Recent{RecentListKind::Parameters, path}}));

    const std::string curve = dir.File("lower.vmt");
    ASSERT_TRUE(WriteFreeCurveFile(curve, 0, test::SampleFreeCurve()));
    EXPECT_FALSE(doc.OnOpenDocument(curve));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(OpenSideFiles, FileNameOpensTheImageFirstWhenNoneIsLoaded)
{
    const std::string image = WriteImage("DSCF0002.RAF");
    const std::string params = dir.File("DSCF0002.VMR");
    ASSERT_TRUE(test::WriteText(params, "[Settings]\r\nhue=21\r\nFileName=" + dir.File("DSCF0002.vmr") + "\r\n"));

    // Without an application to open it, the document opens it itself.
    {
        CVelmoDoc doc(&host);
        EXPECT_FALSE(doc.OnOpenDocument(params));
        EXPECT_EQ(host.opened, std::vector<std::string>{dir.File("DSCF0002.RAF")});
        EXPECT_TRUE(doc.HasImage());
        EXPECT_EQ(doc.SourcePath(), image);
        EXPECT_EQ(doc.Edit().Params().hue, 21); // the parameters apply over the loaded image
        EXPECT_EQ(doc.Paths().parameters, params);
    }
    // With the application opening it.
    {
        SideFileHost app;
        CVelmoDoc doc(&app);
        app.openInto = &doc;
        EXPECT_FALSE(doc.OnOpenDocument(params));
        EXPECT_EQ(app.opened, std::vector<std::string>{dir.File("DSCF0002.RAF")});
        EXPECT_EQ(doc.SourcePath(), image);
        EXPECT_EQ(doc.Edit().Params().hue, 21);
    }
    // With an image loaded "FileName" is ignored.
    {
        SideFileHost loaded;
        CVelmoDoc doc(&loaded);
        const std::string other = WriteImage("OTHER.RAF");
        ASSERT_TRUE(doc.OnOpenDocument(other));
        EXPECT_FALSE(doc.OnOpenDocument(params));
        EXPECT_TRUE(loaded.opened.empty());
        EXPECT_EQ(doc.SourcePath(), other);
        EXPECT_EQ(doc.Edit().Params().hue, 21);
    }
}

TEST_F(OpenSideFiles, FeatureFilesSwitchTheFeatureOnWhateverItsState)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    const std::string path = dir.File("c.VMT");
    ASSERT_TRUE(WriteFreeCurveFile(path, 0, test::SampleFreeCurve()));
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    using Toggle = std::pair<FeatureKind, bool>;
    EXPECT_EQ(log.toggles, (std::vector<Toggle>{{FeatureKind::FreeCurve, true}, {FeatureKind::FreeCurve, true}}));
    // The palettes are told of the new curve; the same curve again changes nothing.
    EXPECT_EQ(log.Tables(), (std::vector<FeatureKind>{FeatureKind::FreeCurve}));

    // The toggle command itself switches both ways.
    doc.ToggleFeature(FeatureKind::SelectiveColors);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 1);
    doc.ToggleFeature(FeatureKind::SelectiveColors);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 0);
    EXPECT_EQ(log.toggles.back(), (Toggle{FeatureKind::SelectiveColors, false}));
}

TEST_F(OpenSideFiles, MissingAndUnreadableSideFilesChangeNothing)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    const DevParams before = doc.Edit().Params();
    for (const char* name : {"none.VMR", "none.VMT", "none.VMC", "none.VML", "none.VMW", "none.VMF"})
        EXPECT_FALSE(doc.OnOpenDocument(dir.File(name))) << name;
    EXPECT_TRUE(messages.calls.empty());

    // A feature file whose block is broken is reported and not applied.
    const std::string broken = dir.File("broken.VMC");
    ASSERT_TRUE(test::WriteText(broken, "[Settings]\r\nColorTable_flag=1\r\nColorTable=00\r\n"));
    EXPECT_FALSE(doc.OnOpenDocument(broken));
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 0);
    EXPECT_TRUE(doc.Paths().selectiveColors.empty());

    EXPECT_TRUE(host.recent.empty());
    EXPECT_TRUE(log.toggles.empty());
    EXPECT_TRUE(host.cropReads.empty());
    EXPECT_EQ(log.Refreshes(), 0);
    EXPECT_EQ(doc.Edit().Params(), before);
}

TEST_F(OpenSideFiles, WhiteBalanceFileSelectsTheCustomPresetOfTheMode)
{
    const std::string path = dir.File("spot.VMW");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\ncustomWBv=71\r\ncustomWB1=4096\r\ncustomWB2=2048\r\n"
                                      "customWB3=1024\r\n"));
    for (int useRafWB : {1, 0}) {
        CVelmoDoc doc(&host);
        doc.Edit().SetSwitch(SwitchId::UseRafWB, useRafWB);
        EXPECT_FALSE(doc.OnOpenDocument(path));
        EXPECT_EQ(doc.Edit().Params().whiteBalance, useRafWB ? 11 : 7);
        EXPECT_EQ(doc.Edit().Params().customWB1, 4096);
        EXPECT_EQ(doc.Edit().Params().customWB3, 1024);
        // The custom rows follow the multipliers.
        using C = FamilyWhiteBalanceTable::Column;
        const auto& table = doc.FamilyTable();
        EXPECT_EQ(table.rows[FamilyWhiteBalanceTable::kCustomRow][C::B], table.rows[0][C::B2] * 4);
        EXPECT_EQ(table.rows[FamilyWhiteBalanceTable::kCustomRow][C::R], table.rows[0][C::R2]);
    }
}

// A white-balance file without any of its keys is refused as a feature file
// without its block is: reported naming the file, and nothing changes.
TEST_F(OpenSideFiles, WhiteBalanceFileWithoutItsKeysIsRefused)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty.VMW", ""},
        {"junk.VMW", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\x10", 18)},
        {"keyless.VMW", "[Settings]\r\nversion=71\r\ngamma=2.2\r\n"},
        {"empty values.VMW", "[Settings]\r\ncustomWB1=\r\ncustomWBv=\r\n"},
        {"other section.VMW", "[Other]\r\ncustomWB1=4096\r\n"},
    };
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    doc.Edit().SetField(ParamField::whiteBalance, 2);
    const DevParams before = doc.Edit().Params();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        ASSERT_TRUE(test::WriteText(path, c.text));
        messages.calls.clear();
        EXPECT_FALSE(doc.OnOpenDocument(path));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_NE(messages.calls[0].text.find(path), std::string::npos) << messages.calls[0].text;
        EXPECT_EQ(doc.Edit().Params(), before);
        EXPECT_TRUE(doc.Paths().whiteBalance.empty());
    }
    EXPECT_TRUE(host.recent.empty());
    EXPECT_EQ(log.Refreshes(), 0);

    // One key is enough.
    const std::string one = dir.File("one.VMW");
    ASSERT_TRUE(test::WriteText(one, "[Settings]\r\nWBfineTuneR=3\r\n"));
    messages.calls.clear();
    EXPECT_FALSE(doc.OnOpenDocument(one));
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(doc.Edit().Params().WBfineTuneR, 3);
    EXPECT_EQ(doc.Paths().whiteBalance, one);
}

TEST_F(OpenSideFiles, CropFramesNeedAView)
{
    const std::string path = dir.File("frame.vmf");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nCropSelect0.x=10\r\n"));
    host.mainWindow = false;
    {
        CVelmoDoc doc(&host);
        EXPECT_FALSE(doc.OnOpenDocument(path));
        EXPECT_TRUE(host.cropReads.empty());
    }
    host.mainWindow = true;
    CVelmoDoc doc(&host);
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(host.cropReads, std::vector<std::string>{path});
}

TEST_F(OpenSideFiles, ParameterFileRotationLaysTheFrameOutAgain)
{
    CVelmoDoc doc(&host);
    test::EditLog log(doc.Edit());
    const std::string path = dir.File("turn.VMR");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nrotate=2\r\n"));
    const int layouts = host.layouts;
    const int resends = host.cropResends;
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Edit().Params().rotate, 2);
    EXPECT_EQ(host.layouts, layouts + 1);
    EXPECT_EQ(host.cropResends, resends + 1);
    EXPECT_EQ(log.Refreshes(), 1);

    // An out-of-range rotation never reaches the rotation command.
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nrotate=40\r\n"));
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(doc.Edit().Params().rotate, 2);
}

TEST_F(OpenSideFiles, AcceptedColourProfilesGoToTheirRecentList)
{
    CVelmoDoc doc(&host);
    const BuiltInIccProfile& srgb = kBuiltInIccProfiles[0];
    const std::vector<uint8_t> rgb(srgb.data, srgb.data + srgb.size);
    ASSERT_TRUE(test::WriteFile(dir.File("good.icc"), rgb));
    std::vector<uint8_t> cmyk = rgb;
    std::memcpy(cmyk.data() + 16, "CMYK", 4);
    ASSERT_TRUE(test::WriteFile(dir.File("bad.ICM"), cmyk));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("good.icc")));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("bad.ICM")));
    EXPECT_EQ(host.recent, (std::vector<Recent>{Recent{RecentListKind::ColorProfile, dir.File("good.icc")}}));

    // A file that is no profile, or a profile cut short, is refused with the
    // real reason, naming the file.
    ASSERT_TRUE(test::WriteText(dir.File("notes.icc"), std::string(128, 'x')));
    ASSERT_TRUE(test::WriteFile(dir.File("cut.icc"), std::vector<uint8_t>(rgb.begin(), rgb.begin() + 1000)));
    const std::pair<const char*, const char*> refused[] = {{"notes.icc", "not an ICC profile"},
                                                           {"cut.icc", "cut short"}};
    for (const auto& [name, reason] : refused) {
        messages.calls.clear();
        EXPECT_FALSE(doc.OnOpenDocument(dir.File(name)));
        ASSERT_EQ(messages.calls.size(), 1u) << name;
        EXPECT_NE(messages.calls[0].text.find(reason), std::string::npos) << messages.calls[0].text;
        EXPECT_NE(messages.calls[0].text.find(dir.File(name)), std::string::npos) << messages.calls[0].text;
    }
    EXPECT_EQ(host.recent.size(), 1u);
}

} // namespace
} // namespace velmo
