#include "raw/RafContainer.h"

#include "tests/support/RafBuilder.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace velmo {
namespace {

using test::BuildRaf;
using test::PresetWords;
using test::RafFileSpec;
using test::RafLayout;

std::vector<uint8_t> LittleEndianBytes(const std::vector<uint16_t>& samples, bool bigEndian = false)
{
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i + (bigEndian ? 1 : 0)] = static_cast<uint8_t>(samples[i]);
        bytes[2 * i + (bigEndian ? 0 : 1)] = static_cast<uint8_t>(samples[i] >> 8);
    }
    return bytes;
}

std::vector<uint8_t> ReadAll(CBufferedFile& file, size_t count)
{
    std::vector<uint8_t> bytes(count);
    size_t got = 0;
    while (got < count) {
        uint32_t n = file.Read(bytes.data() + got, static_cast<uint32_t>(std::min<size_t>(count - got, 1u << 20)));
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

// A file built in memory and opened through CBufferedFile.
struct Loaded {
    RafLayout layout;
    std::vector<uint8_t> bytes;
    CBufferedFile file;
    RafContainer raf;
    RafWhiteBalancePresets presets;

    explicit Loaded(const RafFileSpec& recipe) : bytes(BuildRaf(recipe, &layout)) { file.OpenMemory(bytes.data(), bytes.size()); }
    RafStatus Container() { return ReadRafContainer(file, raf, presets); }
};

std::vector<uint16_t> Frame(size_t samples, int seed)
{
    std::vector<uint16_t> f(samples);
    for (size_t i = 0; i < samples; ++i)
        f[i] = static_cast<uint16_t>((i * 31 + static_cast<size_t>(seed) * 977) & 0x3FFF);
    return f;
}

// Plain and compressed files of several models: the header, the model row,
// the records and the raw data bytes as placement will read them.
TEST(RafContainer, ReadsPlainAndCompressedFilesOfSeveralModels)
{
    struct Case {
        const char* model;
        int family;
        uint16_t unit;
        bool paired;
    } cases[] = {
        {"FinePix S7000", 0, 64, false},   {"FinePix S6500", 9, 256, false}, {"FinePix S200EXR", 9, 256, false},
        {"FinePix S100FS", 9, 256, false}, {"IS-1", 9, 256, false},          {"FinePix S5600", 9, 256, false},
        {"FinePix E550 ", 5, 64, false},   {"FinePix S5000", 0, 64, false},  {"FinePix S5100", 6, 64, false},
        {"FinePix F710 ", 4, 64, false},   {"FinePix S5Pro", 7, 64, true},   {"FinePixS2Pro", 1, 64, false},
    };
    for (const Case& c : cases)
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(std::string(c.model) + (compressed ? " compressed" : " plain"));
            RafFileSpec recipe;
            recipe.model = c.model;
            recipe.compressed = compressed;
            recipe.rawRows = 8;
            Loaded f(recipe);
            RafStatus status = f.Container();
            ASSERT_TRUE(status.Ok()) << status.detail;
            ASSERT_NE(f.raf.model, nullptr);
            EXPECT_EQ(f.raf.cameraFamily, c.family);
            EXPECT_EQ(f.raf.whiteBalanceUnit, c.unit);
            EXPECT_EQ(f.raf.compressed, compressed);
            EXPECT_EQ(f.raf.pairedRows, c.paired);
            EXPECT_EQ(f.raf.cfaDataLength, f.layout.unpackedLength);
            EXPECT_EQ(f.raf.modelText, c.model);
            EXPECT_EQ(f.presets.rows[1][1], 601);

            status = OpenRawData(f.file, f.raf);
            ASSERT_TRUE(status.Ok()) << status.detail;
            EXPECT_EQ(f.file.InMemory(), compressed);
            const int frames = test::DefaultFrameCount(recipe);
            const bool bigEndian = f.raf.model->layout == SensorLayout::Rotated;
            std::vector<uint8_t> first = LittleEndianBytes(test::DefaultFrame(*f.raf.model, 8, 0), bigEndian);
            EXPECT_EQ(ReadAll(f.file, first.size()), first);
            if (frames == 2) {
                std::vector<uint8_t> second = LittleEndianBytes(test::DefaultFrame(*f.raf.model, 8, 1), bigEndian);
                if (compressed) {
                    status = OpenSecondFrameBlock(f.file, f.raf);
                    ASSERT_TRUE(status.Ok()) << status.detail;
                }
                EXPECT_EQ(ReadAll(f.file, second.size()), second);
            }
        }
}

TEST(RafContainer, ReadsFromDisk)
{
    test::TempDir dir;
    RafFileSpec recipe;
    recipe.model = "FinePix S9600";
    recipe.compressed = true;
    recipe.frames = {Frame(10048 * 4 / 2, 3)};
    ASSERT_TRUE(test::WriteRaf(dir.File("a.RAF"), recipe));
    CBufferedFile file(dir.File("a.RAF"));
    ASSERT_TRUE(file.IsOpen());
    RafContainer raf;
    RafWhiteBalancePresets presets;
    ASSERT_TRUE(ReadRafContainer(file, raf, presets).Ok());
    ASSERT_TRUE(OpenRawData(file, raf).Ok());
    EXPECT_EQ(ReadAll(file, 10048 * 4), LittleEndianBytes(recipe.frames[0]));
}

// Every name of the model table selects its row with the row's family,
// white-balance unit and focal-length factor.
TEST(RafContainer, EveryModelNameSelectsItsRow)
{
    struct Row {
        const char* prefix;
        int family;
        uint16_t unit;
        float factor;
        int rawWidth;
    } rows[] = {
        {"FinePix S7000", 0, 64, 4.4871793f, 2048},   {"FinePix S6000", 9, 256, 4.4977512f, 2112},
        {"FinePix S6500", 9, 256, 4.4977512f, 2112},  {"FinePix S200EXR", 9, 256, 4.2957749f, 2880},
        {"FinePix S100FS", 9, 256, 3.9408867f, 2800}, {"FinePix S9000", 9, 256, 4.4977512f, 2512},
        {"FinePix S9500", 9, 256, 4.4977512f, 2512},  {"FinePix S9100", 9, 256, 4.4977512f, 2512},
        {"FinePix S9600", 9, 256, 4.4977512f, 2512},  {"FinePix E900 ", 9, 256, 4.4977512f, 2512},
        {"IS-1", 9, 256, 4.4977512f, 2512},           {"FinePix S5200", 9, 256, 6.0317459f, 1904},
        {"FinePix S5600", 9, 256, 6.0317459f, 1904},  {"FinePix F810 ", 5, 64, 4.4871793f, 2048},
        {"FinePix E550 ", 5, 64, 4.4871793f, 2048},   {"FinePix S5000", 0, 64, 6.4912281f, 1472},
        {"FinePix S5500", 6, 64, 6.4912281f, 2304},   {"FinePix S5100", 6, 64, 6.4912281f, 2304},
        {"FinePix S20Pro", 4, 64, 4.4871793f, 1472},  {"FinePix F710 ", 4, 64, 4.4871793f, 1472},
        {"FinePix F700 ", 2, 64, 4.4871793f, 1472},   {"FinePix S3Pro", 7, 64, 1.5f, 2176},
        {"FinePix S5Pro", 7, 64, 1.5f, 2176},         {"FinePixS2Pro", 1, 64, 1.5f, 2192},
    };
    std::vector<std::string> names = test::AllModelNames();
    EXPECT_EQ(names.size(), std::size(rows));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix);
        EXPECT_NE(std::find(names.begin(), names.end(), row.prefix), names.end());
        RafFileSpec recipe;
        recipe.model = row.prefix;
        recipe.frames = {{1, 2, 3}};
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.cameraFamily, row.family);
        EXPECT_EQ(f.raf.whiteBalanceUnit, row.unit);
        EXPECT_FLOAT_EQ(f.raf.focalLengthFactor, row.factor);
        EXPECT_FLOAT_EQ(f.raf.exifIndex.focalLengthFactor, row.factor);
        EXPECT_EQ(f.raf.model->rawWidth, row.rawWidth);
    }
    // The names are compared over their own length: a blank or a NUL belongs to them.
    for (const char* unknown : {"FinePix E900", "IS-10", "FinePix F810", "FinePix S2Pro", "FinePix X100"}) {
        RafFileSpec recipe;
        recipe.model = unknown;
        recipe.frames = {{1}};
        Loaded f(recipe);
        RafStatus status = f.Container();
        EXPECT_EQ(status.error, RafError::UnknownModel) << unknown;
        EXPECT_EQ(status.message, "Unknown file type.\n Please check the latest version on our web site.\n ");
        EXPECT_EQ(RafErrorStringId(status.error), 61215u);
    }
}

