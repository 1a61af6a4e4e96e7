// Language files: the line format, the file-name rule, the checks that keep a
// translation from breaking a format or a list, and the shipped German file.
#include "res/LanguageFile.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

TEST(LanguageFileTest, EveryKindOfEntryGoesToItsId)
{
    const LanguageFile file = ParseLanguageFile("\xEF\xBB\xBF# comment\r\n"
                                                "string 61232 = Jetzt neu starten?\r\n"
                                                "\n"
                                                "   # indented comment\n"
                                                "menu 57601 = Ö&ffnen...\\tStrg+O\n"
                                                "text 1 = &Datei\n"
                                                "dialog 120 = Info über velmo\n"
                                                "control 120 2723 =   Übersetzung  \n"
                                                "control 129 2500 = \"  Pegel \"\n"
                                                "string 33801=Palette zeigen\\nParameter\n"
                                                "string 61219 = \" wurde \\\"gespeichert\\\".\"\n"
                                                "string 2 = a\\\\b\\q");
    EXPECT_TRUE(file.problems.empty()) << file.problems.front();
    const std::map<unsigned, std::string> expected = {
        {61232, "Jetzt neu starten?"},
        {MenuText(57601), "Ö&ffnen...\tStrg+O"},
        {IDS_POPUP_FILE, "&Datei"},
        {DialogCaption(IDD_ABOUTBOX), "Info über velmo"},
        {ControlCaption(IDD_ABOUTBOX, IDC_ABOUT_TRANSLATOR_LABEL), "Übersetzung"},
        {ControlCaption(IDD_HISTOGRAM_BAR, IDC_HISTOGRAM_LEVEL), "  Pegel "},
        {33801, "Palette zeigen\nParameter"},
        {61219, " wurde \"gespeichert\"."},
        {2, "a\\b\\q"},
    };
    EXPECT_EQ(file.texts, expected);
}

TEST(LanguageFileTest, BadLinesAreReportedAndLeftOut)
{
    const LanguageFile file = ParseLanguageFile("string 215 = Deutsch\n"
                                                "no equals sign here\n"
                                                "string x12 = keine Zahl\n"
                                                "string 70000 = zu groß für einen String\n"
                                                "menu 1 2 = zwei Zahlen\n"
                                                "control 120 = ein Steuerelement ohne Nummer\n"
                                                "picture 5 = unbekannte Art\n"
                                                "string 216 = \xC3\x28 kaputtes UTF-8\n"
                                                "string 215 = Deutsch (zweimal)\n");
    EXPECT_EQ(file.texts, (std::map<unsigned, std::string>{{215, "Deutsch (zweimal)"}}));
    ASSERT_EQ(file.problems.size(), 8u);
    EXPECT_EQ(file.problems[0].rfind("line 2:", 0), 0u) << file.problems[0];
    EXPECT_NE(file.problems[6].find("UTF-8"), std::string::npos) << file.problems[6];
    EXPECT_NE(file.problems[7].find("line 9"), std::string::npos) << file.problems[7];
}

// Every English text survives being written as a line and read back, so the
// template a translator starts from says exactly what the program shows.
TEST(LanguageFileTest, LinesRoundTripEveryEnglishText)
{
    std::string contents;
    for (size_t i = 0; i < kEnglishStringCount; ++i)
        contents += LanguageFileLine(kEnglishStrings[i].id, kEnglishStrings[i].text) + "\n";
    const LanguageFile file = ParseLanguageFile(contents);
    EXPECT_TRUE(file.problems.empty());
    ASSERT_EQ(file.texts.size(), kEnglishStringCount);
    for (size_t i = 0; i < kEnglishStringCount; ++i)
        EXPECT_EQ(file.texts.at(kEnglishStrings[i].id), kEnglishStrings[i].text) << LanguageKeyName(kEnglishStrings[i].id);
}

