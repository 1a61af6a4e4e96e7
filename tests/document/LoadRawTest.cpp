// The RAW load through the document: the record of dynamic-range shots;
// per-image state that must not carry over to the next file; broken files
// refused with a message while the picture stays; and the guards of the
// as-shot estimate. The image the loader builds is tested in tests/raw.
#include "document/VelmoDoc.h"
#include "raw/RafContainer.h"
#include "support/JpegCodec.h"
#include "support/PlacementOracle.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"
#include "tests/raw/RawLoadCases.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <functional>
#include <sstream>

namespace velmo {
namespace {

using test::Bay;
using test::BrokenCase;
using test::Derived;
using test::DrCase;
using test::File;
using test::Flat;
using test::FlatScene;
using test::kBrokenSizes;

class DynamicRange : public ::testing::TestWithParam<DrCase> {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
};

// The image's side is the loader's (tests/raw/RawLoaderTest.cpp); the
// document opens the shot and makes its record a two-frame one.
TEST_P(DynamicRange, TwoFramesOrAShiftMakeATwoFrameRecord)
{
    const DrCase& c = GetParam();
    const std::string path = dir.File("dr.RAF");
    ASSERT_TRUE(test::WriteRaf(path, test::DrRecipe(c)));
    test::RecordingMessages messages;
    CVelmoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    EXPECT_EQ(doc.Image().exrMode, c.exrMode);
    EXPECT_EQ(doc.Image().drShift, c.drShift);
    EXPECT_EQ(!doc.Image().secondFrame.empty(), c.secondFrame);
    // Two frames, or a dynamic-range shift, make the record a two-frame one.
    EXPECT_EQ(doc.Edit().Params().twoFrames, (c.secondFrame || c.drShift != 0) ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rules, DynamicRange, ::testing::ValuesIn(test::kDrCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// --- Per-image state --------------------------------------------------------

class LoadRaw : public ::testing::Test {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
    test::RecordingMessages messages;
    CVelmoDoc doc;
    int files = 0;

    // Writes the file and opens it; the result of the open.
    bool Open(const std::vector<uint8_t>& bytes, const char* extension = ".RAF")
    {
        const std::string path = dir.File("file" + std::to_string(++files) + extension);
        return test::WriteFile(path, bytes) && doc.OnOpenDocument(path);
    }
    bool Open(const test::RafFileSpec& recipe) { return Open(test::BuildRaf(recipe)); }

    // A flat file of the case with these frame values.
    std::vector<uint8_t> FlatFile(test::PlacementCase c, const uint16_t (&values)[2][3], uint16_t unitWord = 0)
    {
        c.scene = FlatScene(values);
        test::PlacementPrediction expected;
        test::RafFileSpec recipe = test::PlacementRecipe(c, expected);
        if (unitWord)
            recipe.unitWord = unitWord;
        return test::BuildRaf(recipe);
    }

    test::RafFileSpec DrFile(const char* model, char digit, int iso, uint16_t setting)
    {
        test::RafFileSpec recipe;
        recipe.model = model;
        recipe.exrModeDigit = digit;
        recipe.rawRows = 18;
        test::ExifBlockSpec exif = test::FujiExifSpec(model, true, std::string("Digital Camera ") + model + " Ver1.00");
        exif.exif.Remove(0x8827).Short(0x8827, uint16_t(iso));
        exif.makerNote.Short(0x1403, setting);
        recipe.exif = exif;
        return recipe;
    }

    void ExpectOneFrameAsIs()
    {
        EXPECT_EQ(doc.Image().exrBits, 0);
        EXPECT_EQ(doc.Image().exrMode, 0);
        EXPECT_EQ(doc.Image().exrModeDigit, 0);
        EXPECT_EQ(doc.Image().exrExtra, 0);
        EXPECT_EQ(doc.Image().drShift, 0);
        EXPECT_EQ(doc.Image().dynamicRange, 0);
    }
};

TEST_F(LoadRaw, LayoutFrameAndExrStateDoNotCarryOver)
{
    const test::PlacementCase s5pro = File("FinePix S5Pro", 0);

    // An S5Pro file without a stored second frame (layout bit 0): the R frame
    // is derived and the 0x9700 record gives the unit 55.
    ASSERT_TRUE(Open(FlatFile(Derived(s5pro), {{4000, 8000, 2000}, {}}, 1200)));
    EXPECT_EQ(doc.Image().exrBits, 3);
    EXPECT_EQ(doc.Image().wbUnit, 55);
    ASSERT_FALSE(doc.Image().secondFrame.empty());
    EXPECT_TRUE(Flat("derived R frame", doc.Image().secondFrame, doc.Image().imageWidth, doc.Image().imageHeight, {250, 500, 125}));

    // A two-frame SuperCCD file after it: no layout bits, both frames from the file.
    ASSERT_TRUE(Open(FlatFile(File("FinePix S20Pro", 16), {{4000, 8000, 2000}, {300, 600, 150}})));
    EXPECT_EQ(doc.Image().exrBits, 0);
    EXPECT_EQ(doc.Image().wbUnit, 64);
    EXPECT_TRUE(Flat("S20Pro R frame", doc.Image().secondFrame, doc.Image().imageWidth, doc.Image().imageHeight, {300, 600, 150}));

    // Bit 0 set again, then an S5Pro that stores its R frame: it is read, not derived.
    ASSERT_TRUE(Open(FlatFile(Derived(s5pro), {{4000, 8000, 2000}, {}}, 1200)));
    ASSERT_TRUE(Open(FlatFile(s5pro, {{4000, 8000, 2000}, {111, 222, 333}}, 1200)));
    EXPECT_EQ(doc.Image().exrBits, 2);
    EXPECT_EQ(doc.Image().wbUnit, 220);
    EXPECT_EQ(doc.Edit().Params().twoFrames, 1);
    EXPECT_TRUE(Flat("stored R frame", doc.Image().secondFrame, doc.Image().imageWidth, doc.Image().imageHeight, {111, 222, 333}));

    // An EXR DR shot, then a one-frame Bayer camera.
    ASSERT_TRUE(Open(DrFile("FinePix S200EXR", '2', 100, 200)));
    EXPECT_EQ(doc.Image().exrMode, 2);
    EXPECT_EQ(doc.Image().exrExtra, 8);
    EXPECT_EQ(doc.Image().dynamicRange, 200);
    ASSERT_TRUE(Open(FlatFile(File("FinePix S5500", 22), {{1000, 2000, 3000}, {}})));
    ExpectOneFrameAsIs();
    EXPECT_TRUE(doc.Image().secondFrame.empty());
    EXPECT_EQ(doc.Edit().Params().twoFrames, 0);

    // A shifted EXR HR shot, then a broken file, then a SuperCCD camera.
    ASSERT_TRUE(Open(DrFile("FinePix S200EXR", '1', 100, 800)));
    EXPECT_EQ(doc.Image().drShift, 4);
    test::RafFileSpec unknown;
    unknown.model = "FinePix X100";
    EXPECT_FALSE(Open(unknown));
    // The broken file leaves the shot open as it was.
    EXPECT_TRUE(doc.HasImage());
    EXPECT_EQ(doc.Image().drShift, 4);
    ASSERT_TRUE(Open(FlatFile(File("FinePix S7000", 16), {{1000, 2000, 3000}, {}})));
    ExpectOneFrameAsIs();
    EXPECT_EQ(doc.Image().bayerFlag, 0);
    EXPECT_EQ(doc.Output().sizeMode & 8, 0);
    EXPECT_EQ(doc.Edit().Params().twoFrames, 0);
    EXPECT_EQ(messages.calls.size(), 1u);
}

// --- Broken sizes -------------------------------------------------------------

// The file is checked before the open picture is closed: a broken one is
// refused with its message and the picture stays as it was.
TEST_F(LoadRaw, BrokenSizesFailWithAMessageAndKeepThePicture)
{
    for (const BrokenCase& c : kBrokenSizes) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Open(FlatFile(File("FinePix S7000", 16), {{1000, 2000, 3000}, {}})));
        const std::string opened = doc.SourcePath();
        const std::vector<uint16_t> picture = doc.Image().mainImage;
        const int width = doc.Image().imageWidth, height = doc.Image().imageHeight;
        messages.calls.clear();
        EXPECT_FALSE(Open(test::BrokenRecipe(c)));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].text, RafErrorText(c.error));
        EXPECT_TRUE(doc.HasImage());
        EXPECT_EQ(doc.SourcePath(), opened);
        EXPECT_EQ(doc.Image().imageWidth, width);
        EXPECT_EQ(doc.Image().imageHeight, height);
        EXPECT_TRUE(doc.Image().mainImage == picture);
        EXPECT_EQ(doc.CameraFamily(), 0);
    }
}

// A two-frame file must hold both frames: one that is missing (or that the
// directory gives less than a frame) refuses the file with a message naming
// it; one that the file ends inside is loaded, short, and said once.
TEST_F(LoadRaw, MissingOrShortSecondFrameIsSaidNamingTheFile)
{
    const uint16_t values[2][3] = {{4000, 8000, 2000}, {111, 222, 333}};
    test::PlacementCase s5pro = File("FinePix S5Pro", 0);
    s5pro.scene = FlatScene(values);
    test::PlacementPrediction expected;
    const test::RafFileSpec whole = test::PlacementRecipe(s5pro, expected);
    test::RafLayout at;
    const std::vector<uint8_t> bytes = test::BuildRaf(whole, &at);
    const size_t frameBytes = size_t(2176) * 1444 * 4;
    ASSERT_EQ(at.dataLength, frameBytes);
    ASSERT_EQ(bytes.size(), at.dataOffset + 2 * frameBytes);

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        bool loads;
    };
    std::vector<uint8_t> oneFrame(bytes.begin(), bytes.begin() + std::ptrdiff_t(at.dataOffset + frameBytes));
    std::vector<uint8_t> halfSecond(bytes.begin(), bytes.begin() + std::ptrdiff_t(at.dataOffset + frameBytes * 3 / 2));
    test::RafFileSpec shortLength = whole;
    shortLength.faults.directory[0x84] = 0xFFFF;
    test::RafFileSpec noSecondBlock;
    noSecondBlock.model = "FinePix S20Pro";
    noSecondBlock.compressed = true;
    noSecondBlock.faults.directory[0x84] = 0;
    const Case cases[] = {
        {"the file ends after the first frame", oneFrame, false},
        {"the directory gives the second frame 0xFFFF bytes", test::BuildRaf(shortLength), false},
        {"a compressed file without its second block", test::BuildRaf(noSecondBlock), false},
        {"the file ends inside the second frame", halfSecond, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Open(FlatFile(File("FinePix S7000", 16), {{1000, 2000, 3000}, {}})));
        const std::string opened = doc.SourcePath();
        messages.calls.clear();
        const std::string path = dir.File("frames" + std::to_string(++files) + ".RAF");
        ASSERT_TRUE(test::WriteFile(path, c.file));
        EXPECT_EQ(doc.OnOpenDocument(path), c.loads);
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_NE(messages.calls[0].text.find(path), std::string::npos) << messages.calls[0].text;
        EXPECT_TRUE(doc.HasImage());
        if (c.loads) {
            EXPECT_EQ(messages.calls[0].text, path + " is cut short; the picture may be damaged");
            EXPECT_EQ(doc.SourcePath(), path);
            const RawImage& image = doc.Image();
            ASSERT_FALSE(image.secondFrame.empty());
            // The rows the file holds are placed; the rest reads as 0.
            EXPECT_TRUE(Flat("main image", image.mainImage, image.imageWidth, image.imageHeight, {4000, 8000, 2000}));
        } else {
            // Refused before the open picture was closed.
            EXPECT_EQ(doc.SourcePath(), opened);
            EXPECT_TRUE(doc.Image().secondFrame.empty());
        }
    }
}

