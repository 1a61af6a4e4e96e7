#include "platform/core/IniFile.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmo {
namespace {

// A file as a user or another program may leave it: LF ends, comments,
// blank lines, text before the first section, a foreign section, a line
// without '=' and odd spacing.
constexpr const char* kMixedFile = "; parameter file\n"
                                   "stray=before any section\n"
                                   "\n"
                                   "[Other]\n"
                                   "gamma=9\n"
                                   "[Settings]\n"
                                   "  Gamma  =  0.450000  \n"
                                   "; a comment inside\n"
                                   "no equals sign here\n"
                                   "contrast=3\n"
                                   "\n"
                                   "[Tail]\n"
                                   "x=1\n";

TEST(IniFileTest, UnchangedDocumentWritesEveryLineBackWithCrlf)
{
    IniFile doc = IniFile::Parse(kMixedFile);
    std::string expected = kMixedFile;
    std::string crlf;
    for (char c : expected) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(doc.Serialize(), crlf);
    // CRLF input parses to the same document.
    EXPECT_EQ(IniFile::Parse(crlf).Serialize(), crlf);
    // A last line without a line end gains one; nothing else changes.
    EXPECT_EQ(IniFile::Parse("[A]\r\nk=v").Serialize(), "[A]\r\nk=v\r\n");
}

TEST(IniFileTest, WritesTouchOnlyTheirLine)
{
    IniFile doc = IniFile::Parse(kMixedFile);
    EXPECT_TRUE(doc.Set("SETTINGS", "gamma", "0.500000"));   // existing key, other spelling
    EXPECT_TRUE(doc.Set("Settings", "brightness", "-2"));    // new key in existing section
    EXPECT_TRUE(doc.Set("New", "a", "1"));                   // new section
    EXPECT_FALSE(doc.Set("Settings", "contrast", "3"));      // same value: no change
    EXPECT_EQ(doc.Serialize(), "; parameter file\r\n"
                               "stray=before any section\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "gamma=9\r\n"
                               "[Settings]\r\n"
                               "Gamma=0.500000\r\n"
                               "; a comment inside\r\n"
                               "no equals sign here\r\n"
                               "contrast=3\r\n"
                               "brightness=-2\r\n"
                               "\r\n"
                               "[Tail]\r\n"
                               "x=1\r\n"
                               "\r\n"
                               "[New]\r\n"
                               "a=1\r\n");
}

TEST(IniFileTest, ReadsIgnoreCaseBlanksAndLinesThatAreNotKeys)
{
    IniFile doc = IniFile::Parse(kMixedFile);
    EXPECT_EQ(doc.Get("settings", "GAMMA"), "0.450000");
    EXPECT_EQ(doc.Get(" Settings ", " contrast "), "3");
    EXPECT_EQ(doc.Get("other", "gamma"), "9");
    EXPECT_FALSE(doc.Get("Settings", "no equals sign here"));
    EXPECT_FALSE(doc.Get("Settings", "; a comment inside"));
    EXPECT_FALSE(doc.Get("Settings", "stray"));
    EXPECT_FALSE(doc.Get("Missing", "gamma"));
    EXPECT_EQ(doc.Sections(), (std::vector<std::string>{"Other", "Settings", "Tail"}));
    EXPECT_EQ(doc.Keys("settings"), (std::vector<std::string>{"Gamma", "contrast"}));
}

TEST(IniFileTest, ValuesLoseBlanksAndOnePairOfMatchingQuotes)
{
    struct Case {
        const char* line;
        const char* value;
        const char* raw;
    };
    const Case cases[] = {
        {"k=plain", "plain", "plain"},
        {"k=\t spaced out \t", "spaced out", "spaced out"},
        {"k=\"quoted\"", "quoted", "\"quoted\""},
        {"k='single'", "single", "'single'"},
        {"k=\" keep blanks \"", " keep blanks ", "\" keep blanks \""},
        {"k=\"\"twice\"\"", "\"twice\"", "\"\"twice\"\""},
        {"k=\"mismatch'", "\"mismatch'", "\"mismatch'"},
        {"k=\"", "\"", "\""},
        {"k=", "", ""},
        {"k=a=b", "a=b", "a=b"},
    };
    for (const Case& c : cases) {
        IniFile doc = IniFile::Parse(std::string("[S]\n") + c.line + "\n");
        EXPECT_EQ(doc.Get("S", "k"), c.value) << c.line;
        EXPECT_EQ(doc.GetRaw("S", "k"), c.raw) << c.line;
    }
}

TEST(IniFileTest, FirstOfDuplicateKeysAndSectionsIsReadAndWritten)
{
    IniFile doc = IniFile::Parse("[S]\nk=1\nk=2\n[s]\nk=3\nj=4\n");
    EXPECT_EQ(doc.Get("S", "k"), "1");
    EXPECT_FALSE(doc.Get("S", "j"));
    EXPECT_TRUE(doc.Set("S", "K", "5"));
    EXPECT_EQ(doc.Serialize(), "[S]\r\nk=5\r\nk=2\r\n[s]\r\nk=3\r\nj=4\r\n");
    EXPECT_TRUE(doc.Remove("S", "k"));
    EXPECT_EQ(doc.Get("S", "k"), "2");
}

TEST(IniFileTest, NewKeyFollowsTheLastKeyOfItsSection)
{
    IniFile doc = IniFile::Parse("[Empty]\n; note\n\n[S]\na=1\n; trailing comment\n\n[T]\n");
    doc.Set("Empty", "first", "1");
    doc.Set("S", "b", "2");
    EXPECT_EQ(doc.Serialize(), "[Empty]\r\nfirst=1\r\n; note\r\n\r\n[S]\r\na=1\r\nb=2\r\n; trailing comment\r\n\r\n[T]\r\n");
    IniFile fresh;
    fresh.Set("Settings", "version", "71");
    EXPECT_EQ(fresh.Serialize(), "[Settings]\r\nversion=71\r\n");
}

TEST(IniFileTest, RemoveSectionTakesAllItsLinesAndEveryCopy)
{
    IniFile doc = IniFile::Parse("[A]\na=1\n; in A\n[B]\nb=1\n[a]\nc=1\n");
    EXPECT_TRUE(doc.RemoveSection("A"));
    EXPECT_EQ(doc.Serialize(), "[B]\r\nb=1\r\n");
    EXPECT_FALSE(doc.RemoveSection("A"));
    EXPECT_FALSE(doc.Remove("B", "missing"));
}

TEST(IniFileTest, TextThatCouldNotBeReadBackIsRefused)
{
    IniFile doc = IniFile::Parse("[S]\nk=1\n");
    const std::string before = doc.Serialize();
    EXPECT_FALSE(doc.Set("S", "k", "line\nbreak"));
    EXPECT_FALSE(doc.Set("S", "k", "cr\r"));
    EXPECT_FALSE(doc.Set("S", "k", std::string_view("nul\0x", 5)));
    EXPECT_FALSE(doc.Set("S", "a=b", "1"));
    EXPECT_FALSE(doc.Set("S", "[k", "1"));
    EXPECT_FALSE(doc.Set("S", ";k", "1"));
    EXPECT_FALSE(doc.Set("S", "  ", "1"));
    EXPECT_FALSE(doc.Set("S]", "k", "1"));
    EXPECT_FALSE(doc.Set("", "k", "1"));
    EXPECT_FALSE(doc.Set("S\n[T", "k", "1"));
    EXPECT_EQ(doc.Serialize(), before);
}

TEST(IniFileTest, ByteOrderMarkDoesNotHideTheFirstSection)
{
    IniFile doc = IniFile::Parse("\xEF\xBB\xBF[Settings]\r\nk=1\r\n");
    EXPECT_EQ(doc.Get("Settings", "k"), "1");
    doc.Set("Settings", "k", "2");
    EXPECT_EQ(doc.Serialize(), "\xEF\xBB\xBF[Settings]\r\nk=2\r\n");
}

TEST(IniFileTest, GarbageParsesWithoutHarm)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    garbage += "\n[Settings\n]\n[]\n=\n[S]\n=v\n";
    IniFile doc = IniFile::Parse(garbage);
    EXPECT_FALSE(doc.Get("Settings", "k"));
    EXPECT_TRUE(doc.Set("Settings", "k", "1"));
    EXPECT_EQ(doc.Get("Settings", "k"), "1");
}