TEST(RafContainer, S5000ReadsItsLengthWordLittleEndian)
{
    for (const char* model : {"FinePix S5000", "FinePix S20Pro"}) {
        SCOPED_TRACE(model);
        RafFileSpec recipe;
        recipe.model = model;
        recipe.compressed = true;
        recipe.frames = {Frame(5888 * 6 / 2, 1), Frame(5888 * 6 / 2, 2)};
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        const uint8_t* word = f.bytes.data() + f.layout.dataOffset;
        const uint32_t big = (uint32_t(word[0]) << 24) | (uint32_t(word[1]) << 16) | (uint32_t(word[2]) << 8) | word[3];
        EXPECT_EQ(big == 5888u * 6, std::string(model) != "FinePix S5000");
        EXPECT_EQ(f.raf.lengthWord, 5888u * 6);
        EXPECT_EQ(f.raf.model->RawHeight(f.raf.cfaDataLength), 6);
        ASSERT_TRUE(OpenRawData(f.file, f.raf).Ok());
        EXPECT_EQ(ReadAll(f.file, 5888 * 6), LittleEndianBytes(recipe.frames[0]));
    }
    // An S5000 file whose word was written big-endian is refused, not misread.
    RafFileSpec recipe;
    recipe.model = "FinePix S5000";
    recipe.compressed = true;
    recipe.frames = {Frame(5888 * 6 / 2, 1)};
    recipe.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) {
        std::reverse(b.begin() + static_cast<ptrdiff_t>(at.dataOffset), b.begin() + static_cast<ptrdiff_t>(at.dataOffset) + 4);
    };
    Loaded f(recipe);
    ASSERT_TRUE(f.Container().Ok());
    EXPECT_FALSE(OpenRawData(f.file, f.raf).Ok());
}

