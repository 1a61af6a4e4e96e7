// The RAW load as a whole: flat fields through placement, demosaicing, the
// EXR frames and the black level; the dynamic-range rules of the S200EXR
// and S100FS; per-image state that must not carry over to the next file;
// broken sizes; and the guards of the as-shot estimate.
#include "document/VelmoDoc.h"
#include "raw/RafContainer.h"
#include "support/JpegCodec.h"
#include "support/PlacementOracle.h"
#include "support/RafBuilder.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <functional>
#include <sstream>

namespace velmo {
namespace {

// Every pixel of a frame (width x height, R, G, B) holds rgb.
::testing::AssertionResult Flat(const char* what, const std::vector<uint16_t>& frame, int width, int height,
                                const uint16_t (&rgb)[3])
{
    if (frame.size() < size_t(width) * size_t(height) * 3)
        return ::testing::AssertionFailure() << what << ": only " << frame.size() << " samples";
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int ch = 0; ch < 3; ++ch) {
                const uint16_t v = frame[(size_t(r) * size_t(width) + size_t(c)) * 3 + size_t(ch)];
                if (v != rgb[ch])
                    return ::testing::AssertionFailure() << what << " (row " << r << ", column " << c << ", channel "
                                                         << ch << "): " << v << ", expected " << rgb[ch];
            }
    return ::testing::AssertionSuccess();
}

test::PlacementScene FlatScene(const uint16_t (&values)[2][3])
{
    const std::array<std::array<uint16_t, 3>, 2> v{{{values[0][0], values[0][1], values[0][2]},
                                                     {values[1][0], values[1][1], values[1][2]}}};
    return [v](int frame, int, int, int colour) { return v[size_t(frame)][size_t(colour)]; };
}

struct FlatCase {
    const char* name;
    test::PlacementCase file;
    uint16_t values[2][3];      // R, G, B of the file's first and second frame
    uint16_t main[3];           // the main image after the load
    uint16_t second[3];         // the second frame after the load (none: all 0)
    int white;
    int peak;                   // the largest G of the main frame as placed (the file's first frame)
    int sizeFactor;             // 2 when the EXR SN rebuild doubles the size
};

void PrintTo(const FlatCase& c, std::ostream* os) { *os << c.name; }

test::PlacementCase File(const char* model, int rawRows, bool compressed = false, char digit = '1')
{
    test::PlacementCase c;
    c.name = model;
    c.model = model;
    c.rawRows = rawRows;
    c.compressed = compressed;
    c.exrModeDigit = digit;
    return c;
}

test::PlacementCase Derived(test::PlacementCase c)
{
    c.storeSecondFrame = false;
    return c;
}

test::PlacementCase Bay()
{
    test::PlacementCase c;
    c.name = "BAY";
    c.bay = true;
    return c;
}

// The black level of 512 turns 300 into 0 and 700 into 188, and the white
// level 16384 into 15872; an EXR DR shot ends with the file's second frame
// as the main image; the derived S5Pro frame is the main image / 16.
const FlatCase kFlatCases[] = {
    {"S200EXRMode1", File("FinePix S200EXR", 18), {{300, 700, 5000}, {}}, {0, 188, 4488}, {}, 15872, 188, 1},
    {"S200EXRMode2", File("FinePix S200EXR", 18, true, '2'), {{300, 700, 5000}, {1000, 2000, 3000}},
     {488, 1488, 2488}, {0, 188, 4488}, 15872, 188, 1},
    {"S200EXRMode3", File("FinePix S200EXR", 18, false, '3'), {{900, 1800, 2700}, {900, 1800, 2700}},
     {388, 1288, 2188}, {}, 15872, 1288, 2},
    {"S100FS", File("FinePix S100FS", 22), {{300, 700, 5000}, {}}, {0, 188, 4488}, {}, 15872, 188, 1},
    {"S2Pro", File("FinePixS2Pro", 0), {{1000, 2000, 3000}, {}}, {1000, 2000, 3000}, {}, 4096, 2000, 1},
    {"S5500", File("FinePix S5500", 22), {{1000, 2000, 3000}, {}}, {1000, 2000, 3000}, {}, 16384, 2000, 1},
    {"S5ProDerivedSecond", Derived(File("FinePix S5Pro", 0)), {{4000, 8000, 2000}, {}}, {4000, 8000, 2000},
     {250, 500, 125}, 16384, 8000, 1},
    {"S20ProCompressed", File("FinePix S20Pro", 16, true), {{4000, 8000, 2000}, {300, 600, 150}},
     {4000, 8000, 2000}, {300, 600, 150}, 16384, 8000, 1},
    {"BayDump", Bay(), {{50, 100, 150}, {}}, {50, 100, 150}, {}, 255, 100, 1},
};

class FlatField : public ::testing::TestWithParam<FlatCase> {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
};

TEST_P(FlatField, StaysFlatLessTheBlackLevel)
{
    const FlatCase& c = GetParam();
    test::PlacementCase file = c.file;
    file.scene = FlatScene(c.values);
    const test::PlacementFile built = test::BuildPlacementFile(file);
    const std::string path = dir.File(file.bay ? "flat.BAY" : "flat.RAF");
    ASSERT_TRUE(test::WriteFile(path, built.bytes));
    test::RecordingMessages messages;
    CVelmoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    const int W = built.expected.width * c.sizeFactor, H = built.expected.height * c.sizeFactor;
    ASSERT_EQ(doc.Image().imageWidth, W);
    ASSERT_EQ(doc.Image().imageHeight, H);
    EXPECT_EQ(doc.Image().whiteLevel, c.white);
    EXPECT_EQ(doc.Image().maxGreen, c.peak);
    EXPECT_TRUE(Flat("main image", doc.Image().mainImage, W, H, c.main));
    const bool second = c.second[0] | c.second[1] | c.second[2];
    ASSERT_EQ(!doc.Image().secondFrame.empty(), second);
    if (second) {
        EXPECT_TRUE(Flat("second frame", doc.Image().secondFrame, W, H, c.second));
    }
    // The spare rows below the image stay zero.
    EXPECT_EQ(doc.Image().mainImage[size_t(W) * H * 3], 0);
    EXPECT_EQ(doc.Image().mainImage.back(), 0);
}

INSTANTIATE_TEST_SUITE_P(Models, FlatField, ::testing::ValuesIn(kFlatCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// --- Dynamic-range rules --------------------------------------------------

struct DrCase {
    const char* name;
    const char* model;
    char digit;
    int iso;                 // tag 0x8827
    std::vector<std::pair<uint16_t, uint32_t>> makerNote; // tags 0x1402, 0x1403, 0x140B
    int exrMode, drShift, exrExtra;
    bool secondFrame;        // after the load
};

void PrintTo(const DrCase& c, std::ostream* os) { *os << c.name; }

const DrCase kDrCases[] = {
    {"S200EXRHr100", "FinePix S200EXR", '1', 100, {{0x1403, 100}}, 1, 0, 0, false},
    {"S200EXRHr200", "FinePix S200EXR", '1', 100, {{0x1403, 200}}, 1, 1, 0, false},
    {"S200EXRHr400", "FinePix S200EXR", '1', 100, {{0x1403, 400}}, 1, 2, 0, false},
    {"S200EXRHr800", "FinePix S200EXR", '1', 100, {{0x1403, 800}}, 1, 4, 0, false},
    {"S200EXRSettingFrom140B", "FinePix S200EXR", '1', 100, {{0x140B, 400}}, 1, 2, 0, false},
    {"S200EXR1403Before140B", "FinePix S200EXR", '1', 100, {{0x1403, 200}, {0x140B, 800}}, 1, 1, 0, false},
    {"S200EXRDrIso100Setting200", "FinePix S200EXR", '2', 100, {{0x1403, 200}}, 2, 0, 8, true},
    {"S200EXRDrIso200Setting200", "FinePix S200EXR", '2', 200, {{0x1403, 200}}, 2, 0, 4, true},
    {"S200EXRDrSetting800", "FinePix S200EXR", '2', 100, {{0x1403, 800}}, 2, 1, 4, true},
    {"S200EXRSn400", "FinePix S200EXR", '3', 400, {{0x1403, 400}}, 3, 2, 0, false},
    {"S200EXROtherDigit", "FinePix S200EXR", '7', 100, {{0x1403, 800}}, 1, 0, 0, false},
    // Values beyond any camera's are not taken over as numbers.
    {"S200EXRHugeSetting", "FinePix S200EXR", '1', 100, {{0x1403, 0xFFFFFFFFu}}, 1, 0, 0, false},
    {"S100FSManual100", "FinePix S100FS", '1', 400, {{0x1402, 1}, {0x1403, 100}}, 0, 0, 0, false},
    {"S100FSManual200", "FinePix S100FS", '1', 400, {{0x1402, 1}, {0x1403, 200}}, 0, 1, 0, false},
    {"S100FSManual400", "FinePix S100FS", '1', 100, {{0x1402, 1}, {0x1403, 400}}, 0, 2, 0, false},
    {"S100FSIso3200", "FinePix S100FS", '1', 3200, {{0x1402, 0}}, 0, 0, 0, false},
    {"S100FSIso100", "FinePix S100FS", '1', 100, {}, 0, 0, 0, false},
    {"S100FSIso200", "FinePix S100FS", '1', 200, {}, 0, 1, 0, false},
    {"S100FSIso400", "FinePix S100FS", '1', 400, {}, 0, 2, 0, false},
    {"S100FSFilmMode", "FinePix S100FS", '1', 400, {{0x1402, 32768}}, 0, 2, 0, false},
    {"S100FSHugeIso", "FinePix S100FS", '1', -1, {}, 0, 2, 0, false},
};

class DynamicRange : public ::testing::TestWithParam<DrCase> {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
};

TEST_P(DynamicRange, ShiftExtraAndFramesFromTheCameraSettings)
{
    const DrCase& c = GetParam();
    test::RafFileSpec recipe;
    recipe.model = c.model;
    recipe.exrModeDigit = c.digit;
    recipe.rawRows = c.model == std::string("FinePix S100FS") ? 16 : 18;
    test::ExifBlockSpec exif = test::FujiExifSpec(c.model, true, std::string("Digital Camera ") + c.model + " Ver1.00");
    exif.exif.Remove(0x8827);
    if (c.iso >= 0)
        exif.exif.Short(0x8827, uint16_t(c.iso));
    else
        exif.exif.Long(0x8827, 0xFFFFFFFFu);
    for (const auto& [tag, value] : c.makerNote) {
        if (value > 0xFFFF)
            exif.makerNote.Long(tag, value);
        else
            exif.makerNote.Short(tag, uint16_t(value));
    }
    recipe.exif = exif;
    const std::string path = dir.File("dr.RAF");
    ASSERT_TRUE(test::WriteRaf(path, recipe));
    test::RecordingMessages messages;
    CVelmoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    EXPECT_EQ(doc.Image().exrMode, c.exrMode);
    EXPECT_EQ(doc.Image().drShift, c.drShift);
    EXPECT_EQ(doc.Image().exrExtra, c.exrExtra);
    EXPECT_EQ(!doc.Image().secondFrame.empty(), c.secondFrame);
    // Two frames, or a dynamic-range shift, make the record a two-frame one.
    EXPECT_EQ(doc.Edit().Params().twoFrames, (c.secondFrame || c.drShift != 0) ? 1 : 0);
    if (c.exrMode != 0) {
        EXPECT_EQ(doc.Image().exrModeDigit, c.digit - '0');
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, DynamicRange, ::testing::ValuesIn(kDrCases),
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

struct BrokenCase {
    const char* name;
    std::function<void(test::RafFileSpec&)> edit;
    RafError error;
};

const BrokenCase kBrokenSizes[] = {
    {"less than one raw row",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S7000";
         s.frames = {std::vector<uint16_t>(4000, 100)};
     },
     RafError::RawDataMissing},
    {"margins taller than the data",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S5000";
         s.rawRows = 3;
     },
     RafError::RawDataMissing},
    {"odd height", [](test::RafFileSpec& s) { s.rawRows = 15; }, RafError::RawDataMissing},
    {"odd height, compressed",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S9000";
         s.compressed = true;
         s.rawRows = 9;
     },
     RafError::RawDataMissing},
    {"odd height after the EXR margins",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S200EXR";
         s.rawRows = 5;
     },
     RafError::RawDataMissing},
    {"odd height of a two-frame EXR shot",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S200EXR";
         s.exrModeDigit = '3';
         s.rawRows = 7;
     },
     RafError::RawDataMissing},
    {"data length beyond the file", [](test::RafFileSpec& s) { s.faults.directory[0x68] = 0x7FFFFFF0; },
     RafError::RawDataMissing},
    {"file cut inside the rows the data length claims",
     [](test::RafFileSpec& s) {
         s.rawRows = 40;
         s.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout& at) {
             b.resize(at.dataOffset + at.dataLength / 4);
         };
     },
     RafError::RawDataMissing},
    {"length word larger than the stream",
     [](test::RafFileSpec& s) {
         s.compressed = true;
         s.faults.lengthWord = 7616 * 20;
     },
     RafError::UnpackFailed},
    {"huge length word",
     [](test::RafFileSpec& s) {
         s.compressed = true;
         s.faults.lengthWord = 0xFFFFFFF0u;
     },
     RafError::UnpackFailed},
    {"fixed height with stripped data",
     [](test::RafFileSpec& s) {
         s.model = "FinePix S5Pro";
         s.frames = {std::vector<uint16_t>(11, 7), std::vector<uint16_t>(11, 8)};
     },
     RafError::RawDataMissing},
};

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
        test::RafFileSpec recipe;
        recipe.model = "FinePix S5600";
        recipe.rawRows = 16;
        c.edit(recipe);
        messages.calls.clear();
        EXPECT_FALSE(Open(recipe));
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
