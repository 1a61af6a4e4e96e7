#include "platform/core/SettingsStore.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace velmo {
namespace {

namespace fs = std::filesystem;

fs::path MakeTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "velmo-settings-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Both stores must behave alike. Open() gives the store to check reads
// with: the same object for the memory store, a new object on the same file
// for the file store, so that every value has gone through the file.
class SettingsStoreTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        dir = MakeTempDir();
        ASSERT_FALSE(dir.empty());
        path = (dir / "ORBEK" / "Velmo.ini").string();
        if (!GetParam())
            memory = std::make_shared<MemorySettingsStore>();
        store = Open();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::shared_ptr<SettingsStore> Open()
    {
        if (memory)
            return memory;
        return std::make_shared<FileSettingsStore>(path);
    }

    fs::path dir;
    std::string path;
    std::shared_ptr<SettingsStore> memory;
    std::shared_ptr<SettingsStore> store;
};

TEST_P(SettingsStoreTest, ValuesRoundTrip)
{
    const std::string texts[] = {
        "plain", "", "C:\\Photos\\DSCF0001.RAF", " edge blanks ", "\"quoted\"", "'single'", "\"half",
        "hex:0102", "HEX:zz", "a=b;c", "Zo\xC3\xAB",
    };
    for (size_t i = 0; i < std::size(texts); ++i)
        ASSERT_TRUE(store->WriteProfileString("Settings", "Text" + std::to_string(i), texts[i]));
    const int ints[] = {0, 1, -1, INT_MAX, INT_MIN};
    for (size_t i = 0; i < std::size(ints); ++i)
        ASSERT_TRUE(store->WriteProfileInt("Settings", "Int" + std::to_string(i), ints[i]));
    std::vector<uint8_t> bytes(256);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(255 - i);
    ASSERT_TRUE(store->WriteProfileBinary("Settings", "Param", bytes.data(), bytes.size()));
    ASSERT_TRUE(store->WriteProfileBinary("Settings", "Empty", nullptr, 0));
    ASSERT_TRUE(store->WriteProfileString("Recent File List", "File1", "/a/b.RAF"));

    std::shared_ptr<SettingsStore> reader = Open();
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(reader->GetProfileString("Settings", "Text" + std::to_string(i), "dflt"), texts[i]) << texts[i];
    for (size_t i = 0; i < std::size(ints); ++i)
        EXPECT_EQ(reader->GetProfileInt("Settings", "Int" + std::to_string(i), 42), ints[i]);
    std::vector<uint8_t> back;
    ASSERT_TRUE(reader->GetProfileBinary("Settings", "Param", back));
    EXPECT_EQ(back, bytes);
    back.assign(3, 1);
    ASSERT_TRUE(reader->GetProfileBinary("Settings", "Empty", back));
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(reader->GetProfileString("recent file list", "FILE1"), "/a/b.RAF");
    // Names compare without case; absent values give the default.
    EXPECT_EQ(reader->GetProfileInt("SETTINGS", "int1", 42), 1);
    EXPECT_EQ(reader->GetProfileInt("Settings", "Absent", 42), 42);
    EXPECT_EQ(reader->GetProfileString("Absent", "Text0", "dflt"), "dflt");
    EXPECT_FALSE(reader->GetProfileBinary("Settings", "Absent", back));
}

TEST_P(SettingsStoreTest, AValueReadAsAnotherType)
{
    ASSERT_TRUE(store->WriteProfileString("Settings", "Str", "42abc"));
    ASSERT_TRUE(store->WriteProfileString("Settings", "Words", "abc"));
    ASSERT_TRUE(store->WriteProfileString("Settings", "Blank", ""));
    ASSERT_TRUE(store->WriteProfileInt("Settings", "Int", 7));
    const uint8_t data[2] = {1, 2};
    ASSERT_TRUE(store->WriteProfileBinary("Settings", "Bin", data, 2));

    std::shared_ptr<SettingsStore> reader = Open();
    EXPECT_EQ(reader->GetProfileInt("Settings", "Str", -1), 42);
    EXPECT_EQ(reader->GetProfileInt("Settings", "Words", -1), 0);
    EXPECT_EQ(reader->GetProfileInt("Settings", "Blank", -1), -1);
    EXPECT_EQ(reader->GetProfileInt("Settings", "Bin", -1), -1);
    EXPECT_EQ(reader->GetProfileString("Settings", "Int", "x"), "7");
    EXPECT_EQ(reader->GetProfileString("Settings", "Bin", "x"), "x");
    std::vector<uint8_t> out;
    EXPECT_FALSE(reader->GetProfileBinary("Settings", "Str", out));
    EXPECT_FALSE(reader->GetProfileBinary("Settings", "Int", out));

    // A later write of another type replaces the value.
    ASSERT_TRUE(store->WriteProfileInt("Settings", "Bin", 3));
    EXPECT_EQ(Open()->GetProfileInt("Settings", "Bin", -1), 3);
    EXPECT_FALSE(Open()->GetProfileBinary("Settings", "Bin", out));
}

