#include "res/StringTable.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

// An id that the built-in table does not hold.
unsigned AbsentId()
{
    unsigned id = 1;
    for (size_t i = 0; i < kEnglishStringCount && kEnglishStrings[i].id <= id; ++i)
        if (kEnglishStrings[i].id == id)
            ++id;
    return id;
}

class StringTableTest : public ::testing::Test {
protected:
    void TearDown() override { SetStringOverrides({}); }
};

// The lookup is a binary search: it needs the table sorted, ids unique.
TEST_F(StringTableTest, EnglishTableIsSortedAndEveryEntryIsFound)
{
    ASSERT_GT(kEnglishStringCount, 0u);
    for (size_t i = 1; i < kEnglishStringCount; ++i)
        EXPECT_LT(kEnglishStrings[i - 1].id, kEnglishStrings[i].id) << "at index " << i;
    for (size_t i = 0; i < kEnglishStringCount; ++i) {
        ASSERT_NE(kEnglishStrings[i].text, nullptr) << kEnglishStrings[i].id;
        EXPECT_TRUE(HasString(kEnglishStrings[i].id));
        EXPECT_EQ(LoadString(kEnglishStrings[i].id), kEnglishStrings[i].text);
    }
}

TEST_F(StringTableTest, AbsentIdGivesEmptyText)
{
    const unsigned absent = AbsentId();
    EXPECT_FALSE(HasString(absent));
    EXPECT_EQ(LoadString(absent), "");
}

TEST_F(StringTableTest, OverridesReplaceAndAddUntilCleared)
{
    const StringEntry& first = kEnglishStrings[0];
    const unsigned absent = AbsentId();
    SetStringOverrides({{first.id, "Erster Text"}, {absent, "Neu"}});
    EXPECT_EQ(LoadString(first.id), "Erster Text");
    EXPECT_EQ(LoadString(absent), "Neu");
    EXPECT_TRUE(HasString(absent));
    if (kEnglishStringCount > 1) { // entries the language file leaves out stay English
        EXPECT_EQ(LoadString(kEnglishStrings[1].id), kEnglishStrings[1].text);
    }

    SetStringOverrides({});
    EXPECT_EQ(LoadString(first.id), first.text);
    EXPECT_FALSE(HasString(absent));
}

} // namespace
// A message with placeholders: each argument goes where the text (English
// or a translation) puts its number, once, as it is.
TEST_F(StringTableTest, FormatStringPutsTheArgumentsWhereTheTextSays)
{
    const unsigned id = AbsentId();
    struct Case {
        const char* text;
        std::vector<std::string> arguments;
        const char* expected;
    };
    const Case cases[] = {
        {"%1 (%2 of %3)", {"a.RAF", "1", "2"}, "a.RAF (1 of 2)"},
        {"%2 von %3: %1", {"a.RAF", "1", "2"}, "1 von 2: a.RAF"},
        {"cut short:\n%1", {"/x/50%2 %1.RAF"}, "cut short:\n/x/50%2 %1.RAF"},
        {"100%% of %1", {"x"}, "100% of x"},
        {"%1 and %2", {"only"}, "only and "},
        {"no placeholder", {"x"}, "no placeholder"},
        {"ends in %", {}, "ends in %"},
    };
    for (const Case& c : cases) {
        SetStringOverrides({{id, c.text}});
        EXPECT_EQ(FormatString(id, c.arguments), c.expected) << c.text;
    }
}

} // namespace velmo
