#include "WriterFixtures.h"
#include "develop/output/JpegWriter.h"
#include "platform/core/ByteReader.h"
#include "res/IccProfiles.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace velmo {
namespace {

struct Segment {
    uint8_t marker;
    std::vector<uint8_t> data;
};

// The marker segments from SOI up to the first SOS.
std::vector<Segment> JpegSegments(const std::vector<uint8_t>& b)
{
    std::vector<Segment> out;
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8)
        return out;
    size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        const uint8_t m = b[at + 1];
        const size_t n = size_t(b[at + 2]) << 8 | b[at + 3];
        if (n < 2 || at + 2 + n > b.size())
            break;
        out.push_back({m, std::vector<uint8_t>(b.begin() + ptrdiff_t(at) + 4, b.begin() + ptrdiff_t(at + 2 + n))});
        if (m == 0xDA)
            break;
        at += 2 + n;
    }
    return out;
}

bool HasMarker(const std::vector<Segment>& s, uint8_t m)
{
    return std::any_of(s.begin(), s.end(), [m](const Segment& x) { return x.marker == m; });
}

// Mean and largest difference between a decoded picture and the 8-bit
// expectation.
void ExpectClose(const test::DecodedImage& d, const std::vector<uint16_t>& expected8, double mean, int largest)
{
    ASSERT_EQ(d.samples.size(), expected8.size());
    double sum = 0;
    int worst = 0;
    for (size_t i = 0; i < expected8.size(); ++i) {
        const int diff = std::abs(int(d.samples[i]) - int(expected8[i]));
        sum += diff;
        worst = std::max(worst, diff);
    }
    EXPECT_LE(sum / double(expected8.size()), mean);
    EXPECT_LE(worst, largest);
}

// A valid RGB profile too large for one APP2 segment: three tabulated curves.
std::vector<uint8_t> LargeProfile()
{
    std::vector<cmsToneCurve*> curves;
    for (int c = 0; c < 3; ++c) {
        std::vector<cmsUInt16Number> table(20000 + c);
        for (size_t i = 0; i < table.size(); ++i)
            table[i] = cmsUInt16Number(65535.0 * std::pow(double(i) / double(table.size() - 1), 1.8 + 0.1 * c));
        curves.push_back(cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data()));
    }
    const cmsCIExyY white = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsHPROFILE p = cmsCreateRGBProfile(&white, &primaries, curves.data());
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", "Large test profile");
    cmsWriteTag(p, cmsSigProfileDescriptionTag, mlu);
    cmsMLUfree(mlu);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(p, bytes.data(), &size);
    cmsCloseProfile(p);
    for (cmsToneCurve* c : curves)
        cmsFreeToneCurve(c);
    return bytes;
}

std::vector<uint8_t> BuiltIn(int slot)
{
    return {kBuiltInIccProfiles[slot].data, kBuiltInIccProfiles[slot].data + kBuiltInIccProfiles[slot].size};
}

struct JpegCase {
    const char* name;
    int exif; // 0 none, 1 II, 2 MM, 3 II without thumbnail entries
    bool progressive;
    int rotate;
    int icc; // built-in slot, -1 empty, 9 the large profile
    int width, height;
};

void PrintTo(const JpegCase& c, std::ostream* os) { *os << c.name; }

class JpegWriterTest : public ::testing::TestWithParam<JpegCase> {
protected:
    test::TempDir dir;
};