TEST(LanguageFileTest, FormatConversionsAsPrintfReadsThem)
{
    struct Case {
        const char* text;
        std::vector<std::string> conversions;
    };
    const Case cases[] = {
        {"Your default language is %04x-%d", {"%04x", "%d"}},
        {"%s %02d%%", {"%s", "%02d"}},
        {"100%", {"%"}},                // a lone '%' counts too
        {"between %1 and %2.", {"%1", "%2"}}, // placeholders with their digits
        {"50% Größe", {"% G"}},         // printf reads "% G" as a conversion
        {"%-8.3lf|%*d|%1$s", {"%-8.3lf", "%*d", "%1$s"}},
        {"no conversions, 100%% sure", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatConversions(c.text), c.conversions) << c.text;
}

TEST(LanguageFileTest, TranslationsThatCouldBreakTheProgramAreLeftOut)
{
    // English: 201 "Your default language is %04x-%d", 61231 a list of four
    // items, 61232 no conversion.
    const std::map<unsigned, std::string> texts = {
        {IDS_ABOUT_LANGUAGE_FORMAT, "Ihre Sprache: %04x, Codepage %d"},   // same conversions
        {IDS_RESTART_LANGUAGE, "Jetzt %s neu starten?"},                   // a %s English lacks
        {IDS_SIZE_NAMES, "Voll|9/16|Viertel||"},                           // one item short
        {IDS_SIZE_PANE, "0000x0000"},                                      // unchanged
        {MenuText(ID_ZOOM_50), "50 %"},                                    // "%" as in English
        {0x2FFFF, "ein Text, den es nicht gibt"},
    };
    std::vector<std::string> problems;
    const std::map<unsigned, std::string> accepted = AcceptedTranslations(texts, &problems);
    EXPECT_EQ(accepted, (std::map<unsigned, std::string>{{IDS_ABOUT_LANGUAGE_FORMAT, "Ihre Sprache: %04x, Codepage %d"},
                                                         {IDS_SIZE_PANE, "0000x0000"},
                                                         {MenuText(ID_ZOOM_50), "50 %"}}));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[0].find("string 61231"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("string 61232"), std::string::npos) << problems[1];
}

TEST(LanguageFileTest, FileNamesFollowTheProgramsNameAndTheLanguageId)
{
    EXPECT_EQ(LanguageFileBase("/opt/velmo/bin/velmo"), "/opt/velmo/bin/velmo");
    EXPECT_EQ(LanguageFileBase("/opt/velmo-1.0/velmo"), "/opt/velmo-1.0/velmo");
    EXPECT_EQ(LanguageFileBase("/opt/tools/velmo.bin"), "/opt/tools/velmo");
    EXPECT_EQ(LanguageFilePath("/opt/velmo/velmo", 0x407), "/opt/velmo/velmo0407.lang");
    EXPECT_EQ(LanguageFilePath("/opt/velmo/velmo", 0x1009), "/opt/velmo/velmo1009.lang");

    struct Case {
        const char* name;
        std::optional<int> langId;
    };
    const Case cases[] = {
        {"velmo0407.lang", 0x407},   {"velmo040c.lang", 0x40c},  {"velmoffff.lang", 0xffff},
        {"velmo040C.lang", {}},      // loading would ask for "040c"
        {"velmo407.lang", {}},       {"velmo00407.lang", {}},    {"velmo04zz.lang", {}},
        {"velmo0x07.lang", {}},      {"velmo 407.lang", {}},     {"velmo0000.lang", {}},
        {"velmo0407.LANG", {}},      {"velmo0407.lang~", {}},    {"velmo0407.DLL", {}},
        {"velmx0407.lang", {}},      {"xvelmo0407.lang", {}},    {"velmo.lang", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageIdOfFile("velmo", c.name), c.langId) << c.name;
}

TEST(LanguageFileTest, OnlyFilesOfThisBuildWithANameBelong)
{
    const std::string stamp = EnglishString(IDS_BUILD_STAMP);
    EXPECT_TRUE(BelongsToThisBuild(ParseLanguageFile("string 100 = " + stamp + "\nstring 215 = Deutsch\n")));
    std::string other = stamp;
    other.back() = other.back() == '9' ? '8' : '9';
    EXPECT_FALSE(BelongsToThisBuild(ParseLanguageFile("string 100 = " + other + "\nstring 215 = Deutsch\n")));
    EXPECT_FALSE(BelongsToThisBuild(ParseLanguageFile("string 100 = " + stamp + "\nstring 215 = \n")));
    EXPECT_FALSE(BelongsToThisBuild(ParseLanguageFile("string 215 = Deutsch\n")));
}

// The German file shipped with the program translates every text of this
// build and is taken whole. A new text needs its German line too:
//     velmo-lang-template res/lang/velmo0407.lang
TEST(LanguageFileTest, ShippedGermanTranslationIsCompleteAndAccepted)
{
    const std::optional<LanguageFile> file = ReadLanguageFile(VELMO_SOURCE_DIR "/res/lang/velmo0407.lang");
    ASSERT_TRUE(file.has_value());
    for (const std::string& problem : file->problems)
        ADD_FAILURE() << problem;
    EXPECT_TRUE(BelongsToThisBuild(*file));
    EXPECT_EQ(file->texts.at(IDS_LANGUAGE_NAME), "Deutsch");
    for (size_t i = 0; i < kEnglishStringCount; ++i)
        EXPECT_EQ(file->texts.count(kEnglishStrings[i].id), 1u)
            << "no German text for " << LanguageFileLine(kEnglishStrings[i].id, kEnglishStrings[i].text);
    std::vector<std::string> refused;
    EXPECT_EQ(AcceptedTranslations(file->texts, &refused).size(), file->texts.size());
    for (const std::string& problem : refused)
        ADD_FAILURE() << problem;
    // Names the desktop and the settings keep stay as they are.
    EXPECT_EQ(file->texts.at(IDS_BUILD_STAMP), EnglishString(IDS_BUILD_STAMP));
    EXPECT_NE(file->texts.at(IDS_DOC_STRINGS).find("\nVelmo.Document\n"), std::string::npos);
}

} // namespace
} // namespace velmo
