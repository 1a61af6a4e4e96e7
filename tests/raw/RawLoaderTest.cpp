// The RAW load on its own, with no document: flat fields through placement,
// demosaicing, the EXR frames and the black level; the dynamic-range rules
// of the S200EXR and S100FS; broken sizes refused with their message.
#include "raw/RawLoader.h"

#include "tests/raw/RawLoadCases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velmo {
namespace {

using test::BrokenCase;
using test::DrCase;
using test::FlatCase;

// A directory of its own for the files of one test.
class LoaderFiles : public ::testing::Test {
protected:
    std::filesystem::path dir;
    int files = 0;

    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("velmo-loader-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Write(const std::vector<uint8_t>& bytes, const char* extension)
    {
        const std::string path = (dir / ("file" + std::to_string(++files) + extension)).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return out ? path : std::string();
    }

    RawLoadResult Load(const std::vector<uint8_t>& bytes, bool bay = false)
    {
        const std::string path = Write(bytes, bay ? ".BAY" : ".RAF");
        EXPECT_FALSE(path.empty());
        return LoadRawImage(path, bay, EmptyImage(0, 1024, 768), tables, NoProgress());
    }

    FamilyWhiteBalanceTables tables = NormalizedFamilyTables();
};

class LoaderFlatField : public LoaderFiles, public ::testing::WithParamInterface<FlatCase> {};

TEST_P(LoaderFlatField, StaysFlatLessTheBlackLevel)
{
    const FlatCase& c = GetParam();
    test::PlacementCase file = c.file;
    file.scene = test::FlatScene(c.values);
    const test::PlacementFile built = test::BuildPlacementFile(file);
    const RawLoadResult r = Load(built.bytes, file.bay);
    ASSERT_TRUE(r.loaded) << r.error.message;
    const RawImage& img = r.image;
    const int W = built.expected.width * c.sizeFactor, H = built.expected.height * c.sizeFactor;
    ASSERT_EQ(img.imageWidth, W);
    ASSERT_EQ(img.imageHeight, H);
    EXPECT_EQ(img.whiteLevel, c.white);
    EXPECT_EQ(img.maxGreen, c.peak);
    EXPECT_TRUE(test::Flat("main image", img.mainImage, W, H, c.main));
    const bool second = c.second[0] | c.second[1] | c.second[2];
    ASSERT_EQ(!img.secondFrame.empty(), second);
    if (second) {
        EXPECT_TRUE(test::Flat("second frame", img.secondFrame, W, H, c.second));
    }
    // The spare rows below the image stay zero.
    EXPECT_EQ(img.mainImage[size_t(W) * H * 3], 0);
    EXPECT_EQ(img.mainImage.back(), 0);
}

INSTANTIATE_TEST_SUITE_P(Models, LoaderFlatField, ::testing::ValuesIn(test::kFlatCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

class LoaderDynamicRange : public LoaderFiles, public ::testing::WithParamInterface<DrCase> {};

TEST_P(LoaderDynamicRange, ShiftExtraAndFramesFromTheCameraSettings)
{
    const DrCase& c = GetParam();
    const RawLoadResult r = Load(test::BuildRaf(test::DrRecipe(c)));
    ASSERT_TRUE(r.loaded) << r.error.message;
    EXPECT_EQ(r.image.exrMode, c.exrMode);
    EXPECT_EQ(r.image.drShift, c.drShift);
    EXPECT_EQ(r.image.exrExtra, c.exrExtra);
    EXPECT_EQ(!r.image.secondFrame.empty(), c.secondFrame);
    if (c.exrMode != 0) {
        EXPECT_EQ(r.image.exrModeDigit, c.digit - '0');
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, LoaderDynamicRange, ::testing::ValuesIn(test::kDrCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(LoaderFiles, BrokenSizesFailWithTheirMessage)
{
    for (const BrokenCase& c : test::kBrokenSizes) {
        SCOPED_TRACE(c.name);
        const RawLoadResult r = Load(test::BuildRaf(test::BrokenRecipe(c)));
        EXPECT_FALSE(r.loaded);
        EXPECT_EQ(r.error.message, RafErrorText(c.error));
        EXPECT_FALSE(r.image.HasFrames());
    }
}

// What a load keeps of the image before it, and the maps it reuses; the
// previous file's layout does not carry over.
TEST_F(LoaderFiles, KeepsTheCustomRowAndReusesTheMaps)
{
    RawImage previous = EmptyImage(0, 1024, 768);
    const uint16_t custom[4] = {111, 222, 111, 333};
    std::copy(custom, custom + 4, previous.rafPresets.rows[RafWhiteBalancePresets::kCustomRow]);
    previous.exrBits = 3;
    previous.drShift = 4;
    const uint16_t* maps = previous.previewMap1.data();
    const std::string path =
        Write(test::BuildPlacementFile(test::File("FinePix S5500", 22)).bytes, ".RAF");
    const RawLoadResult r = LoadRawImage(path, false, std::move(previous), tables, NoProgress());
    ASSERT_TRUE(r.loaded) << r.error.message;
    EXPECT_TRUE(std::equal(custom, custom + 4, r.image.rafPresets.rows[RafWhiteBalancePresets::kCustomRow]));
    EXPECT_EQ(r.image.previewMap1.data(), maps);
    EXPECT_EQ(r.image.fullWidth, 1024);
    EXPECT_EQ(r.image.exrBits, 0);
    EXPECT_EQ(r.image.drShift, 0);
    EXPECT_EQ(r.frames, 1);
}

// A file whose second frame the file ends inside loads, with the warning
// naming the file; one without it fails before anything is placed.
TEST_F(LoaderFiles, ShortSecondFrameLoadsWithAWarning)
{
    const uint16_t values[2][3] = {{4000, 8000, 2000}, {111, 222, 333}};
    test::PlacementCase s5pro = test::File("FinePix S5Pro", 0);
    s5pro.scene = test::FlatScene(values);
    test::PlacementPrediction expected;
    test::RafLayout at;
    const std::vector<uint8_t> bytes = test::BuildRaf(test::PlacementRecipe(s5pro, expected), &at);
    const size_t frameBytes = size_t(2176) * 1444 * 4;
    const std::vector<uint8_t> halfSecond(bytes.begin(),
                                          bytes.begin() + std::ptrdiff_t(at.dataOffset + frameBytes * 3 / 2));
    const std::string path = Write(halfSecond, ".RAF");
    const RawLoadResult r = LoadRawImage(path, false, EmptyImage(0, 1024, 768), tables, NoProgress());
    ASSERT_TRUE(r.loaded) << r.error.message;
    EXPECT_EQ(r.warning, path + " is cut short; the picture may be damaged");

    const std::vector<uint8_t> oneFrame(bytes.begin(), bytes.begin() + std::ptrdiff_t(at.dataOffset + frameBytes));
    const std::string cut = Write(oneFrame, ".RAF");
    RawLoader loader(cut, false);
    EXPECT_FALSE(loader.Check(EmptyImage(0, 0, 0), tables, NoProgress()));
    EXPECT_NE(loader.Error().message.find(cut), std::string::npos) << loader.Error().message;
    EXPECT_FALSE(loader.Error().detail.empty());
}

} // namespace
} // namespace velmo
