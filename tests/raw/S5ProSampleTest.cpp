// The real FinePix S5Pro file whose raw data was stripped: header, directory,
// embedded JPEG with the camera's Exif block and maker note, CFA records.
// Expected values were read from the file with exiftool.
#include "exif/EmbeddedJpeg.h"
#include "exif/ExifDigest.h"
#include "raw/RafContainer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmo {
namespace {

const std::string kSample = std::string(VELMO_SAMPLES_DIR) + "/S5Pro-header-only.RAF";

class S5ProSample : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.Open(kSample);
        if (!file.IsOpen())
            GTEST_SKIP() << "sample missing: " << kSample;
        status = ReadRafContainer(file, raf, presets);
    }

    bool HasLine(const std::string& line) const
    {
        return std::find(raf.exifLines.begin(), raf.exifLines.end(), line) != raf.exifLines.end();
    }

    CBufferedFile file;
    RafContainer raf;
    RafWhiteBalancePresets presets;
    RafStatus status;
};

TEST_F(S5ProSample, HeaderAndModel)
{
    ASSERT_TRUE(status.Ok()) << status.detail;
    EXPECT_EQ(raf.fileLength, 38452u);
    EXPECT_EQ(raf.modelText, "FinePix S5Pro  ");
    EXPECT_EQ(raf.formatCode, "2201");
    ASSERT_NE(raf.model, nullptr);
    EXPECT_EQ(raf.model->PrimaryName(), "FinePix S3Pro");
    EXPECT_EQ(raf.cameraFamily, 7);
    EXPECT_FALSE(raf.compressed);
    EXPECT_EQ(raf.directory.JpegOffset(), 0x94u);
    EXPECT_EQ(raf.directory.JpegLength(), 0x2F87u);
    EXPECT_EQ(raf.directory.RecordsOffset(), 0x301Cu);
    EXPECT_EQ(raf.directory.RecordsLength(), 0x32F6u);
    EXPECT_EQ(raf.directory.DataOffset(), 0x9608u);
    EXPECT_EQ(raf.directory.DataLength(), 22u);
    EXPECT_EQ(raf.Frames(), 2);
}

TEST_F(S5ProSample, RecordsAndPresets)
{
    ASSERT_TRUE(status.Ok()) << status.detail;
    EXPECT_TRUE(raf.pairedRows);
    EXPECT_FALSE(raf.noSecondFrame);
    EXPECT_EQ(raf.whiteBalanceUnit, 220);
    EXPECT_EQ(raf.customEntries, 5);
    const uint16_t expected[8][4] = {{384, 601, 384, 515}, {384, 601, 384, 515}, {384, 679, 384, 438},
                                     {384, 775, 384, 460}, {384, 648, 384, 573}, {384, 644, 384, 711},
                                     {384, 384, 384, 832}, {384, 601, 384, 515}};
    for (int row = 0; row < 8; ++row)
        EXPECT_TRUE(std::equal(expected[row], expected[row] + 4, presets.rows[row])) << "row " << row;
    for (int row = 8; row < 13; ++row)
        EXPECT_TRUE(std::equal(expected[1], expected[1] + 4, presets.rows[row])) << "row " << row;
    EXPECT_EQ(presets.rows[13][0], 0);
}

