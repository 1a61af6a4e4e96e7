// Placement of the sensor rows for every model and layout: the files are
// written as the exact inverse of the placement rules (tests/support/
// PlacementOracle.h), so every placed value is predicted. Placement is
// checked directly, and for a selection of files through the whole load,
// where every sample a site measured must survive demosaicing (less the
// black level), after the EXR frame exchange and the SN rebuild.
#include "document/VelmoDoc.h"
#include "raw/Placement.h"
#include "raw/RafContainer.h"
#include "support/PlacementOracle.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <sstream>

namespace velmo {
namespace {

struct Case {
    test::PlacementCase file;
    bool throughOpen = false;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.file.name; }

Case Small(const char* name, const char* model, int rawRows, bool compressed, bool open = false)
{
    Case c;
    c.file.name = name;
    c.file.model = model;
    c.file.rawRows = rawRows;
    c.file.compressed = compressed;
    c.throughOpen = open;
    return c;
}

Case With(Case c, void (*edit)(test::PlacementCase&))
{
    edit(c.file);
    return c;
}

const Case kCases[] = {
    // SuperCCD, one frame.
    Small("S7000Plain", "FinePix S7000", 24, false, true),
    Small("S7000Compressed", "FinePix S7000", 24, true),
    Small("S6000Plain", "FinePix S6000", 20, false),
    Small("S6500Compressed", "FinePix S6500", 20, true),
    Small("S100FSPlain", "FinePix S100FS", 22, false, true),
    Small("S9000Plain", "FinePix S9000", 20, false),
    Small("S9500Compressed", "FinePix S9500", 20, true),
    Small("S9100Plain", "FinePix S9100", 20, false),
    With(Small("S9600CompressedWithPartialRow", "FinePix S9600", 20, true, true),
         [](test::PlacementCase& c) { c.extraSamples = 333; }),
    With(Small("S9600PlainWithPartialRow", "FinePix S9600", 20, false),
         [](test::PlacementCase& c) { c.extraSamples = 5023; }),
    Small("E900Plain", "FinePix E900 ", 20, false),
    Small("IS1Compressed", "IS-1", 20, true),
    Small("S5200Plain", "FinePix S5200", 20, false),
    Small("S5600Compressed", "FinePix S5600", 20, true),
    Small("F810Plain", "FinePix F810 ", 24, false),
    Small("E550Compressed", "FinePix E550 ", 24, true),
    Small("S5000Plain", "FinePix S5000", 20, false),
    Small("S5000Compressed", "FinePix S5000", 20, true, true),
    // SuperCCD rows of twice the raw width (record 0x100).
    With(Small("S5200DoubleWidthPlain", "FinePix S5200", 20, false),
         [](test::PlacementCase& c) { c.doubleWidth = true; }),
    With(Small("S5600DoubleWidthCompressed", "FinePix S5600", 20, true, true),
         [](test::PlacementCase& c) { c.doubleWidth = true; }),
    With(Small("S5000DoubleWidthPlain", "FinePix S5000", 20, false),
         [](test::PlacementCase& c) { c.doubleWidth = true; }),
    // SuperCCD, two frames: interleaved rows when plain, two blocks when compressed.
    Small("S20ProPlain", "FinePix S20Pro", 16, false, true),
    Small("S20ProCompressed", "FinePix S20Pro", 16, true, true),
    Small("F710Plain", "FinePix F710 ", 16, false),
    // The data length covers one frame; the interleaved rows read on and
    // find the file cut inside a row: what is missing reads as 0.
    With(Small("S20ProPlainCutInTheSecondHalf", "FinePix S20Pro", 16, false, true),
         [](test::PlacementCase& c) { c.keepSamples = 16 * 2 * 1472 + 1000; }),
    Small("F700PlainFullSize", "FinePix F700 ", 0, false, true),
    Small("F700CompressedFullSize", "FinePix F700 ", 0, true),
    // 16-bit Bayer.
    Small("S5500Plain", "FinePix S5500", 22, false, true),
    Small("S5100Compressed", "FinePix S5100", 22, true),
    // EXR modes: 1 one frame, 2 and 3 two frames.
    Small("S200EXRMode1Plain", "FinePix S200EXR", 18, false, true),
    Small("S200EXRMode1Compressed", "FinePix S200EXR", 18, true),
    With(Small("S200EXRMode2Plain", "FinePix S200EXR", 18, false),
         [](test::PlacementCase& c) { c.exrModeDigit = '2'; }),
    With(Small("S200EXRMode2Compressed", "FinePix S200EXR", 18, true, true),
         [](test::PlacementCase& c) { c.exrModeDigit = '2'; }),
    With(Small("S200EXRMode2PlainCutInTheSecondFrame", "FinePix S200EXR", 18, false),
         [](test::PlacementCase& c) {
             c.exrModeDigit = '2';
             c.keepSamples = 18 * 2880 + 9 * 2880 + 7;
         }),
    With(Small("S200EXRMode3Plain", "FinePix S200EXR", 18, false, true),
         [](test::PlacementCase& c) { c.exrModeDigit = '3'; }),
    With(Small("S200EXRMode3Compressed", "FinePix S200EXR", 18, true),
         [](test::PlacementCase& c) { c.exrModeDigit = '3'; }),
    // Paired rows: the second frame stored, derived (layout bit 0), or none.
    Small("S5ProStoredSecondPlain", "FinePix S5Pro", 0, false, true),
    Small("S5ProStoredSecondCompressed", "FinePix S5Pro", 0, true),
    With(Small("S5ProDerivedSecondPlain", "FinePix S5Pro", 0, false, true),
         [](test::PlacementCase& c) { c.storeSecondFrame = false; }),
    With(Small("S5ProDerivedSecondCompressed", "FinePix S5Pro", 0, true, true),
         [](test::PlacementCase& c) { c.storeSecondFrame = false; }),
    With(Small("S5ProOneFrame2002", "FinePix S5Pro", 0, false),
         [](test::PlacementCase& c) { c.formatCode = "2002"; }),
    With(Small("S3ProOneFrame2203Compressed", "FinePix S3Pro", 0, true),
         [](test::PlacementCase& c) { c.formatCode = "2203"; }),
    With(Small("S3ProTwoFrames2001", "FinePix S3Pro", 0, false),
         [](test::PlacementCase& c) { c.formatCode = "2001"; }),
    // The rotated layout.
    Small("S2ProPlain", "FinePixS2Pro", 0, false, true),
    Small("S2ProCompressed", "FinePixS2Pro", 0, true),
    // The 8-bit dump.
    With(Small("BayDump", "", 0, false, true), [](test::PlacementCase& c) { c.bay = true; }),
};

// Compares two frames of the loader's layout sample by sample and names the
// first few samples that differ.
::testing::AssertionResult SameFrame(const char* what, const std::vector<uint16_t>& actual,
                                     const std::vector<uint16_t>& expected, int width)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << what << ": " << actual.size() << " samples, expected " << expected.size();
    size_t wrong = 0;
    std::ostringstream first;
    for (size_t i = 0; i < actual.size(); ++i)
        if (actual[i] != expected[i]) {
            if (wrong++ < 5) {
                const size_t pixel = i / 3;
                first << "\n  (row " << pixel / size_t(width) << ", column " << pixel % size_t(width) << ", channel "
                      << i % 3 << "): " << actual[i] << ", expected " << expected[i];
            }
        }
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": " << wrong << " samples differ" << first.str();
}

class Placement : public ::testing::TestWithParam<Case> {};

TEST_P(Placement, PlacesEveryValue)
{
    const test::PlacementCase& c = GetParam().file;
    const test::PlacementFile built = test::BuildPlacementFile(c);
    const test::PlacementPrediction& x = built.expected;
    ASSERT_NE(x.model, nullptr);

    CBufferedFile file;
    ASSERT_TRUE(file.OpenMemory(built.bytes.data(), built.bytes.size()));
    RafContainer raf;
    if (c.bay) {
        ASSERT_EQ(built.bytes.size(), 3217760u);
        ASSERT_TRUE(file.Seek(2080));
    } else {
        RafWhiteBalancePresets presets;
        const RafStatus header = ReadRafContainer(file, raf, presets);
        ASSERT_TRUE(header.Ok()) << header.detail;
        const RafStatus data = OpenRawData(file, raf);
        ASSERT_TRUE(data.Ok()) << data.detail;
        // What the loader derives from the container agrees with the file.
        EXPECT_EQ(raf.model, x.model);
        EXPECT_EQ(raf.compressed, c.compressed);
        EXPECT_EQ(x.model->RawHeight(raf.cfaDataLength), x.input.rawHeight);
        EXPECT_EQ(raf.pairedRows && x.model->layout == SensorLayout::SuperCcd, x.input.doubleWidth);
        EXPECT_EQ(raf.Frames(), x.input.frames);
        EXPECT_EQ(RafHeaderHasNoSecondFrame(raf), x.exrBits == 3);
        // Every frame is in the file, except where the case cuts it.
        const FrameDataCheck frames = CheckFrameData(raf, x.input);
        EXPECT_EQ(frames.status, c.keepSamples ? FrameDataStatus::Short : FrameDataStatus::Complete)
            << frames.detail;
    }

    PlacedFrames placed;
    const RafStatus status = PlaceRawData(file, c.bay ? nullptr : &raf, x.input, placed, NoProgress());
    ASSERT_TRUE(status.Ok()) << status.detail;
    EXPECT_EQ(placed.width, x.width);
    EXPECT_EQ(placed.height, x.height);
    EXPECT_TRUE(SameFrame("main image", placed.main, x.main, x.width));
    EXPECT_TRUE(SameFrame("second frame", placed.second, x.second, x.width));
    EXPECT_EQ(placed.maxGreen, x.maxGreen);
    EXPECT_EQ(placed.minMain, x.minMain);
    if (!x.second.empty()) {
        EXPECT_EQ(placed.minSecond, x.minSecond);
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) { return info.param.file.name; }

INSTANTIATE_TEST_SUITE_P(EveryLayout, Placement, ::testing::ValuesIn(kCases), CaseName);

// Every frame the header announces is checked against the file and its
// directory: a later frame that is not there at all, lies outside the file or
// is given less than a frame is missing; one the file ends inside is short.
TEST(FrameData, AnnouncedFramesAreCheckedAgainstTheFile)
{
    auto cutAfter = [](uint64_t extra) {
        return [extra](std::vector<uint8_t>& b, const test::RafLayout& at) {
            b.resize(std::min<size_t>(b.size(), at.dataOffset + at.dataLength + extra));
        };
    };
    struct FrameCase {
        const char* name;
        test::PlacementCase file;
        std::function<void(test::RafFileSpec&)> edit;
        FrameDataStatus status;
    };
    auto file = [](const char* model, int rawRows, bool compressed, char digit = '1') {
        test::PlacementCase c = Small(model, model, rawRows, compressed).file;
        c.exrModeDigit = digit;
        return c;
    };
    test::PlacementCase derived = file("FinePix S5Pro", 0, false);
    derived.storeSecondFrame = false;
    const FrameCase cases[] = {
        {"S5Pro complete", file("FinePix S5Pro", 0, false), nullptr, FrameDataStatus::Complete},
        {"S5Pro ending after its first frame", file("FinePix S5Pro", 0, false),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(0); }, FrameDataStatus::Missing},
        {"S5Pro ending one row into its second frame", file("FinePix S5Pro", 0, false),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(4 * 2176); }, FrameDataStatus::Short},
        // The two bottom rows of the last frame are never read.
        {"S5Pro without its last two rows", file("FinePix S5Pro", 0, false),
         [](test::RafFileSpec& s) {
             s.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout&) { b.resize(b.size() - 2 * 4 * 2176); };
         },
         FrameDataStatus::Complete},
        {"S5Pro without its last three rows", file("FinePix S5Pro", 0, false),
         [](test::RafFileSpec& s) {
             s.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout&) { b.resize(b.size() - 3 * 4 * 2176); };
         },
         FrameDataStatus::Short},
        {"S5Pro second-frame length 0xFFFF", file("FinePix S5Pro", 0, false),
         [](test::RafFileSpec& s) { s.faults.directory[0x84] = 0xFFFF; }, FrameDataStatus::Missing},
        {"S5Pro second frame placed past the end", file("FinePix S5Pro", 0, false),
         [](test::RafFileSpec& s) { s.faults.directory[0x80] = 0x7FFFFFF0; }, FrameDataStatus::Missing},
        {"S5Pro derived second frame, file ending after the first", derived,
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(0); }, FrameDataStatus::Complete},
        {"S20Pro interleaved, ending at the data length", file("FinePix S20Pro", 16, false),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(0); }, FrameDataStatus::Missing},
        {"S200EXR DR shot ending after its first frame", file("FinePix S200EXR", 18, false, '2'),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(0); }, FrameDataStatus::Missing},
        {"S200EXR SN shot ending inside its second frame", file("FinePix S200EXR", 18, false, '3'),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(2 * 2880 * 4); }, FrameDataStatus::Short},
        {"S20Pro compressed, no second block", file("FinePix S20Pro", 16, true),
         [](test::RafFileSpec& s) { s.faults.directory[0x84] = 0; }, FrameDataStatus::Missing},
        {"S20Pro compressed, second block cut", file("FinePix S20Pro", 16, true),
         [](test::RafFileSpec& s) {
             s.faults.patch = [](std::vector<uint8_t>& b, const test::RafLayout& at) {
                 b.resize(at.secondOffset + at.secondLength / 2);
             };
         },
         FrameDataStatus::Missing},
        {"S5600 one frame, nothing after it", file("FinePix S5600", 20, false),
         [&](test::RafFileSpec& s) { s.faults.patch = cutAfter(0); }, FrameDataStatus::Complete},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::PlacementPrediction x;
        test::RafFileSpec recipe = test::PlacementRecipe(c.file, x);
        if (c.edit)
            c.edit(recipe);
        const std::vector<uint8_t> bytes = test::BuildRaf(recipe);
        CBufferedFile f;
        ASSERT_TRUE(f.OpenMemory(bytes.data(), bytes.size()));
        RafContainer raf;
        RafWhiteBalancePresets presets;
        ASSERT_TRUE(ReadRafContainer(f, raf, presets).Ok());
        ASSERT_TRUE(OpenRawData(f, raf).Ok());
        const FrameDataCheck check = CheckFrameData(raf, x.input);
        EXPECT_EQ(check.status, c.status) << check.detail;
        EXPECT_EQ(check.detail.empty(), c.status == FrameDataStatus::Complete) << check.detail;
        const std::string message = FrameDataMessage(check, "/photos/DSCF0001.RAF");
        EXPECT_EQ(message.empty(), c.status == FrameDataStatus::Complete);
        if (!message.empty()) {
            EXPECT_NE(message.find("/photos/DSCF0001.RAF"), std::string::npos) << message;
        }
    }
}

