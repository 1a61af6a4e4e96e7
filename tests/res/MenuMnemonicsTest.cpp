// Menu access keys: the key of a text, clashes between the items of one
// menu, and velmo-lang-template's warning about them.
#include "res/LanguageFile.h"
#include "res/MenuMnemonics.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "support/ExternalTool.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace velmo {
namespace {

TEST(MenuMnemonicsTest, KeyOfAText)
{
    struct Case {
        const char* text;
        const char* key;
    } cases[] = {
        {"&Datei", "d"},
        {"Ö&ffnen...\tStrg+O", "f"},      // the shortcut's name is no key
        {"Vorschau&größe", "g"},          // a key of two bytes
        {"&Übersetzung", "\xC3\xBC"},     // capitals count as small letters
        {"Save && &Quit", "q"},           // "&&" is an ampersand
        {"Fish && Chips", ""},
        {"Open\t&Ctrl+O", ""},
        {"x&1", "1"},
        {"Trailing &", ""},
        {"No key", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MnemonicOf(c.text), c.key) << c.text;
}

// The English texts with some replaced, as a language file replaces them.
std::function<std::string(unsigned)> TextsWith(std::map<unsigned, std::string> replaced)
{
    return [replaced = std::move(replaced)](unsigned id) {
        const auto found = replaced.find(id);
        const char* english = EnglishString(id);
        return found != replaced.end() ? found->second : std::string(english != nullptr ? english : "");
    };
}

bool Reported(const std::vector<MnemonicClash>& clashes, const std::string& menu, const std::string& key,
              const std::vector<std::string>& items)
{
    for (const MnemonicClash& c : clashes)
        if (c.menu == menu && c.key == key && c.items == items)
            return true;
    return false;
}

TEST(MenuMnemonicsTest, ClashesWithinOneMenuOnly)
{
    // The menu bar: "&Edit" and a tools title on E.
    const auto clashes = FindMnemonicClashes(TextsWith({{IDS_POPUP_TOOLS, "&Extras"}}));
    EXPECT_TRUE(Reported(clashes, "menu 200", "e", {"&Edit", "&Extras"}));
    EXPECT_EQ(DescribeClash({"menu 200", "e", {"&Edit", "&Extras"}}),
              "menu 200: \"&Edit\" and \"&Extras\" share the access key e");
    EXPECT_EQ(DescribeClash({"menu 1", "a", {"&a", "&A", "&\xC3\xA4"}}).substr(8),
              "\"&a\", \"&A\" and \"&\xC3\xA4\" share the access key a");
    // A submenu on its own: two zoom items on one key; the same key in
    // another menu is no clash.
    const auto zoom = FindMnemonicClashes(TextsWith({{MenuText(ID_ZOOM_50), "&Fünfzig"}}));
    EXPECT_TRUE(Reported(zoom, "menu 200 > \"&View\" > \"&Zoom\"", "f", {"&Free size", "&Fit to Window", "&Fünfzig"}));
    const auto elsewhere = FindMnemonicClashes(TextsWith({{MenuText(ID_ZOOM_50), "&Quit"}}));
    for (const MnemonicClash& c : elsewhere)
        EXPECT_NE(c.key, "q") << DescribeClash(c);
    // The grid menu is also the View menu's Grid submenu: one report.
    const auto grid = FindMnemonicClashes(TextsWith({{MenuText(ID_GRID_2), "&2"}, {MenuText(ID_GRID_3), "&2"}}));
    int reports = 0;
    for (const MnemonicClash& c : grid)
        reports += c.key == "2";
    EXPECT_EQ(reports, 1);
}

// The template tool warns on its error output about the clashes of the
// file's texts, and writes the template all the same.
TEST(MenuMnemonicsTest, TemplateToolWarnsAboutSharedKeys)
{
    test::TempDir dir;
    const std::string file = dir.File("velmo0407.lang");
    std::ofstream(file) << "string 100 = " << EnglishString(IDS_BUILD_STAMP) << "\nstring 215 = Deutsch\n"
                        << "text 2 = &Bearbeiten\ntext 22 = &Beschnitt\n";
    const test::ToolOutput run = test::RunTool(VELMO_LANG_TEMPLATE_PATH, {file});
    ASSERT_TRUE(run.Ok()) << run.err;
    EXPECT_NE(run.err.find("warning: menu 200: \"&Bearbeiten\" and \"&Beschnitt\" share the access key b"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("text 22 = &Beschnitt"), std::string::npos);
    // The shipped German file has none.
    const test::ToolOutput shipped =
        test::RunTool(VELMO_LANG_TEMPLATE_PATH, {VELMO_SOURCE_DIR "/res/lang/velmo0407.lang"});
    ASSERT_TRUE(shipped.Ok()) << shipped.err;
    EXPECT_EQ(shipped.err.find("share the access key"), std::string::npos) << shipped.err;
}

} // namespace
} // namespace velmo