TEST(RafContainer, CompressorNameCountsOnlyAtCharacterNine)
{
    struct Case {
        const char* software;
        bool compressed;
    } cases[] = {
        {"RAW FILE COMPRESSOR", true},
        {"RAW FILE COMPRESSOR Ver1.00", true},
        {" RAW FILE COMPRESSOR", false},
        {"Digital RAW FILE COMPRESSOR", false},
        {"RAW FILE COMPRESSO", false},
        {"raw file compressor", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.software);
        RafFileSpec recipe;
        recipe.model = "FinePix S7000";
        recipe.compressed = c.compressed;
        recipe.software = c.software;
        recipe.rawRows = 4;
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.compressed, c.compressed);
        EXPECT_EQ(f.raf.exifLines[static_cast<size_t>(f.raf.exifIndex.softwareLine)], std::string("Software:") + c.software);
        EXPECT_TRUE(OpenRawData(f.file, f.raf).Ok());
    }
}

PresetWords Custom(int i)
{
    return {static_cast<uint16_t>(300 + i), static_cast<uint16_t>(500 + i), static_cast<uint16_t>(301 + i),
            static_cast<uint16_t>(700 + i)};
}

TEST(RafContainer, CustomWhiteBalanceTable)
{
    struct Case {
        const char* name;
        int entries;
        std::optional<uint32_t> countWord;
        int stored;
    } cases[] = {
        {"one entry fills rows 8 and 9", 1, std::nullopt, 1},
        {"five entries", 5, std::nullopt, 5},
        {"24 entries fill every row", 24, std::nullopt, 24},
        {"30 entries are cut to the rows there are", 30, std::nullopt, 24},
        {"count above the entries present", 3, 10u, 3},
        {"huge count", 2, 0xFFFFFFFFu, 2},
        {"count below the entries present", 6, 2u, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RafFileSpec recipe;
        recipe.model = "FinePix S9500";
        recipe.frames = {{1}};
        for (int i = 0; i < c.entries; ++i)
            recipe.customWhiteBalances.push_back(Custom(i));
        recipe.faults.customCount = c.countWord;
        Loaded f(recipe);
        f.presets.rows[11][0] = 0;
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.customEntries, c.stored);
        for (int i = 0; i < c.stored; ++i) {
            PresetWords w = Custom(i);
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(f.presets.rows[8 + i][k], w[k]) << "row " << 8 + i;
        }
        if (c.entries == 1 && !c.countWord) {
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(f.presets.rows[9][k], f.presets.rows[8][k]);
        }
        for (int row = 8 + std::max(c.stored, c.entries == 1 ? 2 : 0); row < 32; ++row) {
            if (row != 11) {
                EXPECT_EQ(f.presets.rows[row][0], 0) << "row " << row;
            }
        }
    }
}