// The samples each site measured: G and its own R or B on a SuperCCD site,
// the one colour of a Bayer site. Demosaicing keeps them.
::testing::AssertionResult MeasuredSamplesKept(const char* what, const std::vector<uint16_t>& doc, int docWidth,
                                               const std::vector<uint16_t>& placed, int width, int height, bool bayer,
                                               int e, int black, int step, int offset)
{
    size_t wrong = 0, checked = 0;
    std::ostringstream first;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            int channels[2] = {1, ((r + c) & 1) == 0 ? 0 : 2};
            int n = 2;
            if (bayer) {
                channels[0] = ((r + c) & 1) == 0 ? 1 : ((r & 1) == e ? 0 : 2);
                n = 1;
            }
            const size_t docPixel = size_t(r * step + offset) * size_t(docWidth) + size_t(c * step + offset);
            for (int k = 0; k < n; ++k) {
                const int ch = channels[k];
                const int v = placed[(size_t(r) * size_t(width) + size_t(c)) * 3 + size_t(ch)];
                const int want = v - std::min(v, black);
                const int got = doc[docPixel * 3 + size_t(ch)];
                ++checked;
                if (got != want && wrong++ < 5)
                    first << "\n  (row " << r << ", column " << c << ", channel " << ch << "): " << got << ", expected "
                          << want;
            }
        }
    if (wrong == 0 && checked > 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": " << wrong << " of " << checked << " samples differ"
                                         << first.str();
}

