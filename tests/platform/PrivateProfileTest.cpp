#include "platform/core/PrivateProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {
namespace {

namespace fs = std::filesystem;

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmo-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = (dir / "test.VMR").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }
    void WriteText(const std::string& text) const
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string ReadText() const
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> DirEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::string path;
};

TEST_F(PrivateProfileTest, StructLineIsTheWindowsHexFormWithChecksum)
{
    const uint8_t bytes[] = {0x01, 0x02, 0xFF, 0x10};
    ASSERT_TRUE(WritePrivateProfileStruct("Settings", "key", bytes, sizeof bytes, path));
    // 01 02 FF 10, then the checksum 0x01 + 0x02 + 0xFF + 0x10 = 0x112 -> 0x12.
    EXPECT_EQ(ReadText(), "[Settings]\r\nkey=0102FF1012\r\n");

    uint8_t back[4] = {};
    ASSERT_TRUE(GetPrivateProfileStruct("Settings", "key", back, sizeof back, path));
    EXPECT_EQ(0, std::memcmp(back, bytes, sizeof bytes));

    ASSERT_TRUE(WritePrivateProfileStruct("Settings", "none", nullptr, 0, path));
    EXPECT_EQ(GetPrivateProfileString("Settings", "none", "", path), "00");
}

TEST_F(PrivateProfileTest, StructIsReadOnlyWithItsSizeAndChecksum)
{
    struct Case {
        const char* value;
        bool accepted;
    };
    const Case cases[] = {
        {"0102FF1012", true},
        {"0102ff1012", true},   // lower-case hex
        {"  0102FF1012 ", true}, // blanks around the value
        {"0102FF1013", false},  // wrong checksum
        {"0102FF12", false},    // one byte short
        {"0102FF101212", false}, // one byte long
        {"0102FF101", false},   // odd digit count
        {"0102FG1012", false},  // not hex
        {"", false},
    };
    for (const Case& c : cases) {
        WriteText(std::string("[Settings]\r\nkey=") + c.value + "\r\n");
        uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(GetPrivateProfileStruct("Settings", "key", out, sizeof out, path), c.accepted) << c.value;
        const uint8_t expected[4] = {0x01, 0x02, 0xFF, 0x10};
        const uint8_t untouched[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(0, std::memcmp(out, c.accepted ? expected : untouched, 4)) << c.value;
    }
    uint8_t out = 0x55;
    EXPECT_FALSE(GetPrivateProfileStruct("Settings", "absent", &out, 1, path));
    EXPECT_EQ(out, 0x55);
}

TEST_F(PrivateProfileTest, WritesKeepOtherSectionsKeysAndLines)
{
    WriteText("; saved by hand\n[Other]\nwhiteBalance=9\n\n[Settings]\nversion=70\ncustom=keep me\n");
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "version", 71, path));
    ASSERT_TRUE(WritePrivateProfileString("settings", "gamma", FormatFloatF(0.45), path));
    EXPECT_EQ(ReadText(), "; saved by hand\r\n[Other]\r\nwhiteBalance=9\r\n\r\n[Settings]\r\nversion=71\r\n"
                          "custom=keep me\r\ngamma=0.450000\r\n");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"test.VMR"});
}

TEST_F(PrivateProfileTest, KeysThatALaterSaveSkipsKeepTheirValues)
{
    const uint8_t curve[3] = {1, 2, 3};
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "FreeCurve_flag", 1, path));
    ASSERT_TRUE(WritePrivateProfileStruct("Settings", "FreeCurve", curve, sizeof curve, path));
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "contrast", 2, path));
    // The second save has the feature disabled: it writes the flag but not the block.
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "FreeCurve_flag", 0, path));
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "contrast", 5, path));
    EXPECT_EQ(ReadText(), "[Settings]\r\nFreeCurve_flag=0\r\nFreeCurve=01020306\r\ncontrast=5\r\n");
    uint8_t back[3] = {};
    EXPECT_TRUE(GetPrivateProfileStruct("Settings", "FreeCurve", back, sizeof back, path));
    EXPECT_EQ(back[2], 3);
}

