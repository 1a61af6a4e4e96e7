#include "WriterFixtures.h"
#include "develop/output/PsdWriter.h"
#include "platform/core/ByteReader.h"
#include "res/IccProfiles.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace velmo {
namespace {

struct PsdCase {
    const char* name;
    bool sixteenBit;
    int exif; // 0 none, 1 II, 2 MM
    int rotate;
    int icc;  // built-in slot, -1 an empty user slot
};

void PrintTo(const PsdCase& c, std::ostream* os) { *os << c.name; }

// The resources of a PSD by id, and where the image data starts.
struct PsdLayout {
    bool ok = false;
    uint16_t channels = 0, depth = 0, mode = 0;
    uint32_t rows = 0, columns = 0;
    std::map<uint16_t, std::vector<uint8_t>> resources;
    size_t imageData = 0;
    uint16_t compression = 0xFFFF;
};

PsdLayout ReadPsd(const std::vector<uint8_t>& b)
{
    PsdLayout l;
    const ByteReader r(b.data(), b.size());
    if (!r.Matches(0, "8BPS", 4) || r.U16Or0(4, false) != 1)
        return l;
    l.channels = r.U16Or0(12, false);
    l.rows = r.U32Or0(14, false);
    l.columns = r.U32Or0(18, false);
    l.depth = r.U16Or0(22, false);
    l.mode = r.U16Or0(24, false);
    const uint32_t colorData = r.U32Or0(26, false);
    size_t at = 30 + colorData;
    const uint32_t resourcesLength = r.U32Or0(int64_t(at), false);
    at += 4;
    const size_t end = at + resourcesLength;
    while (at < end) {
        if (!r.Matches(int64_t(at), "8BIM", 4) || r.U16Or0(int64_t(at) + 6, false) != 0)
            return l;
        const uint16_t id = r.U16Or0(int64_t(at) + 4, false);
        const uint32_t n = r.U32Or0(int64_t(at) + 8, false);
        const uint8_t* data = r.Bytes(int64_t(at) + 12, n);
        if (!data)
            return l;
        l.resources[id] = std::vector<uint8_t>(data, data + n);
        at += 12 + n + (n & 1);
    }
    if (at != end)
        return l;
    if (r.U32Or0(int64_t(at), false) != 0)
        return l;
    l.compression = r.U16Or0(int64_t(at) + 4, false);
    l.imageData = at + 6;
    l.ok = true;
    return l;
}

class PsdWriterTest : public ::testing::TestWithParam<PsdCase> {
protected:
    test::TempDir dir;
};

TEST_P(PsdWriterTest, RealReadersSeeThePixelsExifAndProfile)
{
    VELMO_REQUIRE_TOOL("exiftool");
    VELMO_REQUIRE_TOOL("identify");
    const PsdCase& c = GetParam();
    constexpr int kW = 29, kH = 17;
    const std::vector<uint16_t> source = test::RampPicture(kW, kH);
    int outW = 0, outH = 0;
    const std::vector<uint16_t> expected = test::Turned(source, kW, kH, c.rotate, &outW, &outH);

    test::CameraExifRecipe recipe;
    recipe.littleEndian = c.exif != 2;
    const test::CameraExifFixture exif = test::MakeCameraExif(recipe);
    OutputMetadata meta;
    if (c.exif != 0)
        meta.exif = exif.Source();
    std::vector<uint8_t> profile;
    if (c.icc >= 0)
        profile.assign(kBuiltInIccProfiles[c.icc].data, kBuiltInIccProfiles[c.icc].data + kBuiltInIccProfiles[c.icc].size);
    meta.iccProfile = profile;
    meta.srgb = c.icc == 0;
    OutputImage image{source, outW, outH, c.rotate};
    const std::string path = dir.File("out.psd");
    test::RecordingProgress progress;
    const WriteResult r = WritePsdFile(path, image, c.sixteenBit, meta, progress);
    ASSERT_TRUE(r.Ok()) << r.detail;
    // One run from 0 towards 100 over the three channel blocks.
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.front(), (std::pair<int, std::string>{0, "Writing PSD"}));
    EXPECT_TRUE(std::is_sorted(progress.calls.begin(), progress.calls.end()));
    EXPECT_LT(progress.calls.back().first, 100);

    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    const PsdLayout psd = ReadPsd(bytes);
    ASSERT_TRUE(psd.ok);
    EXPECT_EQ(psd.channels, 3);
    EXPECT_EQ(psd.depth, c.sixteenBit ? 16 : 8);
    EXPECT_EQ(psd.mode, 3);
    EXPECT_EQ(psd.columns, uint32_t(outW));
    EXPECT_EQ(psd.rows, uint32_t(outH));
    EXPECT_EQ(psd.compression, 0);
    EXPECT_EQ(bytes.size() - psd.imageData, size_t(3) * outW * outH * (c.sixteenBit ? 2 : 1));
    EXPECT_EQ(psd.resources.count(0x0422), c.exif != 0 ? 1u : 0u);
    EXPECT_EQ(psd.resources.count(0x040F), c.icc >= 0 ? 1u : 0u) << "no empty profile resource";
    if (c.icc >= 0) {
        EXPECT_EQ(psd.resources.at(0x040F), profile);
    }
    if (c.exif != 0) {
        EXPECT_EQ(psd.resources.at(0x0422)[0], c.exif == 1 ? 'I' : 'M');
    }

