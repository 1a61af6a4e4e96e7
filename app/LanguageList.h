// The languages the program can show: entry 0 is always its own English
// texts; the language files beside the program (res/LanguageFile.h) add the
// others, one entry each, as many as the "&Language" menu has ids for.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

struct CLanguageEntry {
    int langId; // a Windows LANGID, as stored in "Language"
    std::string name;
};

class CLanguageList {
public:
    // Entries the "&Language" menu can show (its command ids).
    static constexpr int kMaxEntries = 16;

    // Entry 0, {1033, the own string 215}; then, in file-name order, every
    // language file beside programPath that carries this build's stamp and a
    // name, for a language not listed yet, up to kMaxEntries in all. Files
    // whose names are not "%s%04x.lang" are not language files.
    void Build(const std::string& programPath = {});
    void Add(int langId, std::string name) { entries.push_back({langId, std::move(name)}); }
    bool Contains(int langId) const;
    int GetSize() const { return int(entries.size()); }
    const CLanguageEntry& operator[](int index) const { return entries[size_t(index)]; }
    void Clear() { entries.clear(); }

private:
    std::vector<CLanguageEntry> entries;
};

// The translations of langId's file beside programPath when it still
// belongs to this build, with a line for every entry left out; nullopt when
// the file is missing, unreadable or of another build.
struct LoadedLanguage {
    std::map<unsigned, std::string> texts;
    std::vector<std::string> problems;
};
std::optional<LoadedLanguage> LoadLanguage(const std::string& programPath, int langId);

// The LANGID of the environment's locale as it was at start (LC_MESSAGES,
// else LANG): its primary language with the default sub-language, 0x409
// when the locale names no language we know.
int LocaleLanguageId();

// The ISO 639-1 code of a LANGID's primary language ("de" for 0x0407);
// empty when we know none.
std::string LanguageIsoCode(int langId);

} // namespace velmo