TEST_F(LoadRaw, BayDumpOfAnotherLengthIsRefused)
{
    const std::vector<uint8_t> bytes = test::BuildPlacementFile(Bay()).bytes;
    for (long delta : {-1L, 1L, -2080L}) {
        SCOPED_TRACE(delta);
        std::vector<uint8_t> other = bytes;
        other.resize(size_t(long(bytes.size()) + delta), 9);
        messages.calls.clear();
        EXPECT_FALSE(Open(other, ".BAY"));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].text, "Unknown BAY file.");
        EXPECT_FALSE(doc.HasImage());
    }
    EXPECT_TRUE(Open(bytes, ".bay"));
    EXPECT_EQ(doc.CameraFamily(), 3);
}

// Files cut short or damaged anywhere: the load either succeeds or fails
// with a message, and a failed one leaves the picture open before it or, when
// the damage shows only once it was closed, none; run under the sanitizers
// this shows no read or write out of bounds on the way.
TEST_F(LoadRaw, TruncatedAndDamagedFilesFailCleanly)
{
    test::PlacementCase s20plain = File("FinePix S20Pro", 16);
    test::PlacementCase s20packed = File("FinePix S20Pro", 16, true);
    test::PlacementCase sn = File("FinePix S200EXR", 18, true, '3');
    test::PlacementCase wide = File("FinePix S5600", 20);
    wide.doubleWidth = true;
    for (const test::PlacementCase& c : {s20plain, s20packed, sn, wide}) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> good = test::BuildPlacementFile(c).bytes;
        ASSERT_TRUE(Open(good));
        const size_t n = good.size();
        for (int k = 1; k <= 12; ++k) {
            std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n * size_t(k) / 13));
            messages.calls.clear();
            const std::string before = doc.SourcePath();
            const bool loaded = Open(cut);
            // A refusal says why; a load says nothing, or that the file is cut short.
            if (loaded && !messages.calls.empty()) {
                EXPECT_NE(messages.calls[0].text.find(" is cut short; the picture may be damaged"), std::string::npos)
                    << "cut at " << cut.size();
            }
            EXPECT_LE(messages.calls.size(), 1u) << "cut at " << cut.size();
            EXPECT_TRUE(loaded || messages.calls.size() == 1u) << "cut at " << cut.size();
            EXPECT_TRUE(loaded ? doc.HasImage() : !doc.HasImage() || doc.SourcePath() == before)
                << "cut at " << cut.size();
        }
        for (int k = 0; k < 24; ++k) {
            std::vector<uint8_t> damaged = good;
            // Eight bytes at spread positions, header and directory included.
            const size_t at = k < 8 ? 0x18 + size_t(k) * 0x0C : (n * size_t(k - 7) / 17) % (n - 8);
            for (size_t i = at; i < at + 8; ++i)
                damaged[i] = uint8_t(damaged[i] ^ (0xA5 + 13 * k));
            messages.calls.clear();
            const std::string before = doc.SourcePath();
            const bool loaded = Open(damaged);
            EXPECT_TRUE(loaded ? doc.HasImage() : !doc.HasImage() || doc.SourcePath() == before)
                << "damaged at " << at;
            if (!loaded) {
                EXPECT_EQ(messages.calls.size(), 1u) << "damaged at " << at;
            }
        }
    }
}

