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
} // namespace velmo
