#include "exif/ExifDigest.h"

#include "tests/support/ExifBuilder.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

ExifTextLines CameraLines()
{
    test::ExifBlockSpec recipe = test::FujiExifSpec("FinePix S100FS", true, "Digital Camera FinePix S100FS Ver1.00");
    recipe.makerNote.Short(0x1010, 2).Short(0x1033, 0).Short(0x1402, 0x200).Short(0x1403, 200);
    ExifTextLines lines;
    ExifTagIndex index;
    ExifCameraValues camera;
    ParseExif(test::BuildExifBlock(recipe), lines, index, camera);
    return lines;
}

TEST(ExifDigest, DefaultNamesPickTheirLinesInLineOrder)
{
    ExifTextLines lines = CameraLines();
    EXPECT_EQ(ExifDigest(&lines, false, SplitDigestNames(kDefaultDigestNames)),
              "Model:FinePix S100FS\r\n"
              "DateTime:2007:05:22 13:58:30\r\n"
              "ExposureTime:1/250sec\r\n"
              "FNumber:F8.0\r\n"
              "ExposureProgram:M\r\n"
              "ISOSpeedRatings:100\r\n"
              "ExposureBiasValue:+0.0\r\n"
              "MeteringMode:Multi segment\r\n"
              "FocalLength:70.00mm\r\n"
              "White Balance:Auto\r\n"
              "Focus mode:auto\r\n"
              "Picture Mode:manual\r\n"
              "D-RANGE:WIDE\r\n"
              "Lens:28-70mm F2.8\r\n"
              "Flash Mode:disable\r\n"
              "EXR mode:Auto\r\n"
              "D-RANGE Mode:WIDE1(230%)\r\n"
              "D-RANGE VALUE:200\r\n");
}

TEST(ExifDigest, AllLinesAndNullLines)
{
    ExifTextLines lines = {"Make:FUJIFILM", "__sub info block__", "FocalLength in 135:105mm"};
    EXPECT_EQ(ExifDigest(&lines, true), "Make:FUJIFILM\r\n__sub info block__\r\nFocalLength in 135:105mm\r\n");
    EXPECT_EQ(ExifDigest(nullptr, true), "");
    EXPECT_EQ(ExifDigest(nullptr, false), "");
}

TEST(ExifDigest, NameMustBeFollowedByAColon)
{
    ExifTextLines lines = {"FocalLength in 135:105mm", "FocalLength:70.00mm", "Model", "ModelX:1", "Model:S5Pro"};
    EXPECT_EQ(ExifDigest(&lines, false, {"FocalLength", "Model"}), "FocalLength:70.00mm\r\nModel:S5Pro\r\n");
    // A name listed twice lists its line twice.
    EXPECT_EQ(ExifDigest(&lines, false, {"Model", "Model"}), "Model:S5Pro\r\nModel:S5Pro\r\n");
}

TEST(ExifDigest, SplittingTheNameList)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(SplitDigestNames(kDefaultDigestNames).size(), 18u);
    EXPECT_EQ(SplitDigestNames("Model|Lens||"), (Names{"Model", "Lens"}));
    EXPECT_EQ(SplitDigestNames("Model|Lens"), (Names{"Model", "Lens"}));
    EXPECT_EQ(SplitDigestNames("Model||Lens"), (Names{"Model"}));
    EXPECT_EQ(SplitDigestNames("|Model"), Names{});
    EXPECT_EQ(SplitDigestNames(""), Names{});
}

// The list comes from "DigestExif" once per run; a later change waits for a restart.
TEST(ExifDigest, NameListIsReadFromTheSettingsOnce)
{
    test::ScopedSettings settings;
    settings.store().WriteProfileString(kSettingsSection, "DigestExif", "Model|Lens||");
    ExifTextLines lines = CameraLines();
    EXPECT_EQ(ExifDigest(&lines, false), "Model:FinePix S100FS\r\nLens:28-70mm F2.8\r\n");
    settings.store().WriteProfileString(kSettingsSection, "DigestExif", "Make||");
    EXPECT_EQ(ExifDigest(&lines, false), "Model:FinePix S100FS\r\nLens:28-70mm F2.8\r\n");
}

} // namespace
} // namespace velmo