class PlacementThroughOpen : public ::testing::TestWithParam<Case> {
protected:
    test::ScopedSettings settings;
    test::TempDir dir;
};

TEST_P(PlacementThroughOpen, MeasuredSamplesSurviveTheLoad)
{
    const test::PlacementCase& c = GetParam().file;
    const test::PlacementFile built = test::BuildPlacementFile(c);
    const test::PlacementPrediction& x = built.expected;
    const std::string path = dir.File(c.bay ? "dump.BAY" : "shot.RAF");
    ASSERT_TRUE(test::WriteFile(path, built.bytes));

    test::RecordingMessages messages;
    CVelmoDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path)) << (messages.calls.empty() ? "" : messages.calls[0].text);
    // A file cut inside its second frame is loaded, and said to be cut short.
    if (c.keepSamples) {
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].text, path + " is cut short; the picture may be damaged");
    } else {
        EXPECT_TRUE(messages.calls.empty());
    }
    EXPECT_EQ(doc.Image().exrBits, x.exrBits);
    EXPECT_EQ(doc.Image().exrMode, c.bay ? 0 : x.input.exrMode);
    EXPECT_EQ(doc.Image().bayerFlag, x.model->IsBayer() ? 1 : 0);
    EXPECT_EQ(doc.Edit().Params().twoFrames, doc.Image().secondFrame.empty() ? 0 : 1);

    const bool bayer = x.model->IsBayer();
    const int e = x.input.exrMode != 0 || c.bay ? 1 : 0;
    const int black = x.model->subtractBlackLevel ? x.model->blackLevel : 0;
    EXPECT_EQ(doc.Image().whiteLevel, x.model->whiteLevel - black);
    EXPECT_EQ(doc.Image().maxGreen, x.maxGreen - std::min<int>(x.maxGreen, black));
    const int W = x.width, H = x.height;
    if (x.input.exrMode == 3) {
        // The frames exchange places, then form one checkerboard of twice the size.
        ASSERT_EQ(doc.Image().imageWidth, 2 * W);
        ASSERT_EQ(doc.Image().imageHeight, 2 * H);
        EXPECT_TRUE(doc.Image().secondFrame.empty());
        EXPECT_TRUE(MeasuredSamplesKept("file frame 2 at even points", doc.Image().mainImage, 2 * W, x.second, W, H, bayer, e,
                                        black, 2, 0));
        EXPECT_TRUE(MeasuredSamplesKept("file frame 1 at odd points", doc.Image().mainImage, 2 * W, x.main, W, H, bayer, e,
                                        black, 2, 1));
        return;
    }
    ASSERT_EQ(doc.Image().imageWidth, W);
    ASSERT_EQ(doc.Image().imageHeight, H);
    ASSERT_EQ(doc.Image().secondFrame.empty(), x.second.empty());
    const bool exchanged = x.input.exrMode == 2;
    const std::vector<uint16_t>& main = exchanged ? x.second : x.main;
    EXPECT_TRUE(MeasuredSamplesKept("main image", doc.Image().mainImage, W, main, W, H, bayer, e, black, 1, 0));
    if (!x.second.empty()) {
        const std::vector<uint16_t>& second = exchanged ? x.main : x.second;
        const int secondBlack = x.input.exrMode != 0 ? black : 0;
        EXPECT_TRUE(MeasuredSamplesKept("second frame", doc.Image().secondFrame, W, second, W, H, bayer, e, secondBlack, 1, 0));
    }
}

std::vector<Case> OpenCases()
{
    std::vector<Case> cases;
    for (const Case& c : kCases)
        if (c.throughOpen)
            cases.push_back(c);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SelectedLayouts, PlacementThroughOpen, ::testing::ValuesIn(OpenCases()), CaseName);

} // namespace
} // namespace velmo
