#include "document/DocParameterFile.h"
#include "params/ParameterFile.h"

#include "params/FeatureFiles.h"
#include "params/ParamFields.h"
#include "params/ParamKeys.h"
#include "platform/core/PrivateProfile.h"
#include "tests/document/SideFileTestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmo {
namespace {

using test::SideFileHost;

// Every stored field away from the defaults, inside the palettes' ranges.
DevParams StoredSample()
{
    DevParams p{};
    p.gamma = 2.2f;
    p.sensitize = -1.3f;
    p.whiteBalance = 3;
    p.wbTempt = 6500;
    p.contrast = -12;
    p.brightness = 7;
    p.saturation = 135;
    p.hue = -4;
    p.sharpness = 3;
    p.rotate = 1;
    p.gammaSR = 1.5f;
    p.gammaSR2 = 0.75f;
    p.mixSR = 35;
    p.typeSR = 2;
    p.iEnhColor = 2;
    p.iEnhGreen = 1;
    p.iColorNR = 3;
    p.iColorNRthreshold = 55;
    p.soften = 11;
    p.harden = 22;
    p.ICC = 2;
    p.easySR = 1;
    p.linearSR = 60;
    p.bGammaLog = 1;
    p.bNR = 2;
    p.NR1 = 3;
    p.NR2 = 80;
    p.NR3 = 120;
    p.NR4 = 40;
    p.customWB1 = 3000;
    p.customWB2 = 4096;
    p.customWB3 = 2500;
    p.WBfineTuneR = 5;
    p.WBfineTuneG = -6;
    p.WBfineTuneB = 7;
    p.WBfineTune = 1;
    return p;
}

// The fields parameter files do not hold.
void ExpectUnstoredFieldsEqual(const DevParams& a, const DevParams& b)
{
    EXPECT_EQ(a.honeycomb, b.honeycomb);
    EXPECT_EQ(a.reserved4, b.reserved4);
    EXPECT_EQ(a.twoFrames, b.twoFrames);
    EXPECT_EQ(a.cameraWhiteBalance, b.cameraWhiteBalance);
    EXPECT_EQ(a.exifOrientation, b.exifOrientation);
    EXPECT_EQ(a.cameraSharpness, b.cameraSharpness);
    EXPECT_EQ(a.sImageOn, b.sImageOn);
    EXPECT_EQ(a.rImageOn, b.rImageOn);
}

void ExpectStoredFieldsEqual(const DevParams& a, const DevParams& b)
{
    for (const ParamFieldInfo& f : ParamFileFields()) {
        if (f.type == ParamType::Float)
            EXPECT_EQ(a.*f.floatField, b.*f.floatField) << f.fileKey;
        else
            EXPECT_EQ(a.*f.intField, b.*f.intField) << f.fileKey;
    }
}

class ParameterFile : public test::SideFileTest {
protected:
    SideFileHost host;
};

class ParameterFileRoundTrip : public ParameterFile, public ::testing::WithParamInterface<bool> {};

TEST_P(ParameterFileRoundTrip, EveryStoredFieldAndTheFeatureBlocks)
{
    const bool featuresOn = GetParam();
    CVelmoDoc doc(&host);
    const std::string path = dir.File("set.VMR");
    const DevParams written = StoredSample();
    {
        // Written from another document's state.
        CVelmoDoc writer;
        for (FeatureKind kind : {FeatureKind::LensCorrection, FeatureKind::SelectiveColors, FeatureKind::FreeCurve})
            writer.Edit().SetFeature(kind, featuresOn);
        writer.Edit().SetLens(test::SampleLens());
        writer.Edit().SetSelectiveColors(test::SampleColors());
        writer.Edit().SetFreeCurve(test::SampleFreeCurve());
        writer.Edit().SetParams(written);
        ASSERT_TRUE(WriteParameterFile(writer.Edit(), path));
    }

    // Another state before the read: defaults, the other flags, fresh tables.
    for (FeatureKind kind : {FeatureKind::LensCorrection, FeatureKind::SelectiveColors, FeatureKind::FreeCurve})
        doc.Edit().SetFeature(kind, !featuresOn);
    doc.SetDefaultParameters();
    doc.Edit().SetField(ParamField::twoFrames, 1);
    doc.Edit().SetField(ParamField::exifOrientation, 6);
    doc.Edit().SetField(ParamField::cameraSharpness, 2);
    const DevParams before = doc.Edit().Params();
    const FreeCurveStore curveBefore = doc.Edit().FreeCurve();

    test::EditLog log(doc.Edit());
    ASSERT_TRUE(ReadParameterFile(path, doc));
    ExpectStoredFieldsEqual(doc.Edit().Params(), written);
    ExpectUnstoredFieldsEqual(doc.Edit().Params(), before);
    EXPECT_EQ(doc.Edit().Switch(SwitchId::UseRafWB), 1);
    EXPECT_EQ(log.Count(EditTarget::Switch), 0);

    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), featuresOn ? 1 : 0);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), featuresOn ? 1 : 0);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), featuresOn ? 1 : 0);
    if (featuresOn) {
        EXPECT_EQ(doc.Edit().Lens(), test::SampleLens());
        EXPECT_EQ(doc.Edit().SelectiveColors(), test::SampleColors());
        const FreeCurveStore sample = test::SampleFreeCurve();
        EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve(), &sample, sizeof sample), 0);
        EXPECT_FALSE(doc.PrepareDevelopment().freeCurve->IsIdentity());
        EXPECT_EQ(log.Tables().size(), 3u);
    } else {
        EXPECT_EQ(doc.Edit().Lens(), DefaultLensCorrection());
        EXPECT_EQ(doc.Edit().SelectiveColors(), SelectiveColorTable{});
        EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve(), &curveBefore, sizeof curveBefore), 0);
        EXPECT_TRUE(log.Tables().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Features, ParameterFileRoundTrip, ::testing::Bool(),
                         [](const auto& testInfo) { return testInfo.param ? "On" : "Off"; });

