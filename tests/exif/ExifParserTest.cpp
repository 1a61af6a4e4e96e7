#include "exif/ExifParser.h"

#include "tests/support/ExifBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace velmo {
namespace {

using test::BuildExifBlock;
using test::ExifBlockLayout;
using test::ExifBlockSpec;
using test::ExifIfdSpec;
using test::FujiExifSpec;

struct Parsed {
    int result = 0;
    ExifTextLines lines;
    ExifTagIndex index;
    ExifCameraValues camera;
};

Parsed Parse(const std::vector<uint8_t>& buffer, float factor = 0.0f, const FamilyWhiteBalanceTable* table = nullptr)
{
    Parsed p;
    p.index.focalLengthFactor = factor;
    p.result = ParseExif(buffer, p.lines, p.index, p.camera, table);
    return p;
}

// A block placed after some leading bytes, as in a RAF header.
std::vector<uint8_t> InHeader(const ExifBlockSpec& recipe, size_t lead = 0x9A, ExifBlockLayout* layout = nullptr)
{
    std::vector<uint8_t> buffer(lead, 0);
    std::vector<uint8_t> block = BuildExifBlock(recipe, layout);
    buffer.insert(buffer.end(), block.begin(), block.end());
    return buffer;
}

bool HasLine(const ExifTextLines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const ExifTextLines kCameraLines = {
    "Make:FUJIFILM",
    "Model:FinePix S5Pro",
    "Orientation:1 top left ",
    "XResolution:72",
    "YResolution:72",
    "ResolutionUnit:inch",
    "Software:Digital Camera FinePix S5Pro Ver1.00",
    "DateTime:2007:05:22 13:58:30",
    "YCbCrPositioning:2",
    "Compression:JPEG",
    "Orientation:1 top left ",
    "__sub info block__",
    "ExposureTime:1/250sec",
    "FNumber:F8.0",
    "ExposureProgram:M",
    "ISOSpeedRatings:100",
    "ExifVersion:0221",
    "DateTimeOriginal:2007:05:22 13:58:30",
    "ComponentsConfiguration:YCbCr_",
    "ShutterSpeedValue:1/256sec",
    "ApertureValue:F8.0",
    "ExposureBiasValue:+0.0",
    "MeteringMode:Multi segment",
    "Flash:Other",
    "FocalLength:70.00mm(105.00mm as 135)",
    "ColorSpace:sRGB",
    "ExifImageWidth:1440",
    "ExifImageHeight:960",
    "FocalLength in 135:105mm",
    "__Maker note block__",
    "ExifVersion:0130",
    "Quality:NORMAL ",
    "Sharpness:Normal",
    "White Balance:Auto",
    "Focus mode:auto",
    "Picture Mode:manual",
    "D-RANGE:WIDE",
    "Lens:28-70mm F2.8",
    "__Interoperability block__",
    "InteroperabilityIndex:R98",
    "InteroperabilityVersion:0100",
};

// The whole camera block in both byte orders: the Exif entries follow the
// block's order, the FUJIFILM maker note is little-endian in both, and the
// interoperability block after it is walked in the TIFF frame again.
TEST(ExifParser, CameraBlockGivesTheGoldenLinesInBothByteOrders)
{
    for (bool littleEndian : {true, false}) {
        SCOPED_TRACE(littleEndian ? "II" : "MM");
        Parsed p = Parse(InHeader(FujiExifSpec("FinePix S5Pro", littleEndian, "Digital Camera FinePix S5Pro Ver1.00")),
                         1.5f);
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.lines, kCameraLines);
        EXPECT_EQ(p.index.exifSignature, 0x9A);
        EXPECT_EQ(p.index.littleEndian, littleEndian);
        EXPECT_EQ(p.index.softwareLine, 6);
        EXPECT_EQ(p.camera.orientation, 1);
        EXPECT_EQ(p.camera.sharpness, 1);
        EXPECT_EQ(p.camera.whiteBalanceRow, FamilyWhiteBalanceTable::kAsShotRow);
        EXPECT_EQ(p.camera.modelName, "FinePix S5Pro");
        EXPECT_FLOAT_EQ(p.camera.focalLength, 70.0f);
        EXPECT_FLOAT_EQ(p.index.Value(0x829A), 0.004f);
        EXPECT_FLOAT_EQ(p.index.Value(0x8827), 100.0f);
        EXPECT_FLOAT_EQ(p.index.Value(0x1400), 3.0f);
    }
}

// One entry per case, placed in the block a camera puts it in; each case is
// run in both byte orders (the maker note stays little-endian).
enum class Block { Ifd0, Exif, Maker };

struct LineCase {
    const char* name;
    Block block;
    std::function<void(ExifIfdSpec&)> add;
    const char* line;
};

const LineCase kLineCases[] = {
    {"orientation 6", Block::Ifd0, [](ExifIfdSpec& d) { d.Short(0x0112, 6); }, "Orientation:6 right top "},
    {"orientation 7", Block::Ifd0, [](ExifIfdSpec& d) { d.Short(0x0112, 7); }, "Orientation:7 right bottom"},
    {"compression none", Block::Ifd0, [](ExifIfdSpec& d) { d.Short(0x0103, 0); }, "Compression:none"},
    {"resolution unit cm", Block::Ifd0, [](ExifIfdSpec& d) { d.Short(0x0128, 3); }, "ResolutionUnit:cm"},
    {"image width", Block::Ifd0, [](ExifIfdSpec& d) { d.Long(0x0100, 4256); }, "ImageWidth:4256"},
    {"copyright", Block::Ifd0, [](ExifIfdSpec& d) { d.Ascii(0x8298, "(c) A. Photographer"); },
     "Copyright:(c) A. Photographer"},
    {"thumbnail length", Block::Ifd0, [](ExifIfdSpec& d) { d.Long(0x0202, 0x2492); },
     "JpegInterchangeFormatLength:2492"},
    {"white point", Block::Ifd0, [](ExifIfdSpec& d) { d.Rationals(0x013E, {{313, 1000}, {329, 1000}}); },
     "WhitePoint:0.313 0.329 "},
    {"ycbcr coefficients", Block::Ifd0,
     [](ExifIfdSpec& d) { d.Rationals(0x0211, {{299, 1000}, {587, 1000}, {114, 1000}}); },
     "YCbCrCoefficients:0.299 0.587 0.114 "},
    {"exposure 1/250", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x829A, 1, 250); }, "ExposureTime:1/250sec"},
    {"exposure 2 s", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x829A, 2, 1); }, "ExposureTime:2.00sec"},
    {"exposure 1/3", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x829A, 10, 30); }, "ExposureTime:1/3sec"},
    {"f-number with zero denominator", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x829D, 56, 0); },
     "FNumber:F0.0"},
    {"program shutter priority", Block::Exif, [](ExifIfdSpec& d) { d.Short(0x8822, 4); }, "ExposureProgram:S"},
    {"slow shutter apex", Block::Exif, [](ExifIfdSpec& d) { d.SRational(0x9201, -1, 1); },
     "ShutterSpeedValue:2.00sec"},
    // 2^2000 s: beyond a double, but no division by zero on the way.
    {"shutter apex beyond any camera", Block::Exif, [](ExifIfdSpec& d) { d.SRational(0x9201, -2000, 1); },
     "ShutterSpeedValue:infsec"},
    {"negative bias", Block::Exif, [](ExifIfdSpec& d) { d.SRational(0x9204, -2, 3); }, "ExposureBiasValue:-0.7"},
    {"max aperture", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x9205, 3, 1); }, "MaxApertureValue:F2.8"},
    {"metering spot", Block::Exif, [](ExifIfdSpec& d) { d.Short(0x9207, 3); }, "MeteringMode:Spot"},
    {"metering other", Block::Exif, [](ExifIfdSpec& d) { d.Short(0x9207, 255); }, "MeteringMode:Other"},
    {"light source D65", Block::Exif, [](ExifIfdSpec& d) { d.Short(0x9208, 21); }, "LightSource:D65"},
    {"flash fired", Block::Exif, [](ExifIfdSpec& d) { d.Short(0x9209, 1); }, "Flash:on"},
    {"focal length without factor", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0x920A, 105, 10); },
     "FocalLength:10.50mm"},
    {"colour space uncalibrated", Block::Exif, [](ExifIfdSpec& d) { d.Short(0xA001, 0xFFFF); },
     "ColorSpace:Uncalibrated"},
    {"flashpix version", Block::Exif, [](ExifIfdSpec& d) { d.Undefined(0xA000, {'0', '1', '0', '0'}); },
     "FlashPixVersion:0100"},
    {"sensing method", Block::Exif, [](ExifIfdSpec& d) { d.Short(0xA217, 2); },
     "SensingMethod:1 chip color area sensor"},
    {"file source", Block::Exif, [](ExifIfdSpec& d) { d.Undefined(0xA300, {3}); }, "FileSource:DSC"},
    {"scene capture night", Block::Exif, [](ExifIfdSpec& d) { d.Short(0xA406, 3); },
     "SceneCaptureType:Night scene"},
    {"subject distance range", Block::Exif, [](ExifIfdSpec& d) { d.Short(0xA40C, 1); },
     "Subject distance range:Macro"},
    {"focal plane x", Block::Exif, [](ExifIfdSpec& d) { d.Rational(0xA20E, 630, 1); },
     "FocalPlaneXResolution:630.0"},
    {"unknown ascii entry", Block::Exif, [](ExifIfdSpec& d) { d.Ascii(0xA420, "0123456789abcdef"); },
     "Unknown(a420 0002 00000011 #) : 0123456789abcdef"},
    {"custom white balance 2", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1002, 0xF02); },
     "White Balance:custom2"},
    {"warm white fluorescent", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1002, 0x301); },
     "White Balance:'Warm White' fluorescent"},
    {"colour temperature wb", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1002, 0xFF0); },
     "White Balance:color temp"},
    {"sharpness hard", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1001, 4); }, "Sharpness:Hard"},
    {"colour black and white", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1003, 0x300); },
     "Color:black & white"},
    {"tone has no black and white", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1004, 0x300); },
     "Tone:unknown"},
    {"fine tune", Block::Maker, [](ExifIfdSpec& d) { d.SLong(0x100A, -20); }, "Fine tune White Balance:-20"},
    {"flash strength", Block::Maker, [](ExifIfdSpec& d) { d.SRational(0x1011, -2, 3); }, "Flash Strength:-0.67"},
    {"focus point", Block::Maker, [](ExifIfdSpec& d) { d.Shorts(0x1023, {120, 80}); }, "Focus point:120,80"},
    {"macro on", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1020, 1); }, "Macro:on"},
    {"picture mode sports", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1031, 4); }, "Picture Mode:sports"},
    {"exr mode dr", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1034, 0x300); }, "EXR mode:DR"},
    {"film mode velvia", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1401, 0x200); },
     "FilmMode:F2:FUJICHROME/Velvia"},
    {"dynamic range mode wide2", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1402, 0x201); },
     "D-RANGE Mode:WIDE2(400%)"},
    {"dynamic range value", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x1403, 400); }, "D-RANGE VALUE:400"},
    {"dynamic range value 140b", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x140B, 200); }, "D-RANGE VALUE:200"},
    {"zoom lens", Block::Maker,
     [](ExifIfdSpec& d) {
         d.Rational(0x1404, 18, 1).Rational(0x1405, 55, 1).Rational(0x1406, 35, 10).Rational(0x1407, 56, 10);
     },
     "Lens:18-55mm F3.5-5.6"},
    {"prime lens", Block::Maker,
     [](ExifIfdSpec& d) {
         d.Rational(0x1404, 50, 1).Rational(0x1405, 50, 1).Rational(0x1406, 18, 10).Rational(0x1407, 18, 10);
     },
     "Lens:50mm F1.8"},
    {"red eye removal", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x140A, 4); }, "Red eye removal:on"},
    {"face detected", Block::Maker, [](ExifIfdSpec& d) { d.Short(0x4100, 2); }, "Face detected:2"},
    {"serial number", Block::Maker, [](ExifIfdSpec& d) { d.Ascii(0x0010, "FPX20582698"); },
     "InternalSerialNumber:FPX20582698"},
};

