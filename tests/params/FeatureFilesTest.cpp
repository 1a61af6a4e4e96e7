#include "params/FeatureFiles.h"

#include "params/ParamKeys.h"
#include "platform/core/PrivateProfile.h"
#include "tests/document/SideFileTestEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmo {
namespace {

using test::SideFileHost;

std::string Zeros(size_t bytes) { return std::string(2 * bytes, '0'); }

class FeatureFiles : public test::SideFileTest {
protected:
    SideFileHost host;
};

TEST_F(FeatureFiles, EachFileRoundTripsThroughTheSaveCommandsAndTheOpenRoutine)
{
    CVelmoDoc doc(&host);
    doc.Edit().SetFeature(FeatureKind::FreeCurve, 1);
    doc.Edit().SetFeature(FeatureKind::LensCorrection, 0);
    doc.Edit().SetFeature(FeatureKind::SelectiveColors, 1);
    doc.Edit().SetFreeCurve(test::SampleFreeCurve());
    doc.Edit().SetLens(test::SampleLens());
    doc.Edit().SetSelectiveColors(test::SampleColors());
    ASSERT_TRUE(doc.OnSaveToneCurveAs(dir.File("c.VMT")));
    ASSERT_TRUE(doc.OnSaveLensCorrectionAs(dir.File("l.VML")));
    ASSERT_TRUE(doc.OnSaveSelectiveColorsAs(dir.File("s.VMC")));
    EXPECT_EQ(GetPrivateProfileInt("Settings", "FreeCurve_flag", -1, dir.File("c.VMT")), 1);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "DistorionSettings_flag", -1, dir.File("l.VML")), 0);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "ColorTable_flag", -1, dir.File("s.VMC")), 1);
    EXPECT_EQ(doc.Paths().toneCurve, dir.File("c.VMT"));
    EXPECT_EQ(doc.Paths().lens, dir.File("l.VML"));
    EXPECT_EQ(doc.Paths().selectiveColors, dir.File("s.VMC"));
    EXPECT_EQ(host.recent, (std::vector<SideFileHost::Recent>{{RecentListKind::ToneCurve, dir.File("c.VMT")},
                                                              {RecentListKind::LensCorrection, dir.File("l.VML")},
                                                              {RecentListKind::SelectiveColors, dir.File("s.VMC")}}));

    test::ResetFeatureState(doc);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("c.VMT")));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("l.VML")));
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("s.VMC")));
    const FreeCurveStore curve = test::SampleFreeCurve();
    EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve(), &curve, sizeof curve), 0);
    EXPECT_FALSE(doc.PrepareDevelopment().freeCurve->IsIdentity());
    EXPECT_EQ(doc.Edit().Lens(), test::SampleLens());
    EXPECT_EQ(doc.Edit().SelectiveColors(), test::SampleColors());
    // A lens file saved while the correction was off still switches it on.
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::LensCorrection), 1);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::FreeCurve), 1);
    EXPECT_EQ(doc.Edit().FeatureFlag(FeatureKind::SelectiveColors), 1);
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(FeatureFiles, HandWrittenStructLinesAreReadAndWrittenAlike)
{
    // distortion 1, chromaRed -1, coefficient 200: checksum 1 + 4 x 0xFF + 0xC8 = 0x4C5.
    const std::string lensLine = "DistorionSettings=01000000FFFFFFFF" + Zeros(20) + "C8000000C5";
    // Reds: red 10, green -20, black 5: checksum 0x0A + 0xEC + 3 x 0xFF + 0x05 = 0x3F8.
    const std::string colorLine = "ColorTable=0A000000ECFFFFFF0000000005000000" + Zeros(128) + "F8";
    // Master: 2 points, linear, (0, 0) and (65535, 65535): checksum 2 + 1 + 4 x 0xFF = 0x3FF.
    const std::string curveLine = "FreeCurve=0200010000000000FFFFFFFF" + Zeros(260) + "FF";
    const std::string path = dir.File("hand.VMR");
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\n" + lensLine + "\r\n" + colorLine + "\r\n" + curveLine + "\r\n"));

    LensCorrectionSettings lens = DefaultLensCorrection();
    lens.coefficient = 0;
    ASSERT_TRUE(ReadLensCorrectionBlock(path, lens));
    LensCorrectionSettings expectedLens = DefaultLensCorrection();
    expectedLens.distortion = 1;
    expectedLens.chromaRed = -1;
    EXPECT_EQ(lens, expectedLens);

    SelectiveColorTable colors;
    ASSERT_TRUE(ReadSelectiveColorBlock(path, colors));
    SelectiveColorTable expectedColors;
    expectedColors.rows[SelectiveColorTable::Reds][SelectiveColorTable::Red] = 10;
    expectedColors.rows[SelectiveColorTable::Reds][SelectiveColorTable::Green] = -20;
    expectedColors.rows[SelectiveColorTable::Reds][SelectiveColorTable::Black] = 5;
    EXPECT_EQ(colors, expectedColors);

    FreeCurveStore curve{};
    ASSERT_TRUE(ReadFreeCurveBlock(path, curve));
    FreeCurveStore expectedCurve{};
    expectedCurve.channel[0].count = 2;
    expectedCurve.channel[0].linear = 1;
    expectedCurve.channel[0].points[1] = {65535, 65535};
    EXPECT_EQ(std::memcmp(&curve, &expectedCurve, sizeof curve), 0);

    // The writers give the same lines, each after its flag.
    const std::string out = dir.File("out.VMR");
    ASSERT_TRUE(WriteLensCorrectionFile(out, 1, expectedLens));
    ASSERT_TRUE(WriteSelectiveColorFile(out, 0, expectedColors));
    ASSERT_TRUE(WriteFreeCurveFile(out, 1, expectedCurve));
    EXPECT_EQ(test::ReadLines(out),
              (std::vector<std::string>{"[Settings]", "DistorionSettings_flag=1", lensLine, "ColorTable_flag=0", colorLine,
                                        "FreeCurve_flag=1", curveLine}));
}

