// Language files: the translations of the program's texts, one UTF-8 text
// file per language beside the executable.
//
// Name: the program's path (without an extension, if its file name has one),
// the language id as four lower-case hexadecimal digits, then ".lang": a
// program /opt/velmo/velmo reads German (0x0407) from /opt/velmo/velmo0407.lang.
//
// Contents, one entry a line:
//     KIND ID = TEXT
// with KIND and ID one of
//     string N       the string-table entry N (prompts, messages, lists)
//     menu N         the menu item text of command N
//     text N         a popup title or another text of our own (kPopupTextBase + N)
//     dialog D       the caption of dialog or palette D
//     control D C    the caption of control C in dialog D
// TEXT is the rest of the line, UTF-8, blanks around it ignored; write it in
// double quotes to keep blanks at its ends. Escapes: \n line break, \t tab,
// \\ backslash, \" quote. Blank lines and lines starting with '#' are
// comments. A file belongs to this build when its "string 100" equals the
// program's own (the build stamp); "string 215" names its language (not
// empty), "string 216" its translator.
//
// A translation is taken only where it is safe: an entry the program has no
// English text for, an entry whose printf conversions (%d, %s, %04x ...)
// differ from the English ones, and a list ("a|b|c||") with another number of
// items are left out, and the English text is shown instead.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

inline constexpr const char* kLanguageFileExtension = ".lang";

struct LanguageFile {
    std::map<unsigned, std::string> texts; // by string-table id (res/ResourceIds.h)
    std::vector<std::string> problems;     // "line 12: ..." for every line left out
};

// Parses the contents of a language file.
LanguageFile ParseLanguageFile(std::string_view contents);
// Reads and parses path; nullopt when it cannot be read or is too large.
std::optional<LanguageFile> ReadLanguageFile(const std::string& path);

// The entry's key as a language file writes it ("menu 57601").
std::string LanguageKeyName(unsigned id);
// One line of a language file for id and text (escaped, quoted if needed).
std::string LanguageFileLine(unsigned id, std::string_view text);

// The printf conversions of a text in order ("%04x", "%d"; "%%" is none).
std::vector<std::string> FormatConversions(std::string_view text);
// The entries of a file that may replace the English texts; every entry left
// out adds a line to problems.
std::map<unsigned, std::string> AcceptedTranslations(const std::map<unsigned, std::string>& texts,
                                                     std::vector<std::string>* problems);

// True when the file carries this build's stamp and names its language.
bool BelongsToThisBuild(const LanguageFile& file);

// The language file's path: base + the id as "%04x" + ".lang".
std::string LanguageFilePath(const std::string& base, int langId);
// The base of the language files of a program (its path without an extension).
std::string LanguageFileBase(const std::string& programPath);
// The language id of a file name in the folder of base's files; nullopt
// unless the name is exactly what LanguageFilePath gives for some id 1..0xFFFF.
std::optional<int> LanguageIdOfFile(const std::string& baseName, const std::string& fileName);

} // namespace velmo
