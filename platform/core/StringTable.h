// Texts by string id. The English table is built in (res/); a language file
// can replace entries.
#pragma once

#include <map>
#include <string>

namespace velmo {

struct StringEntry {
    unsigned id;
    const char* text;
};

// The built-in English table (res/), sorted by id.
extern const StringEntry kEnglishStrings[];
extern const size_t kEnglishStringCount;

// The text of id: the override when one is set, else the built-in text, else "".
std::string LoadString(unsigned id);
bool HasString(unsigned id);
// Replaces texts (a language file); an empty map restores English.
void SetStringOverrides(std::map<unsigned, std::string> overrides);

} // namespace velmo