TEST_F(ParameterFile, KeysStandInFileOrderWithTheirFormats)
{
    CVelmoDoc doc(&host);
    doc.Edit().SetParams(StoredSample());
    { DocumentPaths p = doc.Paths(); p.source = "/photos/DSCF0001.RAF"; doc.SetPaths(p); }
    const std::string path = dir.File("order.VMR");
    ASSERT_TRUE(doc.OnSaveParametersAs(path));
    const std::vector<std::string> expected = {
        "[Settings]",
        "version=71",
        "gamma=2.200000",
        "sensitize=-1.300000",
        "whiteBalance=3",
        "wbTempt=6500",
        "contrast=-12",
        "brightness=7",
        "saturation=135",
        "hue=-4",
        "sharpness=3",
        "rotate=1",
        "gammaSR=1.500000",
        "gammaSR2=0.750000",
        "mixSR=35",
        "typeSR=2",
        "iEnhColor=2",
        "iEnhGreen=1",
        "iColorNR=3",
        "iColorNRthreshold=55",
        "soften=11",
        "harden=22",
        "ICC=2",
        "easySR=1",
        "linearSR=60",
        "bGammaLog=1",
        "bFreeCurve=0",
        "bNR=2",
        "NR1=3",
        "NR2=80",
        "NR3=120",
        "NR4=40",
        "customWBv=71",
        "customWB1=3000",
        "customWB2=4096",
        "customWB3=2500",
        "WBfineTuneR=5",
        "WBfineTuneG=-6",
        "WBfineTuneB=7",
        "WBfineTune=1",
        "UseRafWB=1",
        "FileName=/photos/DSCF0001.RAF",
    };
    EXPECT_EQ(test::ReadLines(path), expected);
    EXPECT_EQ(host.cropWrites, std::vector<std::string>{path});

    // With every feature on, the three blocks follow "UseRafWB" and
    // "FileName" keeps its place.
    for (FeatureKind kind : {FeatureKind::LensCorrection, FeatureKind::SelectiveColors, FeatureKind::FreeCurve})
        doc.Edit().SetFeature(kind, true);
    ASSERT_TRUE(doc.OnSaveParametersAs(path));
    std::vector<std::string> keys;
    for (const std::string& line : test::ReadLines(path))
        keys.push_back(line.substr(0, line.find('=')));
    const std::vector<std::string> tail(keys.end() - 8, keys.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"UseRafWB", "FileName", "DistorionSettings_flag", "DistorionSettings",
                                              "ColorTable_flag", "ColorTable", "FreeCurve_flag", "FreeCurve"}));
    EXPECT_EQ(GetPrivateProfileInt("Settings", "bFreeCurve", -1, path), 1);
}

