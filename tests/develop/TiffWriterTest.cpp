#include "WriterFixtures.h"
#include "develop/output/TiffWriter.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

namespace velmo {
namespace {

using test::CameraExifFixture;

enum class ExifKind { None, LittleEndian, BigEndian };

struct TiffCase {
    const char* name;
    bool sixteenBit;
    ExifKind exif;
    int rotate;
    int icc; // built-in slot, -1 an empty user slot
};

void PrintTo(const TiffCase& c, std::ostream* os) { *os << c.name; }

// Tag numbers in file order from tiffdump's listing ("ImageWidth (256) SHORT
// (3) 1<37>", or "34665 (0x8769) LONG (4) 1<232>" for a tag it has no name for).
std::vector<int> DumpedTags(const std::string& dump)
{
    std::vector<int> tags;
    std::istringstream in(dump);
    std::string line;
    const std::regex entry(R"(^(.*) \(([0-9a-fx]+)\) [A-Z]+ \(\d+\) \d+<)");
    while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_search(line, m, entry))
            continue;
        const std::string name = m[1];
        const bool numeric = !name.empty() && std::all_of(name.begin(), name.end(), ::isdigit);
        tags.push_back(numeric ? std::stoi(name) : std::stoi(m[2]));
    }
    return tags;
}

// libtiff's complaints, less the one it makes about every camera's Exif
// IFD: its table has no entry for the interoperability IFD pointer.
std::string TiffWarnings(const std::string& err)
{
    std::istringstream in(err);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.find("Unknown field with tag 40965 (0xa005)") == std::string::npos)
            kept += line + "\n";
    return kept;
}

class TiffWriterTest : public ::testing::TestWithParam<TiffCase> {
protected:
    test::TempDir dir;
};