struct BrokenBlock {
    const char* name;
    std::string value;
};

TEST_F(FeatureFiles, BlocksOfAnotherLengthOrChecksumAreNotLoaded)
{
    const BrokenBlock cases[] = {
        {"empty", ""},
        {"one byte short", Zeros(143) + "00"},
        {"one byte long", Zeros(145) + "00"},
        {"wrong checksum", "01" + Zeros(143) + "00"},
        {"odd digits", Zeros(144) + "000"},
        {"not hex", "0G" + Zeros(143) + "00"},
    };
    const SelectiveColorTable before = test::SampleColors();
    for (const auto& c : cases) {
        const std::string path = dir.File("broken.VMC");
        ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nColorTable_flag=1\r\nColorTable=" + c.value + "\r\n"));
        SelectiveColorTable table = before;
        EXPECT_FALSE(ReadSelectiveColorBlock(path, table)) << c.name;
        EXPECT_EQ(table, before) << c.name;
    }
    FreeCurveStore curve = test::SampleFreeCurve();
    EXPECT_FALSE(ReadFreeCurveBlock(dir.File("broken.VMC"), curve));
    LensCorrectionSettings lens = test::SampleLens();
    EXPECT_FALSE(ReadLensCorrectionBlock(dir.File("broken.VMC"), lens));
    EXPECT_EQ(lens, test::SampleLens());
}

TEST_F(FeatureFiles, OldLensFormReadsWithCoefficient200)
{
    const std::string path = dir.File("old.VML");
    const LensCorrectionSettings stored = test::SampleLens();
    ASSERT_TRUE(WritePrivateProfileStruct("Settings", "DistorionSettings", &stored, 28, path));
    LensCorrectionSettings lens = DefaultLensCorrection();
    lens.coefficient = 120;
    lens.flags = 1;
    lens.fisheyeScale = 80;
    ASSERT_TRUE(ReadLensCorrectionBlock(path, lens));
    LensCorrectionSettings expected = stored;
    expected.coefficient = 200;
    expected.flags = 1;
    expected.fisheyeScale = 80;
    EXPECT_EQ(lens, expected);
}

TEST_F(FeatureFiles, ValuesOutsideTheControlRangesAreClamped)
{
    const LensCorrectionSettings wild = {900, -300, 101, -101, -400, 1000, -1000, 0, 1, 170, 0};
    const std::string path = dir.File("wild.VML");
    ASSERT_TRUE(WriteLensCorrectionFile(path, 1, wild));
    LensCorrectionSettings lens = DefaultLensCorrection();
    ASSERT_TRUE(ReadLensCorrectionBlock(path, lens));
    const LensCorrectionSettings expected = {500, -100, 100, -100, -100, 100, -100, 100, 0, 100, 100};
    EXPECT_EQ(lens, expected);

    SelectiveColorTable table;
    table.rows[0][0] = 250;
    table.rows[4][3] = -101;
    table.rows[8][1] = 100;
    ASSERT_TRUE(WriteSelectiveColorFile(path, 1, table));
    SelectiveColorTable read;
    ASSERT_TRUE(ReadSelectiveColorBlock(path, read));
    EXPECT_EQ(read.rows[0][0], 100);
    EXPECT_EQ(read.rows[4][3], -100);
    EXPECT_EQ(read.rows[8][1], 100);
}