TEST(RafContainer, Row11SurvivesAcrossLoadsAndOtherRowsAreCleared)
{
    RafWhiteBalancePresets presets;
    const uint16_t user[4] = {256, 400, 256, 300};
    std::copy(user, user + 4, presets.rows[11]);
    presets.rows[20][0] = 77;
    presets.rows[10][0] = 55;
    auto load = [&](int customEntries) {
        RafFileSpec recipe;
        recipe.model = "FinePix S5600";
        recipe.frames = {{1}};
        for (int i = 0; i < customEntries; ++i)
            recipe.customWhiteBalances.push_back(Custom(i));
        std::vector<uint8_t> bytes = BuildRaf(recipe);
        CBufferedFile file;
        file.OpenMemory(bytes.data(), bytes.size());
        RafContainer raf;
        return ReadRafContainer(file, raf, presets).Ok();
    };
    ASSERT_TRUE(load(3));
    EXPECT_TRUE(std::equal(user, user + 4, presets.rows[11]));
    EXPECT_EQ(presets.rows[20][0], 0);
    EXPECT_EQ(presets.rows[10][0], Custom(2)[0]);
    ASSERT_TRUE(load(0));
    EXPECT_TRUE(std::equal(user, user + 4, presets.rows[11]));
    // A fourth custom entry is written into row 11.
    ASSERT_TRUE(load(4));
    EXPECT_EQ(presets.rows[11][1], Custom(3)[1]);
    // An empty row 11 takes the daylight preset.
    std::fill(std::begin(presets.rows[11]), std::end(presets.rows[11]), 0);
    ASSERT_TRUE(load(1));
    EXPECT_TRUE(std::equal(presets.rows[1], presets.rows[1] + 4, presets.rows[11]));
    EXPECT_EQ(presets.rows[1][1], 601);
}

TEST(RafContainer, PresetRecordsFillTheirRows)
{
    RafFileSpec recipe;
    recipe.model = "FinePix S7000";
    recipe.rawRows = 2;
    Loaded f(recipe);
    ASSERT_TRUE(f.Container().Ok());
    const std::pair<uint16_t, int> tags[] = {{0x2FF0, 0}, {0x2100, 1}, {0x2200, 2}, {0x2300, 3},
                                             {0x2301, 4}, {0x2302, 5}, {0x2400, 6}, {0x2000, 7}};
    for (auto [tag, row] : tags) {
        PresetWords w = recipe.presets.at(tag);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(f.presets.rows[row][k], w[k]) << std::hex << tag;
    }
}

TEST(RafContainer, WhiteBalanceUnitFromTheModelAndRecord9700)
{
    struct Case {
        const char* name;
        const char* model;
        std::string formatCode;
        int frames;
        std::optional<uint16_t> unitWord;
        uint16_t unit;
    } cases[] = {
        {"model default 64", "FinePix S7000", "", 1, std::nullopt, 64},
        {"model default 256", "FinePix S6000", "", 1, std::nullopt, 256},
        {"record gives 220", "FinePix S5Pro", "2201", 2, 100, 220},
        {"no second frame and a large word gives 55", "FinePix S5Pro", "2201", 1, 1200, 55},
        {"no second frame and a small word gives 220", "FinePix S3Pro", "2201", 1, 1000, 220},
        {"second frame and a large word gives 220", "FinePix S5Pro", "2201", 2, 1200, 220},
        {"2203 holds its frame", "FinePix S5Pro", "2203", 1, 1200, 220},
        {"other models never count as frameless", "FinePix S6000", "2201", 1, 1200, 220},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RafFileSpec recipe;
        recipe.model = c.model;
        recipe.formatCode = c.formatCode;
        recipe.unitWord = c.unitWord;
        for (int i = 0; i < c.frames; ++i)
            recipe.frames.push_back({1, 2});
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.whiteBalanceUnit, c.unit);
    }
}

