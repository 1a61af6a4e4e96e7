// velmo-lang-template lists the texts a translator must give: the messages,
// titles, filters and progress labels of the engine and the application
// among them, each under its English text, and for the shipped German file
// with its translation (no line left commented out).
#include "res/LanguageFile.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "support/ExternalTool.h"

#include <gtest/gtest.h>

#include <string>

namespace velmo {
namespace {

struct Listed {
    unsigned id;
    const char* english;
};

// Texts the program shows in messages, dialog titles, filters and the
// status bar's progress.
const Listed kShownTexts[] = {
    {IDS_RAF_CANNOT_OPEN, "The file cannot be opened."},
    {IDS_RAF_UNPACK_FAILED, "The compressed raw data of this file cannot be unpacked: the file is damaged."},
    {IDS_RAF_SECOND_FRAME_MISSING,
     "The RAW file is damaged: the second of its two frames is missing or incomplete.\n%1"},
    {IDS_FILE_NOT_WRITTEN, "The file could not be written:\n%1"},
    {IDS_FILE_NOT_READ, "The file could not be read:\n%1"},
    {IDS_SAVE_LENS_EMPTY, "The lens correction leaves no picture in the area to save.\nNothing was written."},
    {IDS_COLOR_FALLBACK, "LittleCMS cannot convert the colours from the output colour space to the display "
                         "profile.\nThe picture is shown without colour conversion."},
    {IDS_LOAD_CROP_TITLE, "Load CropFrame"},
    {IDS_FILTER_CROP_FRAME, "velmo crop frame(*.VMF)|*.VMF||"},
    {IDS_FILTER_OUTPUT,
     "PSD 16bpp(*.PSD)|*.PSD|PSD 8bpp(*.PSD)|*.PSD|TIFF 16bpp(*.TIF)|*.TIF|TIFF 8bpp(*.TIF)|*.TIF|JPEG (*.JPG)|*.JPG||"},
    {IDS_HONEYCOMB_OFF, "HoneyCum:off"},
};
const char* const kProgressLabels[] = {"making FullPreview", "Unzipping", "Loading", "PASS1", "Bilateral NR 1/2",
                                       "Writing PSD", "InterpolateEXR-2", "make preview1"};

// The id of a progress label's English text, 0 when it has none.
unsigned ProgressLabelId(const std::string& label)
{
    for (size_t i = 0; i < kEnglishStringCount; ++i)
        if (kEnglishStrings[i].id >= IDS_PROGRESS_FIRST && kEnglishStrings[i].id <= IDS_PROGRESS_LAST &&
            label == kEnglishStrings[i].text)
            return kEnglishStrings[i].id;
    return 0;
}

TEST(LanguageTemplateTest, ListsTheShownTextsUnderTheirEnglish)
{
    const test::ToolOutput run = test::RunTool(VELMO_LANG_TEMPLATE_PATH, {});
    ASSERT_TRUE(run.Ok()) << run.err;
    for (const Listed& t : kShownTexts) {
        const std::string line = LanguageFileLine(t.id, t.english);
        EXPECT_NE(run.out.find("\n# " + line + "\n#" + line + "\n"), std::string::npos) << line;
    }
    for (const char* label : kProgressLabels) {
        const unsigned id = ProgressLabelId(label);
        ASSERT_NE(id, 0u) << label;
        EXPECT_NE(run.out.find("\n# " + LanguageFileLine(id, label) + "\n"), std::string::npos) << label;
    }
}

TEST(LanguageTemplateTest, ShippedGermanFileTranslatesTheShownTexts)
{
    const test::ToolOutput run =
        test::RunTool(VELMO_LANG_TEMPLATE_PATH, {VELMO_SOURCE_DIR "/res/lang/velmo0407.lang"});
    ASSERT_TRUE(run.Ok()) << run.err;
    EXPECT_EQ(run.out.find("\n#text "), std::string::npos) << "a text without its German line";
    const std::optional<LanguageFile> german = ReadLanguageFile(VELMO_SOURCE_DIR "/res/lang/velmo0407.lang");
    ASSERT_TRUE(german.has_value());
    for (const Listed& t : kShownTexts) {
        ASSERT_EQ(german->texts.count(t.id), 1u) << t.english;
        const std::string& translated = german->texts.at(t.id);
        EXPECT_NE(translated, t.english);
        EXPECT_NE(run.out.find("\n# " + LanguageFileLine(t.id, t.english) + "\n" +
                               LanguageFileLine(t.id, translated) + "\n"),
                  std::string::npos)
            << t.english;
    }
}

} // namespace
} // namespace velmo