TEST_F(FeatureFiles, UnusableCurveChannelsBecomeStraightLines)
{
    CVelmoDoc doc(&host);
    FreeCurveStore bad = test::SampleFreeCurve();
    bad.channel[1].count = 40;                         // more than 16 points
    bad.channel[3].points[1] = bad.channel[3].points[0]; // x not ascending
    const std::string path = dir.File("bad.VMT");
    ASSERT_TRUE(WriteFreeCurveFile(path, 1, bad));
    test::EditLog log(doc.Edit());
    ASSERT_TRUE(doc.LoadFreeCurve(path));
    const FreeCurveRecord identity = IdentityFreeCurveRecord();
    EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve().channel[1], &identity, sizeof identity), 0);
    EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve().channel[3], &identity, sizeof identity), 0);
    EXPECT_EQ(std::memcmp(&doc.Edit().FreeCurve().channel[0], &bad.channel[0], sizeof identity), 0);
    EXPECT_EQ(log.Tables(), std::vector<FeatureKind>{FeatureKind::FreeCurve});
}

// A family table with daylight gains R2 200, G2 255, B2 150.
FamilyWhiteBalanceTable SampleFamily()
{
    FamilyWhiteBalanceTable t;
    t.rows[0][FamilyWhiteBalanceTable::R2] = 200;
    t.rows[0][FamilyWhiteBalanceTable::G2] = 255;
    t.rows[0][FamilyWhiteBalanceTable::B2] = 150;
    return t;
}

struct VersionCase {
    int version;
    int32_t in[3];
    int32_t out[3];
};

TEST(CustomWhiteBalanceVersions, ConvertByTheFileVersion)
{
    const VersionCase cases[] = {
        {71, {100, 200, 300}, {100, 200, 300}},
        {64, {100, 200, 300}, {100, 200, 300}},
        {90, {100, 200, 300}, {100, 200, 300}},
        // h = 200 x 4096 / 100 = 8192, o = 255 x 4096 / 200 = 5222, l = 150 x 4096 / 300 = 2048.
        {1, {100, 200, 300}, {4096, 2611, 1024}},
        {5, {100, 200, 300}, {4096, 2611, 1024}},
        {63, {100, 200, 300}, {4096, 2611, 1024}},
        // Version 0 first scales by 137, 255, 169: (200, 255, 150), all gains 4096.
        {0, {137, 255, 169}, {4096, 4096, 4096}},
        // (400, 255, 150) after scaling: h = 2048, o = 4096, l = 4096.
        {0, {274, 255, 169}, {2048, 4096, 4096}},
        // A zero multiplier skips the normalisation instead of dividing by it.
        {5, {0, 200, 300}, {0, 200, 300}},
        {5, {100, -1, 300}, {100, -1, 300}},
        {0, {0, 255, 169}, {0, 255, 150}},
    };
    const FamilyWhiteBalanceTable family = SampleFamily();
    for (const auto& c : cases) {
        int32_t wb[3] = {c.in[0], c.in[1], c.in[2]};
        ConvertCustomWhiteBalance(c.version, wb, family);
        EXPECT_EQ(wb[0], c.out[0]) << "version " << c.version << " in " << c.in[0];
        EXPECT_EQ(wb[1], c.out[1]) << "version " << c.version << " in " << c.in[0];
        EXPECT_EQ(wb[2], c.out[2]) << "version " << c.version << " in " << c.in[0];
    }
    // Zero daylight gains (m = 0) and huge values do not fault.
    const FamilyWhiteBalanceTable empty{};
    int32_t wb[3] = {100, 200, 300};
    ConvertCustomWhiteBalance(5, wb, empty);
    EXPECT_EQ(wb[0], 100);
    EXPECT_EQ(wb[2], 300);
    int32_t big[3] = {INT32_MAX, INT32_MAX, 1};
    ConvertCustomWhiteBalance(0, big, family);
    EXPECT_GT(big[0], 0);
}