TEST(RafContainer, DimensionRecordAnnouncesPairedRows)
{
    struct Case {
        const char* model;
        std::optional<uint16_t> width;
        bool paired;
    } cases[] = {{"FinePix S5Pro", std::nullopt, true},
                 {"FinePix S5Pro", 2176, false},
                 {"FinePix S7000", std::nullopt, false},
                 {"FinePix S7000", 4096, true}};
    for (const Case& c : cases) {
        RafFileSpec recipe;
        recipe.model = c.model;
        recipe.recordWidth = c.width;
        recipe.frames = {{1}};
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.pairedRows, c.paired) << c.model << " " << c.width.value_or(0);
    }
}

// The header copy says "not rotated"; the value is patched in the block's
// byte order, and only where an Orientation entry exists.
TEST(RafContainer, OrientationPatchOfTheHeaderCopy)
{
    for (bool littleEndian : {true, false}) {
        SCOPED_TRACE(littleEndian ? "II" : "MM");
        RafFileSpec recipe;
        recipe.model = "FinePix S5600";
        recipe.frames = {std::vector<uint16_t>(4096, 1)};
        recipe.exifLittleEndian = littleEndian;
        recipe.exif = test::FujiExifSpec(recipe.model, littleEndian, "Digital Camera");
        recipe.exif->ifd0.Find(0x0112)->numbers = {6};
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.camera.orientation, 6);
        const size_t at = static_cast<size_t>(f.raf.exifIndex.orientationValue);
        ASSERT_GT(at, 0u);
        EXPECT_EQ(f.bytes[at + (littleEndian ? 0 : 1)], 6);
        EXPECT_EQ(f.raf.header[at + (littleEndian ? 0 : 1)], 1);
        EXPECT_EQ(f.raf.header[at + (littleEndian ? 1 : 0)], 0);
        for (size_t i = 0; i < kRafHeaderSize; ++i) {
            if (i != at && i != at + 1) {
                ASSERT_EQ(f.raf.header[i], f.bytes[i]) << i;
            }
        }
    }
    RafFileSpec recipe;
    recipe.model = "FinePix S5600";
    recipe.frames = {std::vector<uint16_t>(4096, 1)};
    recipe.exif = test::FujiExifSpec(recipe.model, true, "Digital Camera");
    recipe.exif->ifd0.Remove(0x0112);
    recipe.exif->ifd1.Remove(0x0112);
    Loaded f(recipe);
    ASSERT_TRUE(f.Container().Ok());
    EXPECT_EQ(f.raf.exifIndex.orientationValue, 0);
    EXPECT_TRUE(std::equal(f.raf.header.begin(), f.raf.header.end(), f.bytes.begin()));
}

class RecordingProgress final : public IProgress {
public:
    int Report(int percent, const char* label) override
    {
        calls.emplace_back(percent, label);
        return 0;
    }
    std::vector<std::pair<int, std::string>> calls;
};

TEST(RafContainer, UnpackingReportsUnzippingUpToOneHundred)
{
    RafFileSpec recipe;
    recipe.model = "FinePix S7000";
    recipe.compressed = true;
    recipe.rawRows = 64;
    Loaded f(recipe);
    ASSERT_TRUE(f.Container().Ok());
    RecordingProgress progress;
    ASSERT_TRUE(OpenRawData(f.file, f.raf, &progress).Ok());
    ASSERT_GE(progress.calls.size(), 2u);
    EXPECT_EQ(progress.calls.front(), std::make_pair(-2, std::string("Unzipping")));
    for (size_t i = 1; i < progress.calls.size(); ++i) {
        EXPECT_EQ(progress.calls[i].second, "Unzipping");
        EXPECT_GE(progress.calls[i].first, 0);
        EXPECT_LE(progress.calls[i].first, 100);
        EXPECT_GE(progress.calls[i].first, progress.calls[i - 1].first);
    }
    // The packed bytes taken in, not their share of the unpacked length
    // (which stops at the compression ratio, a few per cent here).
    EXPECT_GE(progress.calls.back().first, 50);
}

// Broken files end in a clear failure at the step that meets the damage.
enum class Step { Header, Records, Data, Second };

struct BrokenCase {
    const char* name;
    std::function<void(RafFileSpec&)> edit;
    Step step;
    RafError error;
};

void Compressed(RafFileSpec& s)
{
    s.model = "FinePix S9000";
    s.compressed = true;
    s.rawRows = 8;
}