std::string Expected(const LineCase& c, const ExifTextLines& lines)
{
    // The unknown-entry line holds an offset that depends on the layout: take it from the parse.
    std::string expected = c.line;
    size_t hash = expected.find('#');
    if (hash == std::string::npos)
        return expected;
    for (const auto& line : lines)
        if (line.compare(0, hash, expected, 0, hash) == 0 && line.size() >= hash + 8)
            return expected.substr(0, hash) + line.substr(hash, 8) + expected.substr(hash + 1);
    return expected;
}

TEST(ExifParser, EntryLinesTable)
{
    for (const LineCase& c : kLineCases)
        for (bool littleEndian : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (littleEndian ? " II" : " MM"));
            ExifBlockSpec recipe;
            recipe.littleEndian = littleEndian;
            recipe.ifd0.Ascii(0x010F, "FUJIFILM");
            recipe.exif.Short(0x8827, 200);
            recipe.makerNote.Undefined(0x0000, {'0', '1', '3', '0'});
            c.add(c.block == Block::Ifd0 ? recipe.ifd0 : c.block == Block::Exif ? recipe.exif : recipe.makerNote);
            Parsed p = Parse(InHeader(recipe));
            ASSERT_EQ(p.result, 1);
            EXPECT_TRUE(HasLine(p.lines, Expected(c, p.lines))) << "lines:\n" << ::testing::PrintToString(p.lines);
        }
}