TEST_P(JpegWriterTest, RealReadersSeeTheImageThumbnailExifCommentAndProfile)
{
    VELMO_REQUIRE_TOOL("djpeg");
    VELMO_REQUIRE_TOOL("exiftool");
    const JpegCase& c = GetParam();
    const std::vector<uint16_t> source = test::RampPicture(c.width, c.height);
    int outW = 0, outH = 0;
    const std::vector<uint16_t> expected = test::Turned(source, c.width, c.height, c.rotate, &outW, &outH);

    test::CameraExifRecipe recipe;
    recipe.littleEndian = c.exif != 2;
    recipe.thumbnailEntries = c.exif != 3;
    const test::CameraExifFixture exif = test::MakeCameraExif(recipe);
    OutputMetadata meta;
    if (c.exif != 0)
        meta.exif = exif.Source();
    const std::vector<uint8_t> profile = c.icc == 9 ? LargeProfile() : c.icc >= 0 ? BuiltIn(c.icc) : std::vector<uint8_t>{};
    meta.iccProfile = profile;
    meta.srgb = c.icc == 0;

    const std::string path = dir.File("out.jpg");
    test::RecordingProgress progress;
    JpegSettings settings{95, c.progressive};
    const WriteResult r = WriteJpegFile(path, OutputImage{source, outW, outH, c.rotate}, meta, settings, progress);
    ASSERT_TRUE(r.Ok()) << r.detail;
    EXPECT_EQ(progress.calls.front(), (std::pair<int, std::string>{0, "Writing JPEG"}));
    EXPECT_EQ(progress.calls.back().first, -1);

    // SOI, APP1 Exif, COM, APP2 ICC_PROFILE ..., no JFIF; SOF2 when progressive.
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    const std::vector<Segment> segments = JpegSegments(bytes);
    ASSERT_GE(segments.size(), 3u);
    size_t i = 0;
    if (c.exif != 0) {
        ASSERT_EQ(segments[i].marker, 0xE1);
        EXPECT_EQ(std::string(segments[i].data.begin(), segments[i].data.begin() + 6), std::string("Exif\0\0", 6));
        ++i;
    }
    ASSERT_EQ(segments[i].marker, 0xFE);
    EXPECT_EQ(segments[i].data, std::vector<uint8_t>(kJpegComment, kJpegComment + sizeof kJpegComment));
    ++i;
    std::vector<uint8_t> icc;
    size_t iccSegments = 0;
    for (; i < segments.size() && segments[i].marker == 0xE2; ++i, ++iccSegments) {
        const auto& d = segments[i].data;
        ASSERT_GT(d.size(), 14u);
        EXPECT_EQ(std::string(d.begin(), d.begin() + 12), std::string("ICC_PROFILE\0", 12));
        EXPECT_EQ(d[12], iccSegments + 1);
        icc.insert(icc.end(), d.begin() + 14, d.end());
    }
    EXPECT_EQ(icc, profile);
    EXPECT_EQ(iccSegments, profile.empty() ? 0u : (profile.size() + 65518) / 65519);
    for (const Segment& s : segments) {
        if (s.marker == 0xE2) {
            EXPECT_EQ(s.data[13], iccSegments);
        }
    }
    if (c.icc == 9) {
        EXPECT_GE(iccSegments, 2u);
    }
    EXPECT_FALSE(HasMarker(segments, 0xE0));
    EXPECT_EQ(HasMarker(segments, 0xC2), c.progressive);
    EXPECT_EQ(HasMarker(segments, 0xC0), !c.progressive);

    // djpeg: the main image, close to the written high bytes.
    const test::DecodedImage main = test::DecodeWithDjpeg(path);
    ASSERT_FALSE(main.Empty());
    EXPECT_EQ(main.width, outW);
    EXPECT_EQ(main.height, outH);
    ExpectClose(main, test::HighBytes(expected), 1.5, 16);

    auto v = test::ExifToolValues(path, {"Model", "ExposureTime", "Orientation", "ExifImageWidth", "ExifImageHeight",
                                         "ProfileDescription", "Comment", "ThumbnailLength", "EncodingProcess"});
    EXPECT_EQ(v["Comment"], "velmo v0.4.7");
    EXPECT_EQ(v["ProfileDescription"], c.icc == 9 ? "Large test profile"
                                       : c.icc >= 0 ? kBuiltInIccProfiles[c.icc].description
                                                    : "");
    EXPECT_EQ(v["EncodingProcess"], c.progressive ? "Progressive DCT, Huffman coding"
                                                  : "Baseline DCT, Huffman coding");
    if (c.icc >= 0) {
        EXPECT_EQ(test::ExifToolBinary(path, "ICC_Profile"), profile);
    }
    if (c.exif == 0) {
        EXPECT_EQ(v["Model"], "");
        return;
    }
    EXPECT_EQ(v["Model"], "FinePix S5Pro");
    EXPECT_EQ(v["ExposureTime"], "1/250");
    EXPECT_EQ(v["Orientation"], "Horizontal (normal)");
    EXPECT_EQ(v["ExifImageWidth"], std::to_string(outW));
    EXPECT_EQ(v["ExifImageHeight"], std::to_string(outH));
    if (c.exif == 3) {
        EXPECT_EQ(v["ThumbnailLength"], "") << "no IFD1 thumbnail entries: no thumbnail";
        return;
    }

    // The thumbnail: a baseline JPEG of 160 pixels on the long side.
    const std::vector<uint8_t> thumb = test::ExifToolBinary(path, "ThumbnailImage");
    ASSERT_FALSE(thumb.empty());
    EXPECT_EQ(v["ThumbnailLength"], std::to_string(thumb.size()));
    const std::vector<Segment> ts = JpegSegments(thumb);
    EXPECT_TRUE(HasMarker(ts, 0xC0)) << "the thumbnail stays baseline";
    const std::string thumbPath = dir.File("thumb.jpg");
    ASSERT_TRUE(test::WriteFile(thumbPath, thumb));
    const test::DecodedImage t = test::DecodeWithDjpeg(thumbPath);
    ASSERT_FALSE(t.Empty());
    int tw = 0, th = 0;
    JpegThumbnailSize(outW, outH, &tw, &th);
    EXPECT_EQ(t.width, tw);
    EXPECT_EQ(t.height, th);
    std::vector<uint16_t> nearest(size_t(tw) * size_t(th) * 3);
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x)
            for (int k = 0; k < 3; ++k)
                nearest[(size_t(y) * tw + x) * 3 + k] =
                    expected[((size_t(y) * outH / th) * outW + size_t(x) * outW / tw) * 3 + k] >> 8;
    ExpectClose(t, nearest, 6.0, 64);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegWriterTest,
    ::testing::Values(JpegCase{"ExifBaseline", 1, false, 0, 0, 96, 64},
                      JpegCase{"ExifProgressiveTurnedRight", 1, true, 1, 1, 96, 64},
                      JpegCase{"BigEndianExifTurnedLeft", 2, false, 2, 3, 90, 70},
                      JpegCase{"NoThumbnailEntries", 3, false, 0, 2, 64, 48},
                      JpegCase{"NoExifEmptyUserProfile", 0, true, 0, -1, 64, 48},
                      JpegCase{"LargeProfileOverSeveralSegments", 1, false, 0, 9, 48, 32},
                      JpegCase{"WideCropThumbnailOnePixelHigh", 1, false, 0, 0, 480, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(JpegWriter, ThumbnailSizes)
{
    struct Case {
        int w, h, tw, th;
    };
    const Case cases[] = {{3000, 2000, 160, 106}, {2000, 3000, 106, 160}, {480, 2, 160, 1},
                          {2, 480, 1, 160},       {100, 100, 160, 160},   {1, 1, 160, 160}};
    for (const Case& c : cases) {
        int tw = 0, th = 0;
        JpegThumbnailSize(c.w, c.h, &tw, &th);
        EXPECT_EQ(tw, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(th, c.th) << c.w << "x" << c.h;
    }
}

TEST(JpegWriter, IccSegmentsSplitLikeLibjpeg)
{
    EXPECT_TRUE(IccProfileSegments({}).empty());
    const std::vector<uint8_t> exact(65519, 1), over(65520, 2);
    EXPECT_EQ(IccProfileSegments(exact).size(), 1u);
    const auto two = IccProfileSegments(over);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].size(), 65533u);
    EXPECT_EQ(two[1].size(), 15u);
    EXPECT_EQ(two[1][12], 2);
    EXPECT_EQ(two[1][13], 2);
    const std::vector<uint8_t> tooLarge(size_t(65519) * 255 + 1, 3);
    EXPECT_TRUE(IccProfileSegments(tooLarge).empty());
}

// A write failure inside libjpeg's output (the disk fills while it encodes)
// comes back through the error handler: no exit, no file, the old one kept.
TEST(JpegWriter, FailureInsideTheEncoderReturnsAndKeepsTheOldFile)
{
    test::TempDir dir;
    const std::string path = dir.File("old.jpg");
    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    constexpr int kSide = 700;
    std::vector<uint16_t> noise(size_t(kSide) * kSide * 3);
    std::mt19937 rng(7);
    for (auto& s : noise)
        s = uint16_t(rng());
    test::RecordingProgress progress;
    OutputFaults().failAfterBytes = 1000;
    const WriteResult r = WriteJpegFile(path, OutputImage{noise, kSide, kSide}, {}, JpegSettings{100, false}, progress);
    OutputFaults() = {};
    EXPECT_EQ(r.status, WriteStatus::WriteFailed);
    EXPECT_NE(r.detail.find("No space left"), std::string::npos) << r.detail;
    ASSERT_GE(progress.calls.size(), 2u);
    EXPECT_LT(progress.calls[progress.calls.size() - 2].first, 90) << "stopped while encoding";
    EXPECT_EQ(progress.calls.back().first, -1);
    EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(JpegWriter, RefusesAnImageWithoutPixels)
{
    test::TempDir dir;
    const std::vector<uint16_t> px(3, 0);
    EXPECT_EQ(WriteJpegFile(dir.File("x.jpg"), OutputImage{px, 2, 2}, {}, {}, NoProgress()).status,
              WriteStatus::InvalidInput);
    EXPECT_EQ(WriteJpegFile(dir.File("missing/x.jpg"), OutputImage{px, 1, 1}, {}, {}, NoProgress()).status,
              WriteStatus::CannotCreate);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
} // namespace velmo