const BrokenCase kBrokenCases[] = {
    {"empty file", [](RafFileSpec& s) { s.faults.truncateTo = 0; }, Step::Header, RafError::NotRaf},
    {"cut inside the magic", [](RafFileSpec& s) { s.faults.truncateTo = 10; }, Step::Header, RafError::NotRaf},
    {"cut inside the directory", [](RafFileSpec& s) { s.faults.truncateTo = 0x70; }, Step::Header,
     RafError::DamagedHeader},
    {"wrong magic", [](RafFileSpec& s) { s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout&) { b[4] = 'X'; }; },
     Step::Header, RafError::NotRaf},
    {"unknown model", [](RafFileSpec& s) { s.model = "FinePix X100"; }, Step::Header, RafError::UnknownModel},
    {"records offset past the end", [](RafFileSpec& s) { s.faults.directory[0x5C] = 0x7FFFFFF0; }, Step::Records,
     RafError::DamagedRecords},
    {"records length past the end", [](RafFileSpec& s) { s.faults.directory[0x60] = 0xFFFFFFFF; }, Step::Records,
     RafError::DamagedRecords},
    {"records length too short for the count", [](RafFileSpec& s) { s.faults.directory[0x60] = 2; }, Step::Records,
     RafError::DamagedRecords},
    {"huge record count", [](RafFileSpec& s) { s.faults.recordCount = 0xFFFFFFFF; }, Step::Records,
     RafError::DamagedRecords},
    {"record count beyond the records", [](RafFileSpec& s) { s.faults.recordCount = 40; }, Step::Records,
     RafError::DamagedRecords},
    {"last record size overruns", [](RafFileSpec& s) { s.faults.lastRecordSize = 0xFFFF; }, Step::Records,
     RafError::DamagedRecords},
    {"file cut inside the records",
     [](RafFileSpec& s) {
         s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) { b.resize(at.recordsOffset + 30); };
     },
     Step::Records, RafError::DamagedRecords},
    {"plain data offset past the end", [](RafFileSpec& s) { s.faults.directory[0x64] = 0xFFFFFF00; }, Step::Data,
     RafError::RawDataMissing},
    {"plain data length past the end", [](RafFileSpec& s) { s.faults.directory[0x68] = 0x7FFFFFFF; }, Step::Data,
     RafError::RawDataMissing},
    {"plain file cut inside the data",
     [](RafFileSpec& s) {
         s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) { b.resize(at.dataOffset + at.dataLength / 2); };
     },
     Step::Data, RafError::RawDataMissing},
    {"plain data shorter than one row", [](RafFileSpec& s) { s.frames = {{1, 2, 3}}; }, Step::Data,
     RafError::RawDataMissing},
    {"fixed-height model with stripped data",
     [](RafFileSpec& s) {
         s.model = "FinePix S5Pro";
         s.frames = {std::vector<uint16_t>(11, 7), std::vector<uint16_t>(11, 8)};
     },
     Step::Data, RafError::RawDataMissing},
    {"compressed data past the end",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.directory[0x68] = 0x7FFFFFFF;
     },
     Step::Data, RafError::RawDataMissing},
    {"compressed file cut inside the stream",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) { b.resize(at.dataOffset + at.dataLength / 2); };
     },
     Step::Data, RafError::RawDataMissing},
    {"length word outside the file",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout&) {
             uint32_t at = static_cast<uint32_t>(b.size() - 2);
             b[0x64] = static_cast<uint8_t>(at >> 24);
             b[0x65] = static_cast<uint8_t>(at >> 16);
             b[0x66] = static_cast<uint8_t>(at >> 8);
             b[0x67] = static_cast<uint8_t>(at);
         };
     },
     Step::Data, RafError::RawDataMissing},
    {"stream longer than its length word",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.lengthWord = 10048 * 7;
     },
     Step::Data, RafError::UnpackFailed},
    {"stream shorter than its length word",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.lengthWord = 10048 * 9;
     },
     Step::Data, RafError::UnpackFailed},
    {"huge length word",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.lengthWord = 0xFFFFFFF0;
     },
     Step::Data, RafError::UnpackFailed},
    {"zero length word",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.lengthWord = 0;
     },
     Step::Data, RafError::RawDataMissing},
    {"corrupt stream",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.corruptStream = true;
     },
     Step::Data, RafError::UnpackFailed},
    {"stream without its end",
     [](RafFileSpec& s) {
         Compressed(s);
         s.faults.cutStream = true;
     },
     Step::Data, RafError::UnpackFailed},
    {"second block past the end",
     [](RafFileSpec& s) {
         s.model = "FinePix S20Pro";
         s.compressed = true;
         s.rawRows = 4;
         s.faults.directory[0x80] = 0xFFFFFFF0;
     },
     Step::Second, RafError::RawDataMissing},
    {"second block damaged",
     [](RafFileSpec& s) {
         s.model = "FinePix S20Pro";
         s.compressed = true;
         s.rawRows = 4;
         s.faults.patch = [](std::vector<uint8_t>& b, const RafLayout& at) {
             for (size_t i = at.secondOffset + at.secondLength / 2; i < at.secondOffset + at.secondLength / 2 + 6; ++i)
                 b[i] ^= 0xA5;
         };
     },
     Step::Second, RafError::UnpackFailed},
};