    // ImageMagick: size, depth and every sample.
    const test::ToolOutput id = test::RunTool("identify", {"-format", "%w %h %z %[colorspace]", path + "[0]"});
    EXPECT_EQ(id.out, std::to_string(outW) + " " + std::to_string(outH) + (c.sixteenBit ? " 16" : " 8") + " sRGB");
    const test::DecodedImage decoded = test::DecodeWithImageMagick(path, c.sixteenBit ? 16 : 8);
    ASSERT_FALSE(decoded.Empty());
    EXPECT_EQ(decoded.width, outW);
    EXPECT_EQ(decoded.height, outH);
    EXPECT_EQ(decoded.samples, c.sixteenBit ? expected : test::HighBytes(expected));

    // exiftool: the Exif resource and the profile resource.
    auto v = test::ExifToolValues(path, {"Model", "ExposureTime", "ExifImageWidth", "ExifImageHeight",
                                         "ProfileDescription", "ThumbnailOffset"});
    EXPECT_EQ(v["Model"], c.exif != 0 ? "FinePix S5Pro" : "");
    if (c.exif != 0) {
        EXPECT_EQ(v["ExposureTime"], "1/250");
        EXPECT_EQ(v["ExifImageWidth"], std::to_string(outW));
        EXPECT_EQ(v["ExifImageHeight"], std::to_string(outH));
        EXPECT_EQ(v["ThumbnailOffset"], "") << "the thumbnail is not carried, nor IFD1 that describes it";
    }
    EXPECT_EQ(v["ProfileDescription"], c.icc >= 0 ? kBuiltInIccProfiles[c.icc].description : "");
}

INSTANTIATE_TEST_SUITE_P(Cases, PsdWriterTest,
                         ::testing::Values(PsdCase{"Plain16", true, 0, 0, 0},
                                           PsdCase{"Plain8EmptyUserProfile", false, 0, 0, -1},
                                           PsdCase{"Exif16TurnedRight", true, 1, 1, 1},
                                           PsdCase{"Exif8", false, 1, 0, 2},
                                           PsdCase{"BigEndianExif8TurnedLeft", false, 2, 2, 3}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(PsdWriter, OddBlocksArePaddedAndTheResourceLengthCountsThePads)
{
    test::TempDir dir;
    const std::vector<uint16_t> px = {0x12FF, 0x3456, 0x789A};
    const std::vector<uint8_t> oddProfile(131, 7);
    OutputMetadata meta;
    meta.iccProfile = oddProfile;
    const std::string path = dir.File("odd.psd");
    ASSERT_TRUE(WritePsdFile(path, OutputImage{px, 1, 1}, false, meta, NoProgress()).Ok());
    const std::vector<uint8_t> b = test::ReadBytes(path);
    const PsdLayout psd = ReadPsd(b);
    ASSERT_TRUE(psd.ok);
    const ByteReader r(b.data(), b.size());
    EXPECT_EQ(r.U32Or0(30, false), 12u + 132u);
    EXPECT_EQ(psd.resources.at(0x040F), oddProfile);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + psd.imageData, b.end()), (std::vector<uint8_t>{0x12, 0x34, 0x78}));
}

TEST(PsdWriter, RefusesSidesPhotoshopCannotOpen)
{
    test::TempDir dir;
    std::vector<uint16_t> px(size_t(30001) * 3, 0);
    EXPECT_EQ(WritePsdFile(dir.File("wide.psd"), OutputImage{px, 30001, 1}, true, {}, NoProgress()).status,
              WriteStatus::InvalidInput);
    EXPECT_FALSE(std::filesystem::exists(dir.File("wide.psd")));
}

} // namespace
} // namespace velmo