TEST_F(S5ProSample, ExifLines)
{
    ASSERT_TRUE(status.Ok()) << status.detail;
    ASSERT_TRUE(raf.exifFound);
    EXPECT_EQ(raf.exifIndex.exifSignature, 0x9A);
    EXPECT_EQ(raf.camera.modelName, "FinePix S5Pro  ");
    EXPECT_FLOAT_EQ(raf.camera.focalLength, 70.0f);
    EXPECT_EQ(raf.camera.orientation, 1);
    EXPECT_EQ(raf.camera.sharpness, 1);
    EXPECT_EQ(raf.camera.whiteBalanceRow, 8);
    for (const char* line : {
             "Make:FUJIFILM",
             "Model:FinePix S5Pro  ",
             "Software:Digital Camera FinePix S5Pro   Ver1.06",
             "DateTime:2007:05:22 13:58:30",
             "ExposureTime:1/250sec",
             "FNumber:F8.0",
             "ExposureProgram:M",
             "ISOSpeedRatings:100",
             "ExifVersion:0221",
             "DateTimeOriginal:2007:05:22 13:58:30",
             "ExposureBiasValue:+0.0",
             "MaxApertureValue:F2.8",
             "MeteringMode:Multi segment",
             "FocalLength:70.00mm(105.00mm as 135)",
             "FocalLength in 135:105mm",
             "ExifImageWidth:1440",
             "ExifImageHeight:960",
             "ColorSpace:sRGB",
             "ExposureMode:Manual exposure",
             "__Maker note block__",
             "ExifVersion:0130",
             "InternalSerialNumber:FPX20582698 592D313134360702198C0020100A84",
             "Quality:NORMAL ",
             "Sharpness:Normal",
             "White Balance:Auto",
             "Color:normal",
             "Tone:normal",
             "Fine tune White Balance:0",
             "Noise reduction:STD",
             "Flash Mode:disable",
             "Focus mode:auto",
             "Picture Mode:manual",
             "D-RANGE:WIDE",
             "FilmMode:STD",
             "D-RANGE Mode:AUTO",
             "Lens:28-70mm F2.8",
             "Face detected:0",
             "InteroperabilityIndex:R98",
         })
        EXPECT_TRUE(HasLine(line)) << line;
    // The user comment is 248 blanks after its prefix, and no more.
    auto comment = std::find_if(raf.exifLines.begin(), raf.exifLines.end(),
                                [](const std::string& l) { return l.rfind("UserComment:", 0) == 0; });
    ASSERT_NE(comment, raf.exifLines.end());
    EXPECT_EQ(*comment, "UserComment:" + std::string(248, ' '));
    EXPECT_FLOAT_EQ(raf.exifIndex.Value(0x8827), 100.0f);
    EXPECT_FLOAT_EQ(raf.exifIndex.Value(0x1402, -1.0f), 0.0f);
    EXPECT_FALSE(raf.exifIndex.Has(0x1403));
}

TEST_F(S5ProSample, DigestOfTheCameraLines)
{
    ASSERT_TRUE(status.Ok());
    EXPECT_EQ(ExifDigest(&raf.exifLines, false, SplitDigestNames(kDefaultDigestNames)),
              "Model:FinePix S5Pro  \r\n"
              "DateTime:2007:05:22 13:58:30\r\n"
              "ExposureTime:1/250sec\r\n"
              "FNumber:F8.0\r\n"
              "ExposureProgram:M\r\n"
              "ISOSpeedRatings:100\r\n"
              "ExposureBiasValue:+0.0\r\n"
              "MeteringMode:Multi segment\r\n"
              "FocalLength:70.00mm(105.00mm as 135)\r\n"
              "White Balance:Auto\r\n"
              "Flash Mode:disable\r\n"
              "Focus mode:auto\r\n"
              "Picture Mode:manual\r\n"
              "D-RANGE:WIDE\r\n"
              "D-RANGE Mode:AUTO\r\n"
              "Lens:28-70mm F2.8\r\n");
}

TEST_F(S5ProSample, RawDataIsReportedMissing)
{
    ASSERT_TRUE(status.Ok());
    RafStatus data = OpenRawData(file, raf);
    EXPECT_EQ(data.error, RafError::RawDataMissing);
    EXPECT_NE(data.detail.find("22 bytes"), std::string::npos) << data.detail;
}

TEST_F(S5ProSample, EmbeddedPreviewDecodes)
{
    std::vector<uint8_t> area(EmbeddedJpegAreaSize(8, 8));
    EXPECT_EQ(LoadEmbeddedJpeg(kSample, area, 8, 8), 1);
}

} // namespace
} // namespace velmo