TEST_F(FeatureFiles, WhiteBalanceKeysReadWithTheirVersion)
{
    const FamilyWhiteBalanceTable family = SampleFamily();
    DevParams record{};
    record.customWB1 = record.customWB2 = record.customWB3 = 128;
    record.WBfineTuneR = 1;
    const std::string path = dir.File("wb.VMW");

    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\ncustomWBv=71\r\ncustomWB1=100\r\ncustomWB2=200\r\ncustomWB3=300\r\n"
                                      "WBfineTuneR=-9\r\nWBfineTune=1\r\n"));
    DevParams r = record;
    ASSERT_TRUE(ReadWhiteBalanceKeys(r, path, family));
    EXPECT_EQ(r.customWB1, 100);
    EXPECT_EQ(r.customWB2, 200);
    EXPECT_EQ(r.customWB3, 300);
    EXPECT_EQ(r.WBfineTuneR, -9);
    EXPECT_EQ(r.WBfineTuneG, 0);
    EXPECT_EQ(r.WBfineTune, 1);

    ASSERT_TRUE(WritePrivateProfileInt("Settings", "customWBv", 5, path));
    r = record;
    ASSERT_TRUE(ReadWhiteBalanceKeys(r, path, family));
    EXPECT_EQ(r.customWB1, 4096);
    EXPECT_EQ(r.customWB2, 2611);
    EXPECT_EQ(r.customWB3, 1024);

    // Without "customWBv" the oldest form.
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\ncustomWB1=137\r\ncustomWB2=255\r\ncustomWB3=169\r\n"));
    r = record;
    ASSERT_TRUE(ReadWhiteBalanceKeys(r, path, family));
    EXPECT_EQ(r.customWB1, 4096);
    EXPECT_EQ(r.customWB2, 4096);
    EXPECT_EQ(r.customWB3, 4096);

    // A zero multiplier of an old file: no fault, and the unusable value
    // keeps the record's.
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\ncustomWBv=3\r\ncustomWB1=0\r\ncustomWB2=200\r\ncustomWB3=300\r\n"));
    r = record;
    ASSERT_TRUE(ReadWhiteBalanceKeys(r, path, family));
    EXPECT_EQ(r.customWB1, 128);
    EXPECT_EQ(r.customWB2, 200);
    EXPECT_EQ(r.customWB3, 300);

    // Multipliers the file does not hold are already in the current form.
    ASSERT_TRUE(test::WriteText(path, "[Settings]\r\nWBfineTuneB=4\r\n"));
    r = record;
    ASSERT_TRUE(ReadWhiteBalanceKeys(r, path, family));
    EXPECT_EQ(r.customWB1, 128);
    EXPECT_EQ(r.customWB3, 128);
    EXPECT_EQ(r.WBfineTuneB, 4);

    r = record;
    EXPECT_FALSE(ReadWhiteBalanceKeys(r, dir.File("missing.VMW"), family));
    EXPECT_EQ(r, record);
}

TEST_F(FeatureFiles, WhiteBalanceKeysAreWrittenInOrderAfterTheVersion)
{
    DevParams record{};
    record.customWB1 = 4096;
    record.customWB2 = 3000;
    record.customWB3 = 2000;
    record.WBfineTuneR = -3;
    record.WBfineTuneG = 2;
    record.WBfineTuneB = 1;
    record.WBfineTune = 1;
    const std::string path = dir.File("out.VMW");
    ASSERT_TRUE(WriteWhiteBalanceKeys(record, path));
    EXPECT_EQ(test::ReadLines(path),
              (std::vector<std::string>{"[Settings]", "customWBv=71", "customWB1=4096", "customWB2=3000",
                                        "customWB3=2000", "WBfineTuneR=-3", "WBfineTuneG=2", "WBfineTuneB=1",
                                        "WBfineTune=1"}));
    DevParams read{};
    read.customWB1 = read.customWB2 = read.customWB3 = 1;
    ASSERT_TRUE(ReadWhiteBalanceKeys(read, path, SampleFamily()));
    EXPECT_EQ(read, record);
    EXPECT_FALSE(WriteWhiteBalanceKeys(record, dir.File("missing-dir/out.VMW")));
}

TEST_F(FeatureFiles, SaveFailuresAreReportedAndNotAddedToTheRecentLists)
{
    CVelmoDoc doc(&host);
    const std::string bad = dir.File("missing-dir/x");
    EXPECT_FALSE(doc.OnSaveToneCurveAs(bad + ".VMT"));
    EXPECT_FALSE(doc.OnSaveLensCorrectionAs(bad + ".VML"));
    EXPECT_FALSE(doc.OnSaveSelectiveColorsAs(bad + ".VMC"));
    EXPECT_FALSE(doc.OnSaveSpotWhiteBalance(bad + ".VMW"));
    EXPECT_EQ(messages.calls.size(), 4u);
    EXPECT_TRUE(host.recent.empty());
    EXPECT_TRUE(doc.Paths().toneCurve.empty());
    EXPECT_TRUE(doc.Paths().lens.empty());
    EXPECT_TRUE(doc.Paths().selectiveColors.empty());
    EXPECT_TRUE(doc.Paths().whiteBalance.empty());

    ASSERT_TRUE(doc.OnSaveSpotWhiteBalance(dir.File("ok.VMW")));
    EXPECT_EQ(doc.Paths().whiteBalance, dir.File("ok.VMW"));
    EXPECT_EQ(host.recent, (std::vector<SideFileHost::Recent>{{RecentListKind::WhiteBalance, dir.File("ok.VMW")}}));
}

} // namespace
} // namespace velmo