TEST(ExifParser, BufferWithoutExifLeavesTheStartValues)
{
    std::vector<uint8_t> buffer(4096, 0x20);
    ExifTextLines lines = {"old line"};
    ExifTagIndex index;
    ExifCameraValues camera;
    camera.sharpness = 0;
    camera.orientation = 6;
    camera.modelName = "old";
    camera.whiteBalanceRow = 3;
    EXPECT_EQ(ParseExif(buffer, lines, index, camera), 0);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(index.exifSignature, -1);
    EXPECT_EQ(camera.sharpness, 1);
    EXPECT_EQ(camera.orientation, 0);
    EXPECT_EQ(camera.modelName, "");
    EXPECT_EQ(camera.whiteBalanceRow, 3);
}

// The positions the writers patch: entry offsets from the buffer start, the
// thumbnail data with the base added, the Orientation value field of IFD0.
TEST(ExifParser, IndexRecordsEntryPositionsInTheBuffer)
{
    for (bool littleEndian : {true, false}) {
        SCOPED_TRACE(littleEndian ? "II" : "MM");
        ExifBlockSpec recipe = FujiExifSpec("FinePix S5Pro", littleEndian, "Digital Camera");
        recipe.ifd1.Long(0x0201, 0x400).Long(0x0202, 0x100);
        ExifBlockLayout layout;
        const size_t lead = 0x9A;
        Parsed p = Parse(InHeader(recipe, lead, &layout));
        auto entryOf = [&](int ifd, uint16_t tag, const ExifIfdSpec& s) {
            for (size_t i = 0; i < s.entries.size(); ++i)
                if (s.entries[i].tag == tag)
                    return static_cast<int>(lead + layout.entryOffsets[ifd][i]);
            return -1;
        };
        // The Exif IFD got the maker-note and interoperability pointers inserted before these entries.
        auto exifEntry = [&](uint16_t tag) {
            int n = 0;
            for (const auto& e : recipe.exif.entries)
                if (e.tag < tag)
                    ++n;
            n += (0x927C < tag) + (0xA005 < tag);
            return static_cast<int>(lead + layout.entryOffsets[1][static_cast<size_t>(n)]);
        };
        EXPECT_EQ(p.index.orientationValue, entryOf(0, 0x0112, recipe.ifd0) + 8);
        EXPECT_EQ(p.index.orientationLittleEndian, littleEndian);
        EXPECT_EQ(p.index.exifImageWidthEntry, exifEntry(0xA002));
        EXPECT_EQ(p.index.exifImageHeightEntry, exifEntry(0xA003));
        EXPECT_EQ(p.index.colorSpaceEntry, exifEntry(0xA001));
        EXPECT_EQ(p.index.thumbnailPointerEntry, entryOf(4, 0x0201, recipe.ifd1));
        EXPECT_EQ(p.index.thumbnailLengthEntry, entryOf(4, 0x0202, recipe.ifd1));
        EXPECT_EQ(p.index.thumbnailData, static_cast<int>(lead + 6 + 0x400));
        EXPECT_TRUE(HasLine(p.lines, "JpegInterchangeFormat:4a0"));
    }
}