TEST_F(PrivateProfileTest, AbsentKeysAndFilesGiveTheDefault)
{
    EXPECT_EQ(GetPrivateProfileInt("Settings", "x", 17, path), 17); // no file
    EXPECT_EQ(GetPrivateProfileString("Settings", "x", "dflt", path), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("Settings", "x", 17, (dir / "no" / "such" / "file").string()), 17);
    WriteText("[Settings]\nempty=\nzero=0\nwords=abc\nneg= -42 \nquoted=\"12\"\n[Else]\nx=3\n");
    EXPECT_EQ(GetPrivateProfileInt("Settings", "x", 17, path), 17);   // in another section only
    EXPECT_EQ(GetPrivateProfileInt("Nope", "zero", 17, path), 17);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "empty", 17, path), 17); // empty counts as absent
    EXPECT_EQ(GetPrivateProfileInt("Settings", "zero", 17, path), 0);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "words", 17, path), 0);
    EXPECT_EQ(GetPrivateProfileInt("SETTINGS", "NEG", 17, path), -42);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "quoted", 17, path), 12);
    EXPECT_EQ(GetPrivateProfileString("Settings", "empty", "dflt", path), "");
    EXPECT_EQ(GetPrivateProfileString("Settings", "quoted", "dflt", path), "12");
    // A directory at the path reads as nothing.
    EXPECT_EQ(GetPrivateProfileInt("Settings", "x", 4, dir.string()), 4);
}

TEST_F(PrivateProfileTest, NullValueDeletesTheKey)
{
    WriteText("[Settings]\na=1\nb=2\n");
    ASSERT_TRUE(WritePrivateProfileString("Settings", "A", std::nullopt, path));
    EXPECT_EQ(ReadText(), "[Settings]\r\nb=2\r\n");
    // Deleting from a file that does not exist creates nothing.
    std::string other = (dir / "other.VMR").string();
    EXPECT_TRUE(WritePrivateProfileString("Settings", "a", std::nullopt, other));
    EXPECT_FALSE(fs::exists(other));
}

TEST_F(PrivateProfileTest, FailedWritesReportFalseAndLeaveNothingBehind)
{
    const std::string missingDir = (dir / "missing" / "x.VMR").string();
    EXPECT_FALSE(WritePrivateProfileInt("Settings", "a", 1, missingDir));
    EXPECT_FALSE(fs::exists(dir / "missing"));

    // A directory where the file should be.
    fs::create_directory(dir / "sub.VMR");
    EXPECT_FALSE(WritePrivateProfileInt("Settings", "a", 1, (dir / "sub.VMR").string()));
    // A path below a regular file.
    WriteText("[Settings]\na=1\n");
    EXPECT_FALSE(WritePrivateProfileInt("Settings", "a", 2, path + "/x"));
    // A FIFO is not a file to replace (and must not block the call).
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(WritePrivateProfileInt("Settings", "a", 1, (dir / "pipe").string()));
    // A line break would split the line into another key.
    EXPECT_FALSE(WritePrivateProfileString("Settings", "a", "1\r\nb=2", path));
    EXPECT_EQ(ReadText(), "[Settings]\na=1\n");
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"pipe", "sub.VMR", "test.VMR"}));
    EXPECT_TRUE(fs::is_empty(dir / "sub.VMR"));
}

TEST_F(PrivateProfileTest, ReadOnlyDirectoryKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    WriteText("[Settings]\na=1\n");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WritePrivateProfileInt("Settings", "a", 3, path));
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(ReadText(), "[Settings]\na=1\n");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"test.VMR"});
}

