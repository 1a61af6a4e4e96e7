// The English string table. Texts stand exactly as the program shows them;
// a language file may replace any entry by id. Keep the table sorted by id.
#include "platform/core/StringTable.h"

namespace velmo {

const StringEntry kEnglishStrings[] = {
    {61231, "Full size|9/16 size|Quater size|Preview size||"},
};

const size_t kEnglishStringCount = sizeof kEnglishStrings / sizeof kEnglishStrings[0];

} // namespace velmo