TEST(ExifParser, SecondOrientationNeitherChangesTheValueNorItsPosition)
{
    ExifBlockSpec recipe;
    recipe.ifd0.Short(0x0112, 6);
    recipe.ifd1.Short(0x0112, 3);
    ExifBlockLayout layout;
    Parsed p = Parse(InHeader(recipe, 0, &layout));
    EXPECT_EQ(p.camera.orientation, 6);
    EXPECT_EQ(p.index.orientationValue, static_cast<int>(layout.entryOffsets[0][0] + 8));
    EXPECT_TRUE(HasLine(p.lines, "Orientation:3 bottom right "));
}

TEST(ExifParser, S5ProNamesTheDaylightWhiteFluorescent)
{
    for (const char* model : {"FinePix S5Pro", "FinePix S3Pro"}) {
        ExifBlockSpec recipe;
        recipe.ifd0.Ascii(0x0110, model);
        recipe.exif.Short(0x8827, 100);
        recipe.makerNote.Short(0x1002, 0x301);
        Parsed p = Parse(InHeader(recipe));
        EXPECT_TRUE(HasLine(p.lines, std::string(model) == "FinePix S5Pro"
                                         ? "White Balance:'Daylight White' fluorescent"
                                         : "White Balance:'Warm White' fluorescent"))
            << model;
    }
}