TEST_F(PrivateProfileTest, RewriteKeepsTheFilePermissions)
{
    WriteText("[Settings]\na=1\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WritePrivateProfileInt("Settings", "a", 2, path));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Each read sees the file as it is; inside a read scope the reads of its file
// share one parse, taken again after a write through the profile functions.
TEST_F(PrivateProfileTest, ReadsInAScopeShareOneParse)
{
    std::string text = "[Settings]\r\n";
    for (int i = 0; i < 200; ++i)
        text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    text += "key7=late\r\n[settings]\r\nkey8=other section\r\n";
    WriteText(text);

    uint64_t before = PrivateProfileFileParses();
    EXPECT_EQ(GetPrivateProfileInt("Settings", "key3", -1, path), 3);
    EXPECT_EQ(GetPrivateProfileInt("Settings", "key4", -1, path), 4);
    EXPECT_EQ(PrivateProfileFileParses() - before, 2u);

    {
        const PrivateProfileReadScope once(path);
        before = PrivateProfileFileParses();
        for (int i = 0; i < 200; ++i)
            EXPECT_EQ(GetPrivateProfileInt("SETTINGS", "Key" + std::to_string(i), -1, path), i);
        EXPECT_EQ(GetPrivateProfileString("Settings", "key7", "", path), "7");
        EXPECT_EQ(GetPrivateProfileString("Settings", "missing", "default", path), "default");
        EXPECT_EQ(PrivateProfileFileParses() - before, 1u);

        // One version of the file for the whole scope...
        WriteText("[Settings]\r\nkey3=changed\r\n");
        EXPECT_EQ(GetPrivateProfileInt("Settings", "key3", -1, path), 3);
        // ...until this process writes to it.
        ASSERT_TRUE(WritePrivateProfileInt("Settings", "key4", 44, path));
        EXPECT_EQ(GetPrivateProfileString("Settings", "key3", "", path), "changed");
        EXPECT_EQ(GetPrivateProfileInt("Settings", "key4", -1, path), 44);
        EXPECT_EQ(GetPrivateProfileInt("Settings", "key5", -1, path), -1);
        EXPECT_EQ(PrivateProfileFileParses() - before, 2u);
    }
    WriteText("[Settings]\r\nkey3=after\r\n");
    EXPECT_EQ(GetPrivateProfileString("Settings", "key3", "", path), "after");
}

TEST(FloatFormatTest, FormatFloatFMatchesPrintfInTheCLocale)
{
    const double values[] = {0.0,      -0.0,     1.5,         -2.25,  0.1,    0.45,   1e-7,
                             5e-7,     2.5e-6,   0.0000015,   1e20,   -1e-300, 123456789.123456789,
                             2.0 / 3.0, 65535.0, 4294967296.5, DBL_MAX, -DBL_MAX, DBL_MIN};
    for (double v : values) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%f", v);
        EXPECT_EQ(FormatFloatF(v), expected) << v;
    }
    EXPECT_EQ(FormatFloatF(std::nan("")), "0.000000");
    EXPECT_EQ(FormatFloatF(INFINITY), "0.000000");
    EXPECT_EQ(FormatFloatF(-INFINITY), "0.000000");
}

TEST(FloatFormatTest, ParseFloatFollowsAtof)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0.450000", 0.45},  {"1e3", 1000.0},   {"  +2.5", 2.5},  {"\t\n3", 3.0},  {"-0.75x", -0.75},
        {".5", 0.5},         {"5.", 5.0},       {"1e", 1.0},      {"1e+", 1.0},    {"2E-2", 0.02},
        {"abc", 0.0},        {"", 0.0},         {".", 0.0},       {"--1", 0.0},    {"+-1", 0.0},
        {"- 1", 0.0},        {"0x10", 0.0},     {"1,5", 1.0},     {"inf", 0.0},    {"nan", 0.0},
        {"1e999", DBL_MAX},  {"-1e999", -DBL_MAX}, {"1e-999", 0.0}, {"0.000e999", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseFloat(c.text), c.value) << '"' << c.text << '"';
    std::string huge = "1" + std::string(400, '0');
    EXPECT_EQ(ParseFloat(huge), DBL_MAX);
    std::string tiny = "0." + std::string(400, '0') + "1";
    EXPECT_EQ(ParseFloat(tiny), 0.0);
}

// The files are shared between machines: a user's decimal-comma locale must
// not change what is written or read.
TEST_F(PrivateProfileTest, FloatsIgnoreADecimalCommaLocale)
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "it_IT.UTF-8"};
    std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* chosen = nullptr;
    for (const char* name : names)
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            chosen = name;
            break;
        }
    if (chosen == nullptr)
        GTEST_SKIP() << "no decimal-comma locale installed";
    char probe[32];
    std::snprintf(probe, sizeof probe, "%f", 1.5);
    const bool comma = std::string(probe) == "1,500000";
    const std::string formatted = FormatFloatF(1.5);
    const double parsed = ParseFloat("2.25");
    const bool written = WritePrivateProfileString("Settings", "gamma", FormatFloatF(0.45), path);
    const double readBack = ParseFloat(GetPrivateProfileString("Settings", "gamma", "", path));
    std::setlocale(LC_NUMERIC, previous.c_str());

    ASSERT_TRUE(comma) << chosen << " does not use a decimal comma";
    EXPECT_EQ(formatted, "1.500000");
    EXPECT_EQ(parsed, 2.25);
    ASSERT_TRUE(written);
    EXPECT_EQ(ReadText(), "[Settings]\r\ngamma=0.450000\r\n");
    EXPECT_EQ(readBack, 0.45);
}

} // namespace
} // namespace velmo
