// The camera's own Exif block (a real FinePix S5Pro header: maker note,
// GPS and PrintIM sub-blocks, an IFD1 thumbnail) carried by every writer and
// read back by exiftool, libtiff and djpeg.
#include "WriterFixtures.h"
#include "develop/output/JpegWriter.h"
#include "develop/output/PsdWriter.h"
#include "develop/output/TiffWriter.h"
#include "raw/BufferedFile.h"
#include "raw/RafContainer.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

class RealCameraExif : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string sample = std::string(VELMO_SAMPLES_DIR) + "/S5Pro-header-only.RAF";
        CBufferedFile file;
        if (!file.Open(sample))
            GTEST_SKIP() << "sample missing: " << sample;
        RafWhiteBalancePresets presets;
        ASSERT_TRUE(ReadRafContainer(file, raf, presets).Ok());
        VELMO_REQUIRE_TOOL("exiftool");
        VELMO_REQUIRE_TOOL("djpeg");
        VELMO_REQUIRE_TOOL("tiffinfo");
        meta.exif = {raf.header, &raf.exifIndex};
        meta.iccProfile = {kBuiltInIccProfiles[0].data, kBuiltInIccProfiles[0].size};
        pixels = test::RampPicture(kW, kH);
        image = OutputImage{pixels, kW, kH};
    }

    static constexpr int kW = 120, kH = 80;
    RafContainer raf;
    OutputMetadata meta;
    std::vector<uint16_t> pixels;
    OutputImage image;
    test::TempDir dir;
};

TEST_F(RealCameraExif, EveryFormatCarriesTheCamerasData)
{
    const std::vector<uint8_t> headerBefore = raf.header;
    const std::string jpg = dir.File("s5.jpg"), tif = dir.File("s5.tif"), psd = dir.File("s5.psd");
    ASSERT_TRUE(WriteJpegFile(jpg, image, meta, JpegSettings{90, true}, NoProgress()).Ok());
    ASSERT_TRUE(WriteTiffFile(tif, image, true, meta, NoProgress()).Ok());
    ASSERT_TRUE(WritePsdFile(psd, image, false, meta, NoProgress()).Ok());
    EXPECT_EQ(raf.header, headerBefore) << "the RAW file's buffer is copied, never patched";

    for (const std::string& path : {jpg, tif, psd}) {
        SCOPED_TRACE(path);
        auto v = test::ExifToolValues(path, {"Make", "Model", "ExposureTime", "FNumber", "ISO", "FocalLength",
                                             "Orientation", "ExifImageWidth", "ExifImageHeight", "DateTimeOriginal",
                                             "ProfileDescription", "Warning"});
        EXPECT_EQ(v["Make"], "FUJIFILM");
        EXPECT_EQ(v["Model"], "FinePix S5Pro");
        EXPECT_EQ(v["ExposureTime"], "1/250");
        EXPECT_EQ(v["FNumber"], "8.0");
        EXPECT_EQ(v["ISO"], "100");
        EXPECT_EQ(v["FocalLength"], "70.0 mm");
        EXPECT_EQ(v["Orientation"], "Horizontal (normal)");
        EXPECT_EQ(v["ExifImageWidth"], std::to_string(kW));
        EXPECT_EQ(v["ExifImageHeight"], std::to_string(kH));
        EXPECT_EQ(v["DateTimeOriginal"], "2007:05:22 13:58:30");
        EXPECT_EQ(v["ProfileDescription"], "sRGB IEC61966-2.1");
        EXPECT_EQ(v["Warning"], "");
    }

    // The JPEG's new thumbnail replaces the camera's, at the camera's offset
    // (2544 in the TIFF block; exiftool counts from the file's start, 12
    // bytes of SOI, APP1 head and "Exif\0\0" earlier).
    EXPECT_EQ(test::ExifToolValue(jpg, "ThumbnailOffset"), "2556");
    const std::vector<uint8_t> thumb = test::ExifToolBinary(jpg, "ThumbnailImage");
    ASSERT_TRUE(test::WriteFile(dir.File("thumb.jpg"), thumb));
    const test::DecodedImage t = test::DecodeWithDjpeg(dir.File("thumb.jpg"));
    EXPECT_EQ(t.width, 160);
    EXPECT_EQ(t.height, 106);
    const test::DecodedImage main = test::DecodeWithDjpeg(jpg);
    EXPECT_EQ(main.width, kW);
    EXPECT_EQ(main.height, kH);

    const test::ToolOutput info = test::RunTool("tiffinfo", {tif});
    EXPECT_TRUE(info.Ok()) << info.err;
    EXPECT_NE(info.out.find("Image Width: 120 Image Length: 80"), std::string::npos);
}

// The camera pads its copyright with blanks and NULs to 512 bytes; libtiff
// and ImageMagick warned about the NUL inside the value on every read.
TEST_F(RealCameraExif, TiffReadersReadTheTextFieldsWithoutWarnings)
{
    const std::string tif = dir.File("s5.tif");
    ASSERT_TRUE(WriteTiffFile(tif, image, false, meta, NoProgress()).Ok());
    const test::ToolOutput info = test::RunTool("tiffinfo", {tif});
    EXPECT_TRUE(info.Ok()) << info.err;
    // (Tags libtiff does not know, such as the camera's PrintIM block, are
    // only named; a value it cannot read whole is a warning of its own.)
    EXPECT_EQ(info.err.find("null byte"), std::string::npos) << info.err;
    EXPECT_EQ(info.err.find("ASCII"), std::string::npos) << info.err;
    EXPECT_NE(info.out.find("Software: Digital Camera FinePix S5Pro   Ver1.06"), std::string::npos) << info.out;
    if (test::HasTool("identify")) {
        const test::ToolOutput identify = test::RunTool("identify", {tif});
        EXPECT_TRUE(identify.Ok()) << identify.err;
        EXPECT_EQ(identify.err.find("null byte"), std::string::npos) << identify.err;
    }
    // Exif readers show what the camera's file shows.
    const std::string sample = std::string(VELMO_SAMPLES_DIR) + "/S5Pro-header-only.RAF";
    const std::vector<std::string> tags = {"Copyright", "Software", "Make", "Model", "ModifyDate"};
    auto before = test::ExifToolValues(sample, tags);
    auto after = test::ExifToolValues(tif, tags);
    for (const std::string& tag : tags)
        EXPECT_EQ(after[tag], before[tag]) << tag;
}

} // namespace
} // namespace velmo