TEST_F(ParameterFile, HandWrittenFileReadsLikeTheProgram)
{
    CVelmoDoc doc(&host);
    doc.SetDefaultParameters();
    const DevParams before = doc.Edit().Params();
    const std::string path = dir.File("hand.vmr");
    ASSERT_TRUE(test::WriteText(path, "; written by hand\r\n"
                                      "[settings]\r\n"
                                      "GAMMA = 2.200000\r\n"
                                      "sensitize=  -0.5EV\r\n"
                                      "gammaSR=abc\r\n"
                                      "contrast=+17xyz\r\n"
                                      "hue=\r\n"
                                      "[Other]\r\n"
                                      "brightness=9\r\n"));
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().Params().gamma, 2.2f);
    EXPECT_EQ(doc.Edit().Params().sensitize, -0.5f);
    EXPECT_EQ(doc.Edit().Params().gammaSR, before.gammaSR); // no number: kept (0 would be a valid exponent)
    EXPECT_EQ(doc.Edit().Params().contrast, 17);
    EXPECT_EQ(doc.Edit().Params().hue, before.hue);               // empty value: the default
    EXPECT_EQ(doc.Edit().Params().brightness, before.brightness); // another section
    EXPECT_EQ(doc.Edit().Params().whiteBalance, before.whiteBalance);
}

TEST_F(ParameterFile, StaleFlagOfADisabledFeatureStillEnablesIt)
{
    CVelmoDoc doc(&host);
    doc.SetDefaultParameters();
    const std::string path = dir.File("stale.VMR");
    doc.Edit().SetFeature(FeatureKind::FreeCurve, 1);
    doc.Edit().SetFreeCurve(test::SampleFreeCurve());
    ASSERT_TRUE(doc.OnSaveParametersAs(path));
    doc.Edit().SetFeature(FeatureKind::FreeCurve, 0);
    ASSERT_TRUE(doc.OnSaveParametersAs(path));
    EXPECT_EQ(GetPrivateProfileInt("Settings", "FreeCurve_flag", -1, path), 1);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "bFreeCurve", -1, path), 0);

    doc.Edit().SetFreeCurve(FreeCurveStore{});
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    const FreeCurveStore sample = test::SampleFreeCurve();
    EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve(), &sample, sizeof sample), 0);
    // Features never saved stay off.
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 0);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 0);
}

struct OutOfRangeCase {
    const char* key;
    const char* value;
};

class ParameterFileOutOfRange : public ParameterFile, public ::testing::WithParamInterface<OutOfRangeCase> {};

TEST_P(ParameterFileOutOfRange, KeepsTheCurrentValue)
{
    const auto& c = GetParam();
    CVelmoDoc doc(&host);
    doc.SetDefaultParameters();
    doc.Edit().SetField(ParamField::easySR, 0); // reads as 0 anyway
    const DevParams before = doc.Edit().Params();
    const std::string path = dir.File("range.VMR");
    ASSERT_TRUE(WritePrivateProfileString("Settings", "customWBv", std::string_view("71"), path));
    ASSERT_TRUE(WritePrivateProfileString("Settings", c.key, std::string_view(c.value), path));
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().Params(), before) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ParameterFileOutOfRange,
    ::testing::Values(OutOfRangeCase{"whiteBalance", "13"}, OutOfRangeCase{"whiteBalance", "-2"},
                      OutOfRangeCase{"whiteBalance", "99999999999"}, OutOfRangeCase{"rotate", "3"},
                      OutOfRangeCase{"rotate", "-1"}, OutOfRangeCase{"ICC", "5"}, OutOfRangeCase{"typeSR", "8"},
                      OutOfRangeCase{"sharpness", "9"}, OutOfRangeCase{"iEnhColor", "3"},
                      OutOfRangeCase{"iColorNR", "6"}, OutOfRangeCase{"NR1", "0"}, OutOfRangeCase{"NR3", "0"},
                      OutOfRangeCase{"NR4", "-3"}, OutOfRangeCase{"bNR", "3"}, OutOfRangeCase{"wbTempt", "100000"},
                      OutOfRangeCase{"saturation", "-5"}, OutOfRangeCase{"hue", "500"},
                      OutOfRangeCase{"customWB1", "0"}, OutOfRangeCase{"customWB3", "-40"},
                      OutOfRangeCase{"WBfineTuneR", "101"}, OutOfRangeCase{"gamma", "-0.01"},
                      OutOfRangeCase{"gamma", "16.01"}, OutOfRangeCase{"gammaSR", "17"},
                      OutOfRangeCase{"mixSR", "241"}, OutOfRangeCase{"mixSR", "-1"},
                      OutOfRangeCase{"gamma", "-2.2"}, OutOfRangeCase{"gamma", "1e300"},
                      OutOfRangeCase{"gamma", "nan"}, OutOfRangeCase{"gammaSR2", "1000"},
                      OutOfRangeCase{"sensitize", "7.5"}),
    [](const auto& testInfo) {
        std::string name = std::string(testInfo.param.key) + "_" + testInfo.param.value;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name + "_" + std::to_string(testInfo.index);
    });

