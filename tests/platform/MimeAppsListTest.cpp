// mimeapps.list edited line by line: the key's line changes, every other
// byte stays, and a binding added then removed leaves the file as it was.
#include "platform/core/MimeAppsList.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

constexpr const char* kRaf = "image/x-fuji-raf";

// A user's file with comments, odd spacing, another desktop's section and
// an unrelated duplicate key elsewhere.
constexpr const char* kUserFile = "# my associations\n"
                                  "[Added Associations]\n"
                                  "image/x-fuji-raf=gimp.desktop;\n"
                                  "\n"
                                  "[Default Applications]\n"
                                  "text/plain = gedit.desktop;   \n"
                                  "  # keep pictures in the viewer\n"
                                  "image/x-fuji-raf =  rawviewer.desktop;\n"
                                  "image/png=eog.desktop;\n"
                                  "\n"
                                  "[Removed Associations]\n"
                                  "image/jpeg=gimp.desktop;\n";

TEST(MimeAppsListTest, ReadsTheValueOfTheRightSection)
{
    const MimeAppsList list(kUserFile);
    EXPECT_EQ(list.Get(kDefaultApplicationsSection, kRaf), "rawviewer.desktop;");
    EXPECT_EQ(list.Get(kDefaultApplicationsSection, "text/plain"), "gedit.desktop;   ");
    EXPECT_EQ(list.Get("Added Associations", kRaf), "gimp.desktop;");
    EXPECT_EQ(list.Get(kDefaultApplicationsSection, "image/jpeg"), std::nullopt);
    EXPECT_EQ(list.Get("No Such Section", kRaf), std::nullopt);
    EXPECT_EQ(list.Text(), kUserFile);
}

TEST(MimeAppsListTest, SetChangesOnlyTheValueOfItsLine)
{
    MimeAppsList list(kUserFile);
    EXPECT_TRUE(list.Set(kDefaultApplicationsSection, kRaf, "velmo.desktop;"));
    std::string expected = kUserFile;
    expected.replace(expected.find("rawviewer.desktop;"), 18, "velmo.desktop;");
    EXPECT_EQ(list.Text(), expected);
    EXPECT_FALSE(list.Set(kDefaultApplicationsSection, kRaf, "velmo.desktop;")); // no change
    // Back to the old value: byte for byte the user's file.
    EXPECT_TRUE(list.Set(kDefaultApplicationsSection, kRaf, "rawviewer.desktop;"));
    EXPECT_EQ(list.Text(), kUserFile);
}

// Adding a binding the file lacks, then removing it, gives the file back.
TEST(MimeAppsListTest, AddedThenRemovedLeavesTheFileAsItWas)
{
    const char* files[] = {
        "",                                                            // no file yet
        "[Default Applications]\ntext/plain=gedit.desktop;\n",         // section without the key
        "[Default Applications]\ntext/plain=gedit.desktop;\n\n[Added Associations]\nimage/png=eog.desktop;\n",
        "[Added Associations]\nimage/png=eog.desktop;\n",              // no such section
        "# only a comment\n",
        "[Default Applications]\r\ntext/plain=gedit.desktop;\r\n",      // CRLF
        "[Default Applications]\n",                                    // an empty section
    };
    for (const char* original : files) {
        MimeAppsList list(original);
        ASSERT_TRUE(list.Set(kDefaultApplicationsSection, kRaf, "velmo.desktop;")) << original;
        EXPECT_EQ(MimeAppsList(list.Text()).Get(kDefaultApplicationsSection, kRaf), "velmo.desktop;") << original;
        const std::string added = list.Text();
        // The new line sits in the section, right after its entries.
        if (std::string(original).find("text/plain") != std::string::npos) {
            const std::string ending = std::string(original).find('\r') != std::string::npos ? "\r\n" : "\n";
            EXPECT_NE(added.find("gedit.desktop;" + ending + kRaf + "=velmo.desktop;" + ending), std::string::npos)
                << added;
        }
        ASSERT_TRUE(list.Remove(kDefaultApplicationsSection, kRaf)) << original;
        const bool emptySection = std::string(original) == "[Default Applications]\n";
        if (!emptySection)
            EXPECT_EQ(list.Text(), original);
        else
            EXPECT_EQ(list.Text(), ""); // a section left with no line at all goes too
    }
}

TEST(MimeAppsListTest, RemoveTouchesOnlyThatKeyInThatSection)
{
    MimeAppsList list(kUserFile);
    EXPECT_TRUE(list.Remove(kDefaultApplicationsSection, kRaf));
    std::string expected = kUserFile;
    expected.erase(expected.find("image/x-fuji-raf =  rawviewer"), std::string("image/x-fuji-raf =  rawviewer.desktop;\n").size());
    EXPECT_EQ(list.Text(), expected);
    EXPECT_EQ(list.Get("Added Associations", kRaf), "gimp.desktop;");
    EXPECT_FALSE(list.Remove(kDefaultApplicationsSection, kRaf));
    EXPECT_FALSE(list.Remove(kDefaultApplicationsSection, "image/jpeg"));
}

TEST(MimeAppsListTest, LastLineWithoutLineEndingGetsOneBeforeANewLine)
{
    MimeAppsList list("[Default Applications]\ntext/plain=gedit.desktop;");
    EXPECT_TRUE(list.Set(kDefaultApplicationsSection, kRaf, "velmo.desktop;"));
    EXPECT_EQ(list.Text(), "[Default Applications]\ntext/plain=gedit.desktop;\nimage/x-fuji-raf=velmo.desktop;\n");
}

} // namespace
} // namespace velmo
