// velmo-lang-template [FILE]: prints a language file with every text of this
// build, each under a comment with its English text. With FILE, its leading
// comment block and its translations are kept; texts it lacks are printed as
// commented-out lines with the English text, for the translator to fill in:
//     velmo-lang-template res/lang/velmo0407.lang > updated.lang
// Items of one menu that share an access key (the letter after '&') are
// warned about on the error output, for FILE's texts (English without FILE).
#include "res/LanguageFile.h"
#include "res/MenuMnemonics.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

int main(int argc, char** argv)
{
    using namespace velmo;
    LanguageFile existing;
    std::map<unsigned, std::string> accepted; // the texts the program would take from FILE
    std::string header = "# Velmo language file. One text a line: KIND ID = TEXT, KIND being\n"
                         "# string, menu, text, dialog or control (control DIALOG ID). \\n is a line\n"
                         "# break, \\t a tab; quotes keep blanks at the ends. Keep the %\n"
                         "# conversions and the number of '|' items of the English text.\n";
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs("usage: velmo-lang-template [FILE.lang]\n", stdout);
        return 0;
    }
    if (argc > 1) {
        std::optional<LanguageFile> file = ReadLanguageFile(argv[1]);
        if (!file) {
            std::fprintf(stderr, "velmo-lang-template: cannot read %s\n", argv[1]);
            return 1;
        }
        existing = std::move(*file);
        for (const std::string& problem : existing.problems)
            std::fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());
        accepted = AcceptedTranslations(existing.texts, nullptr);
        // The file's own first comment lines describe it.
        std::ifstream in(argv[1]);
        std::string line;
        std::string own;
        while (std::getline(in, line) && !line.empty() && line[0] == '#')
            own += line + "\n";
        if (!own.empty())
            header = own;
    }
    const auto text = [&accepted](unsigned id) {
        const auto found = accepted.find(id);
        const char* english = EnglishString(id);
        return found != accepted.end() ? found->second : std::string(english != nullptr ? english : "");
    };
    for (const MnemonicClash& clash : FindMnemonicClashes(text))
        std::fprintf(stderr, "velmo-lang-template: %s: warning: %s\n", argc > 1 ? argv[1] : "English",
                     DescribeClash(clash).c_str());
    std::fputs(header.c_str(), stdout);
    for (size_t i = 0; i < kEnglishStringCount; ++i) {
        const StringEntry& entry = kEnglishStrings[i];
        std::printf("\n# %s\n", LanguageFileLine(entry.id, entry.text).c_str());
        const auto found = existing.texts.find(entry.id);
        if (found != existing.texts.end())
            std::printf("%s\n", LanguageFileLine(entry.id, found->second).c_str());
        else
            std::printf("#%s\n", LanguageFileLine(entry.id, entry.text).c_str());
    }
    return 0;
}