TEST_F(ParameterFile, FeatureFlagsReadAsOnOrOff)
{
    CVelmoDoc doc(&host);
    const std::string path = dir.File("flags.VMR");
    ASSERT_TRUE(WriteSelectiveColorFile(path, 7, test::SampleColors()));
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 1);
}

TEST_F(ParameterFile, UseRafWBFlipResetsBeforeTheKeysApply)
{
    CVelmoDoc doc(&host);
    doc.SetCameraFamily(0);
    doc.SetDefaultParameters();
    doc.Edit().SetField(ParamField::contrast, 50);
    doc.Edit().SetField(ParamField::hue, 40);
    const std::string path = dir.File("oldwb.VMR");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nUseRafWB=0\r\nhue=10\r\n"));
    test::EditLog log(doc.Edit());
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().Switch(SwitchId::UseRafWB), 0);
    // The palettes are told of the switch (they fill their lists again).
    EXPECT_EQ(log.Count(EditTarget::Switch), 1);
    EXPECT_EQ(doc.Edit().Params().hue, 10);       // the file's key over the reset
    EXPECT_EQ(doc.Edit().Params().contrast, 15);  // family 0's default without "UseRafWB"
    EXPECT_EQ(doc.Edit().Params().bGammaLog, 0);  // likewise (1 with "UseRafWB")
    EXPECT_EQ(doc.Edit().Params().saturation, 125);

    // The same switch changes nothing before the keys.
    doc.Edit().SetField(ParamField::contrast, 50);
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(log.Count(EditTarget::Switch), 1);
    EXPECT_EQ(doc.Edit().Params().contrast, 50);
}

TEST_F(ParameterFile, MissingEasySRReadsAsZero)
{
    CVelmoDoc doc(&host);
    doc.Edit().SetField(ParamField::easySR, 1);
    const std::string path = dir.File("old.VMR");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nversion=40\r\ngamma=1.000000\r\n"));
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().Params().easySR, 0);
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "easySR", 1, path));
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().Params().easySR, 1);
}

TEST_F(ParameterFile, LensBlocksOfBothLengthsAndBrokenBlocks)
{
    CVelmoDoc doc(&host);
    const std::string path = dir.File("lens.VMR");
    LensCorrectionSettings old = test::SampleLens();
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "DistorionSettings_flag", 1, path));
    ASSERT_TRUE(WritePrivateProfileStruct("Settings", "DistorionSettings", &old, 28, path));
    LensCorrectionSettings current = DefaultLensCorrection();
    current.coefficient = 333;
    current.flags = 1;
    current.fisheyeAngle = 150;
    doc.Edit().SetLens(current);
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 1);
    LensCorrectionSettings expected = old;
    expected.coefficient = 200;
    expected.flags = 1; // the fisheye fields are not file fields
    expected.fisheyeAngle = 150;
    EXPECT_EQ(doc.Edit().Lens(), expected);

    // A block whose checksum does not match is not loaded and the
    // correction stays off.
    std::string text = GetPrivateProfileString("Settings", "DistorionSettings", "", path);
    text.back() = text.back() == '0' ? '1' : '0';
    ASSERT_TRUE(WritePrivateProfileString("Settings", "DistorionSettings", std::string_view(text), path));
    doc.Edit().SetLens(current);
    ASSERT_TRUE(ReadParameterFile(path, doc));
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 0);
    EXPECT_EQ(doc.Edit().Lens(), current);
}