// --- As-shot estimate ------------------------------------------------------

TEST_F(LoadRaw, AsShotEstimateKeepsItsRowInRange)
{
    using C = FamilyWhiteBalanceTable::Column;
    auto withPreview = [&](uint8_t r, uint8_t g, uint8_t b, int components = 3) {
        test::RafFileSpec recipe;
        recipe.model = "FinePix S7000";
        recipe.previewQuality = 100;
        recipe.previewComponents = components;
        recipe.previewPixels.assign(size_t(recipe.previewWidth) * recipe.previewHeight * components, 0);
        for (size_t i = 0; i + 2 < recipe.previewPixels.size(); i += 3) {
            recipe.previewPixels[i] = r;
            recipe.previewPixels[i + 1] = g;
            recipe.previewPixels[i + 2] = b;
        }
        const std::string path = dir.File("preview" + std::to_string(++files) + ".RAF");
        EXPECT_TRUE(test::WriteRaf(path, recipe));
        return path;
    };
    auto setAutoRow = [&](int32_t r, int32_t g, int32_t b) {
        FamilyWhiteBalanceTables tables = doc.FamilyTables();
        int32_t* row6 = tables[FamilyTableIndex(doc.CameraFamily())].rows[FamilyWhiteBalanceTable::kAutoRow];
        row6[C::R] = r;
        row6[C::G] = g;
        row6[C::B] = b;
        doc.SetFamilyTables(tables);
    };
    const int32_t* row8 = doc.FamilyTable().rows[FamilyWhiteBalanceTable::kAsShotRow];

    // A pure red preview with a huge auto row: the product is held to the int range.
    setAutoRow(2000000000, 150, 150);
    ASSERT_TRUE(doc.MakeAsShot(withPreview(255, 0, 0)));
    EXPECT_EQ(row8[C::R], INT32_MAX);
    EXPECT_GT(row8[C::G], 0);
    EXPECT_LT(row8[C::G], 1000);
    EXPECT_GT(row8[C::B], 0);
    EXPECT_LT(row8[C::B], 1000);

    // A black preview has no colour to estimate from; a grey JPEG cannot be
    // used. Both leave the row as it was.
    const std::vector<int32_t> before(row8, row8 + 8);
    EXPECT_FALSE(doc.MakeAsShot(withPreview(0, 0, 0)));
    EXPECT_EQ(std::vector<int32_t>(row8, row8 + 8), before);
    EXPECT_FALSE(doc.MakeAsShot(withPreview(0, 0, 0, 1)));
    EXPECT_EQ(std::vector<int32_t>(row8, row8 + 8), before);

    // A neutral grey preview gives the auto row, green lowered by 0.95.
    setAutoRow(400, 400, 400);
    ASSERT_TRUE(doc.MakeAsShot(withPreview(128, 128, 128)));
    EXPECT_NEAR(row8[C::R], 400, 2);
    EXPECT_NEAR(row8[C::G], 380, 2);
    EXPECT_NEAR(row8[C::B], 400, 2);
}

} // namespace
} // namespace velmo
