// The languages the program can show: entry 0 is always its own English
// strings; language files add the others. Until language files exist in
// this port, the list holds English alone.
#pragma once

#include <string>
#include <vector>

namespace velmo {

struct CLanguageEntry {
    int langId; // a Windows LANGID, as stored in "Language"
    std::string name;
};

class CLanguageList {
public:
    // Entry 0, {1033, string 215}; then what the language search finds.
    void Build();
    void Add(int langId, std::string name) { entries.push_back({langId, std::move(name)}); }
    bool Contains(int langId) const;
    int GetSize() const { return int(entries.size()); }
    const CLanguageEntry& operator[](int index) const { return entries[size_t(index)]; }
    void Clear() { entries.clear(); }

private:
    std::vector<CLanguageEntry> entries;
};

// The LANGID of the environment's locale as it was at start (LC_MESSAGES,
// else LANG): its primary language with the default sub-language, 0x409
// when the locale names no language we know.
int LocaleLanguageId();

} // namespace velmo