TEST_P(SettingsStoreTest, BinaryOfAnotherSizeIsTreatedAsAbsent)
{
    const uint8_t record[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(store->WriteProfileBinary("Settings", "Param", record, sizeof record));
    std::shared_ptr<SettingsStore> reader = Open();

    uint8_t smaller[5] = {9, 9, 9, 9, 9};
    EXPECT_FALSE(reader->GetProfileBinaryExact("Settings", "Param", smaller, sizeof smaller));
    EXPECT_EQ(smaller[0], 9);
    uint8_t larger[7] = {9, 9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(reader->GetProfileBinaryExact("Settings", "Param", larger, sizeof larger));
    EXPECT_EQ(larger[6], 9);
    uint8_t exact[6] = {};
    EXPECT_TRUE(reader->GetProfileBinaryExact("Settings", "Param", exact, sizeof exact));
    EXPECT_EQ(0, std::memcmp(exact, record, sizeof record));
    EXPECT_FALSE(reader->GetProfileBinaryExact("Settings", "Absent", exact, sizeof exact));
}

TEST_P(SettingsStoreTest, DeleteValueAndSection)
{
    ASSERT_TRUE(store->WriteProfileInt("Settings", "A", 1));
    ASSERT_TRUE(store->WriteProfileInt("Settings", "B", 2));
    ASSERT_TRUE(store->WriteProfileString("Recent Para List", "File1", "x.VMR"));
    ASSERT_TRUE(store->WriteProfileString("Recent Para List", "File2", "y.VMR"));

    EXPECT_TRUE(store->DeleteValue("settings", "a"));
    EXPECT_TRUE(store->DeleteValue("Settings", "Never"));
    EXPECT_TRUE(store->DeleteSection("RECENT PARA LIST"));
    EXPECT_TRUE(store->DeleteSection("Never"));

    std::shared_ptr<SettingsStore> reader = Open();
    EXPECT_EQ(reader->GetProfileInt("Settings", "A", -1), -1);
    EXPECT_EQ(reader->GetProfileInt("Settings", "B", -1), 2);
    EXPECT_EQ(reader->GetProfileString("Recent Para List", "File1", "none"), "none");
    EXPECT_EQ(reader->GetProfileString("Recent Para List", "File2", "none"), "none");
}

TEST_P(SettingsStoreTest, TwoThreadsWritingAtOnceLoseNothing)
{
    constexpr int kCount = 60;
    auto writer = [&](const char* prefix) {
        for (int i = 0; i < kCount; ++i) {
            store->WriteProfileInt("Settings", prefix + std::to_string(i), i);
            store->GetProfileInt("Settings", prefix + std::to_string(i / 2), 0);
        }
    };
    std::thread first(writer, "First");
    std::thread second(writer, "Second");
    first.join();
    second.join();
    std::shared_ptr<SettingsStore> reader = Open();
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(reader->GetProfileInt("Settings", "First" + std::to_string(i), -1), i);
        EXPECT_EQ(reader->GetProfileInt("Settings", "Second" + std::to_string(i), -1), i);
    }
    EXPECT_TRUE(store->Flush());
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsStoreTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& testInfo) { return testInfo.param ? "File" : "Memory"; });

class FileSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = MakeTempDir();
        ASSERT_FALSE(dir.empty());
        path = (dir / "Velmo.ini").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void WriteText(const std::string& text) const
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    fs::path dir;
    std::string path;
};