TEST(ExifParser, MakerNoteSharpnessWinsOverTheExifOne)
{
    struct Case {
        uint16_t exifValue;
        std::optional<uint16_t> makerValue;
        int sharpness;
    } cases[] = {{2, std::nullopt, 0}, {1, std::nullopt, 2}, {2, 1, 2}, {1, 5, 0}, {0, 0x84, 0}, {1, 0x99, 2}};
    for (const Case& c : cases) {
        ExifBlockSpec recipe;
        recipe.exif.Short(0xA40A, c.exifValue);
        if (c.makerValue)
            recipe.makerNote.Short(0x1001, *c.makerValue);
        Parsed p = Parse(InHeader(recipe));
        EXPECT_EQ(p.camera.sharpness, c.sharpness) << c.exifValue;
    }
}

// The white-balance row comes from the family table's maker-note codes;
// Auto and the custom settings preset row 8 first.
TEST(ExifParser, WhiteBalanceRowSearchStaysInsideTheFamilyTable)
{
    FamilyWhiteBalanceTable table;
    const int codes[13] = {256, 512, 768, 769, 770, 1024, -1, -1, -1, -1, -1, -1, 0xF01};
    for (int row = 0; row < 13; ++row) {
        table.rows[row][FamilyWhiteBalanceTable::LightSource] = 99;
        table.rows[row][FamilyWhiteBalanceTable::Code] = codes[row];
    }
    struct Case {
        uint16_t code;
        int row;
    } cases[] = {{0x200, 1}, {0x400, 5}, {0, 8}, {0xF00, 8}, {0xF01, 12}, {0x500, 4}, {0x4080, 4}};
    for (const Case& c : cases) {
        ExifBlockSpec recipe;
        recipe.exif.Short(0x8827, 100);
        recipe.makerNote.Short(0x1002, c.code);
        Parsed p;
        p.camera.whiteBalanceRow = 4;
        p.result = ParseExif(InHeader(recipe), p.lines, p.index, p.camera, &table);
        EXPECT_EQ(p.camera.whiteBalanceRow, c.row) << std::hex << c.code;
    }
    // Without a table only Auto and custom settings give a row.
    ExifBlockSpec recipe;
    recipe.exif.Short(0x8827, 100);
    recipe.makerNote.Short(0x1002, 0x200);
    Parsed p;
    p.camera.whiteBalanceRow = 4;
    p.result = ParseExif(InHeader(recipe), p.lines, p.index, p.camera, nullptr);
    EXPECT_EQ(p.camera.whiteBalanceRow, 4);
}