TEST(RafContainer, BrokenFilesEndInAClearFailure)
{
    for (const BrokenCase& c : kBrokenCases) {
        SCOPED_TRACE(c.name);
        RafFileSpec recipe;
        recipe.model = "FinePix S5600";
        recipe.rawRows = 8;
        c.edit(recipe);
        Loaded f(recipe);
        RafStatus status = ReadRafHeader(f.file, f.raf);
        if (c.step != Step::Header) {
            ASSERT_TRUE(status.Ok()) << status.detail;
            status = ReadCfaRecords(f.file, f.raf, f.presets, false);
        }
        if (c.step != Step::Header && c.step != Step::Records) {
            ASSERT_TRUE(status.Ok()) << status.detail;
            status = OpenRawData(f.file, f.raf);
        }
        if (c.step == Step::Second) {
            ASSERT_TRUE(status.Ok()) << status.detail;
            status = OpenSecondFrameBlock(f.file, f.raf);
        }
        EXPECT_EQ(status.error, c.error) << status.detail;
        EXPECT_EQ(status.message, RafErrorText(c.error));
        EXPECT_FALSE(status.message.empty());
        EXPECT_FALSE(status.detail.empty());
        if (c.step == Step::Data || c.step == Step::Second) {
            EXPECT_FALSE(f.file.InMemory());
        }
    }
}

TEST(RafContainer, WrongMagicGivesTheCameraMessage)
{
    RafFileSpec recipe;
    recipe.faults.patch = [](std::vector<uint8_t>& b, const RafLayout&) { b[0] = 'f'; };
    Loaded f(recipe);
    RafStatus status = f.Container();
    EXPECT_EQ(status.message, "This is not FUJI CCD-RAW.");
    EXPECT_EQ(RafErrorStringId(status.error), 61217u);
    EXPECT_EQ(f.raf.header.size(), kRafHeaderSize);
}

TEST(RafContainer, FileThatCannotBeOpened)
{
    CBufferedFile file("/nonexistent/velmo/none.RAF");
    RafContainer raf;
    RafWhiteBalancePresets presets;
    EXPECT_EQ(ReadRafContainer(file, raf, presets).error, RafError::CannotOpen);
}

TEST(RafContainer, ExrDigitAndFrameCountFromTheHeader)
{
    struct Case {
        const char* model;
        char digit;
        std::string code;
        int frames;
        int exrDigit;
    } cases[] = {{"FinePix S200EXR", '1', "", 1, 1},    {"FinePix S200EXR", '2', "", 2, 2},
                 {"FinePix S200EXR", '3', "", 2, 3},    {"FinePix S5Pro", '1', "2201", 2, 0},
                 {"FinePix S5Pro", '1', "2203", 1, 0},  {"FinePix F700 ", '1', "", 2, 0},
                 {"FinePix S7000", '2', "", 1, 0}};
    for (const Case& c : cases) {
        RafFileSpec recipe;
        recipe.model = c.model;
        recipe.exrModeDigit = c.digit;
        recipe.formatCode = c.code;
        recipe.frames = {{1}};
        Loaded f(recipe);
        ASSERT_TRUE(f.Container().Ok());
        EXPECT_EQ(f.raf.exrModeDigit, c.exrDigit) << c.model << c.digit;
        EXPECT_EQ(f.raf.Frames(), c.frames) << c.model << c.digit << c.code;
    }
}

} // namespace
} // namespace velmo