TEST_P(TiffWriterTest, RealReadersSeeThePixelsTagsExifAndProfile)
{
    VELMO_REQUIRE_TOOL("tiffinfo");
    VELMO_REQUIRE_TOOL("tiffdump");
    VELMO_REQUIRE_TOOL("exiftool");
    VELMO_REQUIRE_TOOL("identify");
    const TiffCase& c = GetParam();
    constexpr int kW = 37, kH = 23; // odd sizes: every offset after the pixels needs a pad
    const std::vector<uint16_t> source = test::RampPicture(kW, kH);
    int outW = 0, outH = 0;
    const std::vector<uint16_t> expected = test::Turned(source, kW, kH, c.rotate, &outW, &outH);

    test::CameraExifRecipe recipe;
    recipe.littleEndian = c.exif != ExifKind::BigEndian;
    const CameraExifFixture exif = test::MakeCameraExif(recipe);
    OutputMetadata meta;
    if (c.exif != ExifKind::None)
        meta.exif = exif.Source();
    if (c.icc >= 0)
        meta.iccProfile = {kBuiltInIccProfiles[c.icc].data, kBuiltInIccProfiles[c.icc].size};
    meta.srgb = c.icc == 0;

    OutputImage image;
    image.rgb = source;
    image.width = outW;
    image.height = outH;
    image.rotate = c.rotate;
    const std::string path = dir.File("out.tif");
    test::RecordingProgress progress;
    const WriteResult r = WriteTiffFile(path, image, c.sixteenBit, meta, progress);
    ASSERT_TRUE(r.Ok()) << r.detail;
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.front(), (std::pair<int, std::string>{0, "Writing TIFF"}));
    EXPECT_EQ(progress.calls.back().first, -1);

    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes[0], c.exif == ExifKind::BigEndian ? 'M' : 'I');

    // libtiff reads it without a complaint.
    const test::ToolOutput info = test::RunTool("tiffinfo", {path});
    ASSERT_TRUE(info.Ok()) << info.err;
    EXPECT_EQ(TiffWarnings(info.err), "");
    EXPECT_NE(info.out.find("Image Width: " + std::to_string(outW) + " Image Length: " + std::to_string(outH)),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find(c.sixteenBit ? "Bits/Sample: 16" : "Bits/Sample: 8"), std::string::npos);
    EXPECT_NE(info.out.find("Samples/Pixel: 3"), std::string::npos);
    EXPECT_NE(info.out.find("Photometric Interpretation: RGB color"), std::string::npos);
    EXPECT_NE(info.out.find("Planar Configuration: single image plane"), std::string::npos);
    if (c.icc >= 0) {
        EXPECT_NE(info.out.find("ICC Profile: <present>, " + std::to_string(kBuiltInIccProfiles[c.icc].size) + " bytes"),
                  std::string::npos)
            << info.out;
    } else {
        EXPECT_EQ(info.out.find("ICC Profile"), std::string::npos) << "no zero-length profile tag";
    }

    // One strip, the tags ascending and unique, the Exif IFD linked.
    const test::ToolOutput dump = test::RunTool("tiffdump", {path});
    ASSERT_TRUE(dump.Ok()) << dump.err;
    const std::vector<int> tags = DumpedTags(dump.out.substr(0, dump.out.find("Directory 1")));
    ASSERT_FALSE(tags.empty()) << dump.out;
    EXPECT_TRUE(std::is_sorted(tags.begin(), tags.end()));
    EXPECT_EQ(std::adjacent_find(tags.begin(), tags.end()), tags.end());
    EXPECT_EQ(std::count(tags.begin(), tags.end(), 273), 1);
    EXPECT_EQ(std::count(tags.begin(), tags.end(), 34675), c.icc >= 0 ? 1 : 0);
    EXPECT_EQ(std::count(tags.begin(), tags.end(), 34665), c.exif != ExifKind::None ? 1 : 0) << dump.out;
    EXPECT_EQ(std::count(tags.begin(), tags.end(), 274), 1);
    EXPECT_NE(dump.out.find("StripOffsets (273) LONG (4) 1<"), std::string::npos);

    // The pixels as written.
    const test::DecodedImage decoded = test::DecodeWithImageMagick(path, c.sixteenBit ? 16 : 8);
    ASSERT_FALSE(decoded.Empty());
    EXPECT_EQ(decoded.width, outW);
    EXPECT_EQ(decoded.height, outH);
    EXPECT_EQ(decoded.samples, c.sixteenBit ? expected : test::HighBytes(expected));

    // The camera's data, the output's size in it, and the profile.
    auto v = test::ExifToolValues(path, {"Model", "ExposureTime", "FNumber", "ISO", "ExifImageWidth",
                                         "ExifImageHeight", "ColorSpace", "Orientation", "ProfileDescription"});
    if (c.exif != ExifKind::None) {
        EXPECT_EQ(v["Model"], "FinePix S5Pro");
        EXPECT_EQ(v["ExposureTime"], "1/250");
        EXPECT_EQ(v["FNumber"], "8.0");
        EXPECT_EQ(v["ISO"], "100");
        EXPECT_EQ(v["ExifImageWidth"], std::to_string(outW));
        EXPECT_EQ(v["ExifImageHeight"], std::to_string(outH));
        EXPECT_EQ(v["ColorSpace"], c.icc == 0 ? "sRGB" : "Uncalibrated");
    } else {
        EXPECT_EQ(v["Model"], "");
    }
    EXPECT_EQ(v["Orientation"], "Horizontal (normal)");
    if (c.icc >= 0) {
        EXPECT_EQ(v["ProfileDescription"], kBuiltInIccProfiles[c.icc].description);
        const std::vector<uint8_t> icc = test::ExifToolBinary(path, "ICC_Profile");
        EXPECT_EQ(icc, std::vector<uint8_t>(kBuiltInIccProfiles[c.icc].data,
                                            kBuiltInIccProfiles[c.icc].data + kBuiltInIccProfiles[c.icc].size));
    }
    const test::ToolOutput warnings = test::RunTool("exiftool", {"-validate", "-warning", "-a", "-s", path});
    // Nothing but the camera's own minor points (Exif tags TIFF does not list).
    std::istringstream lines(warnings.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Warning", 0) == 0 || line.rfind("Error", 0) == 0) {
            EXPECT_NE(line.find("[minor]"), std::string::npos) << line;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TiffWriterTest,
    ::testing::Values(TiffCase{"Plain16", true, ExifKind::None, 0, 0},
                      TiffCase{"Plain8EmptyUserProfile", false, ExifKind::None, 0, -1},
                      TiffCase{"Exif16", true, ExifKind::LittleEndian, 0, 1},
                      TiffCase{"Exif16TurnedRight", true, ExifKind::LittleEndian, 1, 0},
                      TiffCase{"BigEndian16", true, ExifKind::BigEndian, 0, 0},
                      TiffCase{"Exif8TurnedRight", false, ExifKind::LittleEndian, 1, 0},
                      TiffCase{"BigEndian16TurnedLeft", true, ExifKind::BigEndian, 2, 3},
                      TiffCase{"BigEndian8", false, ExifKind::BigEndian, 0, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(TiffWriter, BigEndianFieldsAndHighBytes)
{
    test::TempDir dir;
    const std::vector<uint16_t> px = {0x12FF, 0xABCD, 0x0001};
    const CameraExifFixture exif = test::MakeCameraExif({false});
    OutputMetadata meta;
    meta.exif = exif.Source();
    OutputImage image{px, 1, 1};
    for (bool sixteen : {true, false}) {
        const std::string path = dir.File(sixteen ? "16.tif" : "8.tif");
        ASSERT_TRUE(WriteTiffFile(path, image, sixteen, meta, NoProgress()).Ok());
        const std::vector<uint8_t> b = test::ReadBytes(path);
        ASSERT_GE(b.size(), 16u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), std::string("MM\0\x2A", 4));
        const uint32_t ifd = uint32_t(b[4]) << 24 | uint32_t(b[5]) << 16 | uint32_t(b[6]) << 8 | b[7];
        ASSERT_LT(ifd + 2 + 12, b.size());
        EXPECT_EQ(ifd % 2, 0u);
        // The first entry is ImageWidth, a SHORT whose value sits in the first two bytes.
        const uint8_t* e = b.data() + ifd + 2;
        EXPECT_EQ((e[0] << 8) | e[1], 256);
        EXPECT_EQ((e[2] << 8) | e[3], 3);
        EXPECT_EQ(e[8], 0);
        EXPECT_EQ(e[9], 1);
        // The strip holds the samples, 16-bit big-endian or the high bytes.
        uint32_t strip = 0;
        const uint16_t count = uint16_t(b[ifd] << 8 | b[ifd + 1]);
        for (uint16_t i = 0; i < count; ++i) {
            const uint8_t* q = b.data() + ifd + 2 + 12 * i;
            if (((q[0] << 8) | q[1]) == 273)
                strip = uint32_t(q[8]) << 24 | uint32_t(q[9]) << 16 | uint32_t(q[10]) << 8 | q[11];
        }
        ASSERT_GT(strip, 0u);
        if (sixteen) {
            EXPECT_EQ(std::vector<uint8_t>(b.begin() + strip, b.begin() + strip + 6),
                      (std::vector<uint8_t>{0x12, 0xFF, 0xAB, 0xCD, 0x00, 0x01}));
        } else {
            EXPECT_EQ(std::vector<uint8_t>(b.begin() + strip, b.begin() + strip + 3),
                      (std::vector<uint8_t>{0x12, 0xAB, 0x00}));
        }
    }
}

TEST(TiffWriter, RefusesWhatItCannotWriteAndLeavesNoFile)
{
    test::TempDir dir;
    const std::vector<uint16_t> px(30, 0);
    struct Case {
        const char* name;
        OutputImage image;
    };
    const Case cases[] = {
        {"too few pixels", OutputImage{px, 4, 4}},
        {"empty", OutputImage{px, 0, 3}},
        {"preview rows longer than the copy", OutputImage{px, 600, 1, 0, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WriteTiffFile(dir.File("x.tif"), c.image, true, {}, NoProgress()).status, WriteStatus::InvalidInput);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(TiffWriter, InjectedWriteFailureKeepsTheOldFile)
{
    test::TempDir dir;
    const std::string path = dir.File("old.tif");
    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    const std::vector<uint16_t> px = test::RampPicture(64, 64);
    OutputFaults().failAfterBytes = 10000;
    const WriteResult r = WriteTiffFile(path, OutputImage{px, 64, 64}, true, {}, NoProgress());
    OutputFaults() = {};
    EXPECT_EQ(r.status, WriteStatus::WriteFailed);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace velmo