// The lookup index reads every text as the document does: the same lines,
// names, values and quotes, the first of duplicate sections and keys.
TEST(IniFileTest, IndexReadsWhatTheDocumentReads)
{
    std::string garbage;
    for (int i = 0; i < 2048; ++i)
        garbage += static_cast<char>((i * 7919 + 13) & 0xFF);
    const std::string texts[] = {
        "[S]\nk=1\nk=2\n[s]\nk=3\nj=4\n",
        "k=0\n[S]\r\n  K  =  ' quoted '  \r\n[T]\nk=\"a\"\n[S]\nk=late\n",
        "\xEF\xBB\xBF[Settings]\r\n\xEF\xBB\xBFk=bom\r\n; k=comment\r\n[Settings\nk=unclosed\n",
        "[ A ]b ]\nk = v = w\n=empty name\n[]\nk=blank section\n",
        garbage + "\n[Settings\n]\n[]\n=\n[S]\n=v\nk=after garbage\n",
    };
    const std::pair<const char*, const char*> queries[] = {
        {"S", "k"}, {"s", "K"}, {"S", "j"}, {" S ", " k "}, {"T", "k"}, {"Settings", "k"}, {"Settings", "K"},
        {"A ]b", "k"}, {"A", "k"}, {"A ]b", ""}, {"", "k"}, {"S", ""}, {"missing", "k"},
    };
    for (const std::string& text : texts) {
        const IniFile doc = IniFile::Parse(text);
        const IniIndex index(text);
        for (const auto& [section, key] : queries) {
            SCOPED_TRACE(std::string(section) + " / " + key);
            EXPECT_EQ(index.Get(section, key), doc.Get(section, key)) << text.substr(0, 60);
            EXPECT_EQ(index.GetRaw(section, key), doc.GetRaw(section, key)) << text.substr(0, 60);
        }
    }
}

TEST(IniFileTest, ProfileIntegerRule)
{
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"42", 42},
        {"  \t42", 42},
        {"+7", 7},
        {"-13", -13},
        {"12abc", 12},
        {"3.9", 3},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x1F", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseProfileInt(c.text), c.value) << '"' << c.text << '"';
}

} // namespace
} // namespace velmo