TEST(ExifParser, ModelAndFocalLengthAreResetByEachParse)
{
    ExifBlockSpec recipe;
    recipe.ifd0.Ascii(0x0110, "FinePix S5Pro");
    recipe.exif.Rational(0x920A, 70, 1);
    Parsed p = Parse(InHeader(recipe));
    EXPECT_EQ(p.camera.modelName, "FinePix S5Pro");
    EXPECT_FLOAT_EQ(p.camera.focalLength, 70.0f);
    ExifBlockSpec bare;
    bare.ifd0.Short(0x0112, 1);
    EXPECT_EQ(ParseExif(InHeader(bare), p.lines, p.index, p.camera), 1);
    EXPECT_EQ(p.camera.modelName, "");
    EXPECT_FLOAT_EQ(p.camera.focalLength, 0.0f);
}

TEST(ExifParser, ShortTextsStandInTheValueField)
{
    ExifBlockSpec recipe;
    recipe.ifd0.Ascii(0x010F, "FUJ");
    Parsed p = Parse(InHeader(recipe));
    EXPECT_TRUE(HasLine(p.lines, "Make:FUJ"));
}

// Hostile blocks: every walk ends, nothing is read outside the buffer (the
// sanitizer build checks that), and what can be shown is shown.
TEST(ExifParser, HostileBlocksEndCleanly)
{
    struct Case {
        const char* name;
        std::function<void(ExifBlockSpec&)> edit;
        size_t cut; // bytes dropped from the end of the buffer
        std::function<void(const Parsed&)> check;
    };
    const Case cases[] = {
        {"IFD0 chained to itself", [](ExifBlockSpec& s) { s.ifd0.nextIfd = 8; }, 0,
         [](const Parsed& p) { EXPECT_EQ(std::count(p.lines.begin(), p.lines.end(), "Make:FUJIFILM"), 1); }},
        {"sub-IFD pointing back to IFD0",
         [](ExifBlockSpec& s) {
             s.exif.entries.clear();
             s.makerNote.entries.clear();
             s.interop.entries.clear();
             s.ifd0.Raw(0x8769, test::kExifLong, 1, 8);
         },
         0, [](const Parsed& p) { EXPECT_EQ(std::count(p.lines.begin(), p.lines.end(), "Make:FUJIFILM"), 1); }},
        {"maker note pointing at itself",
         [](ExifBlockSpec& s) { s.makerNote.nextIfd = 12; }, 0,
         [](const Parsed& p) { EXPECT_EQ(std::count(p.lines.begin(), p.lines.end(), "Quality:NORMAL "), 1); }},
        {"IFD1 pointer far outside", [](ExifBlockSpec& s) { s.ifd0.nextIfd = 0xFFFFFFF0u; }, 0,
         [](const Parsed& p) { EXPECT_TRUE(HasLine(p.lines, "__sub info block__")); }},
        {"sub-IFD pointer outside",
         [](ExifBlockSpec& s) {
             s.exif.entries.clear();
             s.ifd0.Raw(0x8769, test::kExifLong, 1, 0x7FFFFFFF);
         },
         0, [](const Parsed& p) { EXPECT_EQ(p.lines.back(), "__sub info block__"); }},
        {"text offset outside", [](ExifBlockSpec& s) { s.ifd0.Raw(0x0131, test::kExifAscii, 40, 0xFFFFFF00u); }, 0,
         [](const Parsed& p) { EXPECT_TRUE(HasLine(p.lines, "Software:")); }},
        {"rational offset outside", [](ExifBlockSpec& s) { s.exif.Raw(0x829D, test::kExifRational, 1, 0x10000000); },
         0, [](const Parsed& p) { EXPECT_TRUE(HasLine(p.lines, "FNumber:F0.0")); }},
        {"huge value count", [](ExifBlockSpec& s) { s.ifd0.Raw(0x013F, test::kExifRational, 0xFFFFFFFFu, 8); }, 0,
         [](const Parsed& p) { EXPECT_EQ(p.result, 1); }},
        {"unknown ascii with huge count",
         [](ExifBlockSpec& s) { s.ifd0.Raw(0xC4A5, test::kExifAscii, 0xFFFFFFFFu, 8); }, 0,
         [](const Parsed& p) { EXPECT_EQ(p.result, 1); }},
        {"dual IS mode offset outside", [](ExifBlockSpec& s) { s.makerNote.Raw(0x1422, 7, 4, 0xFFFFFFFEu); }, 0,
         [](const Parsed& p) { EXPECT_TRUE(HasLine(p.lines, "Dual IS mode:Off")); }},
        {"block cut inside the maker note", [](ExifBlockSpec&) {}, 120,
         [](const Parsed& p) { EXPECT_TRUE(HasLine(p.lines, "__Maker note block__")); }},
        {"block cut after four bytes of TIFF header", [](ExifBlockSpec&) {}, 100000,
         [](const Parsed& p) { EXPECT_EQ(p.result, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifBlockSpec recipe = FujiExifSpec("FinePix S5Pro", true, "Digital Camera");
        c.edit(recipe);
        std::vector<uint8_t> buffer = BuildExifBlock(recipe);
        size_t keep = c.cut >= buffer.size() ? 10 : buffer.size() - c.cut;
        buffer.resize(keep);
        // A copy of exactly the kept bytes, so that any read past them is caught.
        std::vector<uint8_t> exact(buffer.begin(), buffer.end());
        Parsed p = Parse(exact);
        c.check(p);
    }
}

TEST(ExifParser, TextWithoutTerminatorEndsAtTheBufferEnd)
{
    ExifBlockSpec recipe;
    recipe.ifd0.Ascii(0x010E, "A long description");
    std::vector<uint8_t> buffer = BuildExifBlock(recipe);
    ASSERT_EQ(buffer.back(), 0);
    buffer.pop_back(); // the NUL
    buffer.resize(buffer.size() - 5);
    Parsed p = Parse(buffer);
    EXPECT_TRUE(HasLine(p.lines, "ImageDescription:A long descri"));
}

TEST(ExifParser, EntryCapsBoundAFloodOfEntries)
{
    // An IFD that claims 65535 entries in a 4096-byte buffer of Orientation entries.
    std::vector<uint8_t> buffer = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0xFF, 0xFF};
    while (buffer.size() + 12 <= 4096) {
        const uint8_t entry[12] = {0x12, 0x01, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0};
        buffer.insert(buffer.end(), entry, entry + 12);
    }
    Parsed p = Parse(buffer);
    EXPECT_EQ(p.result, 1);
    EXPECT_LE(p.lines.size(), static_cast<size_t>(kExifMaxEntries));
    EXPECT_GT(p.lines.size(), 300u);
}

TEST(ExifParser, FormatTiffValuesReadsEachType)
{
    struct Case {
        const char* name;
        std::function<void(ExifIfdSpec&)> add;
        std::string text;
    } cases[] = {
        {"shorts inline", [](ExifIfdSpec& d) { d.Shorts(0x013E, {7, 9}); }, "7 9 "},
        {"shorts at offset", [](ExifIfdSpec& d) { d.Shorts(0x013E, {1, 2, 3, 4}); }, "1 2 3 4 "},
        {"rationals", [](ExifIfdSpec& d) { d.Rationals(0x013E, {{1, 4}, {3, 0}}); }, "0.250 0.000 "},
        {"undefined", [](ExifIfdSpec& d) { d.Undefined(0x013E, {0x0A, 0xFF}); }, " a ff "},
        {"signed long", [](ExifIfdSpec& d) { d.SLong(0x013E, -5); }, "-5 "},
    };
    for (const Case& c : cases)
        for (bool le : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (le ? " II" : " MM"));
            ExifBlockSpec recipe;
            recipe.littleEndian = le;
            c.add(recipe.ifd0);
            ExifBlockLayout layout;
            std::vector<uint8_t> block = BuildExifBlock(recipe, &layout);
            EXPECT_EQ(FormatTiffValues(block, 6, static_cast<int64_t>(layout.entryOffsets[0][0]), le), c.text);
            Parsed p = Parse(block);
            EXPECT_TRUE(HasLine(p.lines, "WhitePoint:" + c.text));
        }
}

} // namespace
} // namespace velmo