// The file's form: ints "%d", texts as they are (in double quotes when they
// would read back otherwise), binaries "hex:" and upper-case hex digits.
TEST_F(FileSettingsStoreTest, FileFormat)
{
    FileSettingsStore store(path);
    const uint8_t bytes[] = {0x01, 0xFF, 0xA0};
    ASSERT_TRUE(store.WriteProfileInt("Settings", "CheckPrv", -2));
    ASSERT_TRUE(store.WriteProfileString("Settings", "UseLittleCMSprofile", "/usr/share/color/icc/x.icc"));
    ASSERT_TRUE(store.WriteProfileString("Settings", "Padded", " a "));
    ASSERT_TRUE(store.WriteProfileString("Settings", "LooksBinary", "hex:00"));
    ASSERT_TRUE(store.WriteProfileBinary("Settings", "ColorTable", bytes, sizeof bytes));
    ASSERT_TRUE(store.WriteProfileString("Recent File List", "File1", "a.RAF"));
    EXPECT_EQ(ReadText(path), "[Settings]\r\nCheckPrv=-2\r\nUseLittleCMSprofile=/usr/share/color/icc/x.icc\r\n"
                              "Padded=\" a \"\r\nLooksBinary=\"hex:00\"\r\nColorTable=hex:01FFA0\r\n\r\n"
                              "[Recent File List]\r\nFile1=a.RAF\r\n");
    // Nothing but the store's file in its directory.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(FileSettingsStoreTest, CorruptFileReadsDefaultsAndCanBeWritten)
{
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((i * 131 + 7) & 0xFF);
    garbage += "\n[Settings]\nOdd=hex:ABC\nBad=hex:ZZ\nNum=hex:\n\x01\x02=\x03\n";
    WriteText(garbage);

    FileSettingsStore store(path);
    std::vector<uint8_t> out{7};
    EXPECT_FALSE(store.GetProfileBinary("Settings", "Odd", out));
    EXPECT_FALSE(store.GetProfileBinary("Settings", "Bad", out));
    EXPECT_EQ(out, std::vector<uint8_t>{7});
    EXPECT_EQ(store.GetProfileInt("Settings", "Num", 5), 5);
    EXPECT_EQ(store.GetProfileInt("Settings", "Missing", 5), 5);
    EXPECT_EQ(store.GetProfileString("Settings", "Odd", "d"), "d");
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Missing", 6));
    EXPECT_EQ(FileSettingsStore(path).GetProfileInt("Settings", "Missing", 5), 6);
}

TEST_F(FileSettingsStoreTest, CreatesItsDirectories)
{
    const std::string deep = (dir / "a" / "b" / "ORBEK" / "Velmo.ini").string();
    FileSettingsStore store(deep);
    EXPECT_EQ(store.Path(), deep);
    EXPECT_TRUE(store.Flush()); // nothing written yet: nothing to sync
    EXPECT_FALSE(fs::exists(deep));
    ASSERT_TRUE(store.WriteProfileInt("Settings", "A", 1));
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(ReadText(deep), "[Settings]\r\nA=1\r\n");
}

TEST_F(FileSettingsStoreTest, UnwritableStoreFailsButKeepsTheSessionsValues)
{
    WriteText("blocker");
    const std::string below = path + "/ORBEK/Velmo.ini"; // below a regular file
    FileSettingsStore store(below);
    EXPECT_FALSE(store.WriteProfileInt("Settings", "A", 1));
    EXPECT_EQ(store.GetProfileInt("Settings", "A", 0), 1);
    EXPECT_FALSE(store.Flush());
    EXPECT_EQ(ReadText(path), "blocker");
}

TEST_F(FileSettingsStoreTest, UnreadableFileIsNeverReplaced)
{
    fs::create_directory(path); // a directory where the file should be
    FileSettingsStore store(path);
    EXPECT_EQ(store.GetProfileInt("Settings", "A", 3), 3);
    EXPECT_FALSE(store.WriteProfileInt("Settings", "A", 1));
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(FileSettingsStoreTest, SeesWhatAnotherInstanceWrote)
{
    FileSettingsStore first(path);
    FileSettingsStore second(path);
    ASSERT_TRUE(first.WriteProfileInt("Settings", "A", 1));
    EXPECT_EQ(second.GetProfileInt("Settings", "A", 0), 1);
    ASSERT_TRUE(second.WriteProfileInt("Settings", "B", 2));
    ASSERT_TRUE(first.WriteProfileInt("Settings", "A", 3));
    FileSettingsStore third(path);
    EXPECT_EQ(third.GetProfileInt("Settings", "A", 0), 3);
    EXPECT_EQ(third.GetProfileInt("Settings", "B", 0), 2);
}

class ScopedEnv {
public:
    explicit ScopedEnv(const char* variable) : name(variable)
    {
        const char* value = std::getenv(variable);
        if (value != nullptr)
            saved = value;
    }
    ~ScopedEnv()
    {
        if (saved)
            ::setenv(name, saved->c_str(), 1);
        else
            ::unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> saved;
};

TEST(FileSettingsStoreDefaultPathTest, FollowsXdgConfigHomeElseHome)
{
    ScopedEnv xdg("XDG_CONFIG_HOME");
    ScopedEnv home("HOME");
    ::setenv("HOME", "/home/photographer", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "/cfg/ORBEK/Velmo.ini");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "/home/photographer/.config/ORBEK/Velmo.ini");
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1); // not absolute: ignored
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "/home/photographer/.config/ORBEK/Velmo.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(FileSettingsStore::DefaultPath(), "/home/photographer/.config/ORBEK/Velmo.ini");
}

TEST(ProcessSettingsTest, InstallReplacesTheStoreAndOldReferencesStayValid)
{
    SettingsStore& before = Settings();
    before.WriteProfileInt("Settings", "ProbeValue", 5);
    EXPECT_EQ(Settings().GetProfileInt("Settings", "ProbeValue", 0), 5);

    auto installed = std::make_shared<MemorySettingsStore>();
    InstallSettings(installed);
    EXPECT_EQ(&Settings(), installed.get());
    EXPECT_EQ(Settings().GetProfileInt("Settings", "ProbeValue", 0), 0);
    EXPECT_EQ(before.GetProfileInt("Settings", "ProbeValue", 0), 5);

    InstallSettings(nullptr); // back to a fresh memory store
    EXPECT_NE(&Settings(), installed.get());
    EXPECT_TRUE(Settings().WriteProfileInt("Settings", "ProbeValue", 1));
    EXPECT_EQ(Settings().GetProfileInt("Settings", "ProbeValue", 0), 1);
    InstallSettings(nullptr);
}

} // namespace
} // namespace velmo