TEST_F(ParameterFile, MissingFileChangesNothing)
{
    CVelmoDoc doc(&host);
    doc.Edit().SetField(ParamField::easySR, 1);
    doc.Edit().SetFeature(FeatureKind::FreeCurve, true);
    doc.Edit().SetFeature(FeatureKind::LensCorrection, true);
    const DevParams before = doc.Edit().Params();
    EXPECT_FALSE(ReadParameterFile(dir.File("none.VMR"), doc));
    EXPECT_FALSE(ReadParameterFile(dir.path(), doc));
    EXPECT_EQ(doc.Edit().Params(), before);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 1);
}

TEST_F(ParameterFile, SaveNamesTheFileAfterTheImageAndRemembersIt)
{
    CVelmoDoc doc(&host);
    EXPECT_FALSE(doc.OnSaveParameters()); // neither a parameter file nor an image
    EXPECT_TRUE(host.recent.empty());

    { DocumentPaths p = doc.Paths(); p.source = dir.File("DSCF0001.RAF"); doc.SetPaths(p); }
    ASSERT_TRUE(doc.OnSaveParameters());
    const std::string beside = dir.File("DSCF0001.VMR");
    EXPECT_EQ(GetPrivateProfileString("Settings", "FileName", "", beside), doc.SourcePath());
    EXPECT_EQ(doc.Paths().parameters, beside);
    EXPECT_EQ(host.recent, (std::vector<SideFileHost::Recent>{{RecentListKind::Parameters, beside}}));
    EXPECT_EQ(host.cropWrites, std::vector<std::string>{beside});

    // Saving again overwrites the remembered file, never numbering it.
    doc.Edit().SetField(ParamField::hue, 33);
    ASSERT_TRUE(doc.OnSaveParameters());
    EXPECT_EQ(GetPrivateProfileInt("Settings", "hue", 0, beside), 33);
    const std::string other = dir.File("other.VMR");
    ASSERT_TRUE(doc.OnSaveParametersAs(other));
    EXPECT_EQ(doc.Paths().parameters, other);
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(ParameterFile, WriteFailuresAreReportedAndNotRemembered)
{
    CVelmoDoc doc(&host);
    { DocumentPaths p = doc.Paths(); p.source = dir.File("DSCF0002.RAF"); doc.SetPaths(p); }
    const std::string unwritable = dir.File("no-such-dir/set.VMR");
    EXPECT_FALSE(doc.OnSaveParametersAs(unwritable));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_NE(messages.calls[0].text.find(unwritable), std::string::npos);
    EXPECT_TRUE(host.recent.empty());
    EXPECT_TRUE(doc.Paths().parameters.empty());

    // The crop keys that could not be written fail the save too.
    host.cropWriteResult = false;
    EXPECT_FALSE(doc.OnSaveParametersAs(dir.File("crop.VMR")));
    EXPECT_EQ(messages.calls.size(), 2u);
    EXPECT_TRUE(host.recent.empty());
    EXPECT_TRUE(doc.Paths().parameters.empty());
}

TEST(ParameterFileName, DropsAThreeLetterExtensionOnly)
{
    const struct {
        const char* source;
        const char* name;
    } cases[] = {
        {"/a/DSCF0001.RAF", "/a/DSCF0001.VMR"},
        {"/a/shot.raf", "/a/shot.VMR"},
        {"/a/shot.R4F", "/a/shot.R4F.VMR"},   // a digit is not a letter
        {"/a.b/shot", "/a.b/shot.VMR"},
        {".RAF", ".RAF.VMR"},                  // not longer than four characters
        {"x.tiff", "x.tiff.VMR"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParameterFileNameFor(c.source), c.name) << c.source;
}

} // namespace
} // namespace velmo
