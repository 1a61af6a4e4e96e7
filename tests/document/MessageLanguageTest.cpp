// The engine's messages in the language loaded: a damaged RAF file, a
// refused profile, a file that cannot be read or written. Each names its
// path where the language puts it, and stays the English text, byte for
// byte, when no language is loaded.
#include "develop/colour/ColorManagement.h"
#include "develop/output/OutputFile.h"
#include "raw/Placement.h"
#include "raw/RafContainer.h"
#include "res/LanguageFile.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace velmo {
namespace {

class MessageLanguageTest : public ::testing::Test {
protected:
    void TearDown() override { SetStringOverrides({}); }

    static void LoadGerman()
    {
        const std::optional<LanguageFile> file = ReadLanguageFile(VELMO_SOURCE_DIR "/res/lang/velmo0407.lang");
        ASSERT_TRUE(file.has_value());
        SetStringOverrides(AcceptedTranslations(file->texts, nullptr));
    }
};

constexpr char kPath[] = "/home/anna/Bilder/100% DSCF0001.RAF";

std::string FrameMessage(FrameDataStatus status)
{
    FrameDataCheck check;
    check.status = status;
    return FrameDataMessage(check, kPath);
}

struct MessageCase {
    const char* name;
    std::function<std::string()> text;
    const char* english;
    const char* german;
};

const MessageCase kMessages[] = {
    {"not a RAF", [] { return RafErrorText(RafError::NotRaf); }, "This is not FUJI CCD-RAW.",
     "Dies ist keine FUJI-CCD-RAW-Datei."},
    {"cannot open", [] { return RafErrorText(RafError::CannotOpen); }, "The file cannot be opened.",
     "Die Datei kann nicht geöffnet werden."},
    {"damaged header", [] { return RafErrorText(RafError::DamagedHeader); },
     "The RAW file is damaged: its header is incomplete.",
     "Die RAW-Datei ist beschädigt: ihr Dateikopf ist unvollständig."},
    {"damaged records", [] { return RafErrorText(RafError::DamagedRecords); },
     "The RAW file is damaged: its CFA header records are incomplete.",
     "Die RAW-Datei ist beschädigt: ihre CFA-Kopfdatensätze sind unvollständig."},
    {"raw data missing", [] { return RafErrorText(RafError::RawDataMissing); },
     "The RAW file holds no complete image data: the raw data is missing or cut short.",
     "Die RAW-Datei enthält keine vollständigen Bilddaten: die Rohdaten fehlen oder sind abgeschnitten."},
    {"unpack failed", [] { return RafErrorText(RafError::UnpackFailed); },
     "The compressed raw data of this file cannot be unpacked: the file is damaged.",
     "Die komprimierten Rohdaten dieser Datei lassen sich nicht entpacken: die Datei ist beschädigt."},
    {"second frame short",
     [] { return FrameMessage(FrameDataStatus::Short); },
     "/home/anna/Bilder/100% DSCF0001.RAF is cut short; the picture may be damaged",
     "/home/anna/Bilder/100% DSCF0001.RAF ist abgeschnitten; das Bild kann beschädigt sein"},
    {"second frame missing",
     [] { return FrameMessage(FrameDataStatus::Missing); },
     "The RAW file is damaged: the second of its two frames is missing or incomplete.\n"
     "/home/anna/Bilder/100% DSCF0001.RAF",
     "Die RAW-Datei ist beschädigt: das zweite ihrer zwei Teilbilder fehlt oder ist unvollständig.\n"
     "/home/anna/Bilder/100% DSCF0001.RAF"},
    {"write failure",
     [] { return DescribeWriteFailure(WriteResult::Failure(WriteStatus::CannotCreate, "Permission denied"), kPath); },
     "The file could not be written:\n/home/anna/Bilder/100% DSCF0001.RAF\n(Permission denied)",
     "Die Datei konnte nicht geschrieben werden:\n/home/anna/Bilder/100% DSCF0001.RAF\n(Permission denied)"},
    {"profile cut short", [] { return ProfileRefusalText(ProfileStatus::TooShort, kPath); },
     "The ICC profile is cut short:\n/home/anna/Bilder/100% DSCF0001.RAF",
     "Das ICC-Profil ist abgeschnitten:\n/home/anna/Bilder/100% DSCF0001.RAF"},
    {"profile too large", [] { return ProfileRefusalText(ProfileStatus::TooLarge, kPath); },
     "The file is too large to be an ICC profile:\n/home/anna/Bilder/100% DSCF0001.RAF",
     "Die Datei ist zu groß für ein ICC-Profil:\n/home/anna/Bilder/100% DSCF0001.RAF"},
    {"not a profile", [] { return ProfileRefusalText(ProfileStatus::Invalid, kPath); },
     "The file is not an ICC profile:\n/home/anna/Bilder/100% DSCF0001.RAF",
     "Die Datei ist kein ICC-Profil:\n/home/anna/Bilder/100% DSCF0001.RAF"},
    {"profile damaged", [] { return ProfileRefusalText(ProfileStatus::Damaged, kPath); },
     "The ICC profile is damaged: its tags point outside the file:\n/home/anna/Bilder/100% DSCF0001.RAF",
     "Das ICC-Profil ist beschädigt: seine Tags zeigen aus der Datei hinaus:\n/home/anna/Bilder/100% DSCF0001.RAF"},
};

TEST_F(MessageLanguageTest, EngineMessagesAreEnglishWithoutALanguage)
{
    for (const MessageCase& c : kMessages)
        EXPECT_EQ(c.text(), c.english) << c.name;
}

TEST_F(MessageLanguageTest, EngineMessagesFollowTheLanguageLoaded)
{
    LoadGerman();
    for (const MessageCase& c : kMessages)
        EXPECT_EQ(c.text(), c.german) << c.name;
}

// Every error the reader can give has a text of the string table, which a
// language file can replace; the status of a read carries it.
TEST_F(MessageLanguageTest, EveryRafErrorHasAStringOfItsOwn)
{
    const RafError errors[] = {RafError::CannotOpen,     RafError::NotRaf,         RafError::UnknownModel,
                               RafError::DamagedHeader,  RafError::DamagedRecords, RafError::RawDataMissing,
                               RafError::UnpackFailed};
    std::map<unsigned, std::string> marked;
    for (RafError e : errors) {
        const unsigned id = RafErrorStringId(e);
        ASSERT_NE(id, 0u) << int(e);
        EXPECT_TRUE(HasString(id)) << id;
        EXPECT_EQ(marked.count(id), 0u) << "two errors share " << id;
        marked[id] = "translated " + std::to_string(id);
    }
    SetStringOverrides(marked);
    for (RafError e : errors)
        EXPECT_EQ(RafErrorText(e), "translated " + std::to_string(RafErrorStringId(e)));
    EXPECT_EQ(RafErrorText(RafError::None), "");
}

// The status bar's progress label: a label the engine reports by its English
// text is shown in the language loaded; anything else as it is.
TEST_F(MessageLanguageTest, ProgressLabelsFollowTheLanguageLoaded)
{
    struct LabelCase {
        const char* english;
        const char* german;
    };
    const LabelCase labels[] = {
        {"making FullPreview", "Vollbildvorschau erstellen"}, {"Unzipping", "Entpacken"},
        {"Allocating memory", "Speicher wird belegt"},        {"PASS8", "Durchgang 8"},
        {"Median NR", "Median-Rauschminderung"},              {"Writing JPEG", "JPEG schreiben"},
        {"Interpolate SR", "SR interpolieren"},               {"Adjusting black level", "Schwarzwert anpassen"},
    };
    for (const LabelCase& c : labels)
        EXPECT_EQ(ProgressLabelText(c.english), c.english);
    LoadGerman();
    for (const LabelCase& c : labels)
        EXPECT_EQ(ProgressLabelText(c.english), c.german);
    EXPECT_EQ(ProgressLabelText("DSCF0001.RAF"), "DSCF0001.RAF");
    EXPECT_EQ(ProgressLabelText(""), "");
}

} // namespace
} // namespace velmo
