#include "app/LanguageList.h"

#include "platform/core/StringTable.h"
#include "res/ResourceIds.h"

#include <cstdlib>
#include <cstring>

namespace velmo {

namespace {

// ISO 639-1 codes and their Windows primary language ids.
struct LanguageCode {
    const char* iso;
    int primary;
};
constexpr LanguageCode kLanguageCodes[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sv", 0x1D},
    {"th", 0x1E}, {"tr", 0x1F}, {"uk", 0x22}, {"sl", 0x24},
};

} // namespace

void CLanguageList::Build()
{
    entries.clear();
    Add(1033, LoadString(IDS_LANGUAGE_NAME));
}

bool CLanguageList::Contains(int langId) const
{
    for (const CLanguageEntry& e : entries)
        if (e.langId == langId)
            return true;
    return false;
}

int LocaleLanguageId()
{
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || locale[0] == '\0')
        locale = std::getenv("LC_MESSAGES");
    if (locale == nullptr || locale[0] == '\0')
        locale = std::getenv("LANG");
    if (locale != nullptr && std::strlen(locale) >= 2)
        for (const LanguageCode& code : kLanguageCodes)
            if (std::strncmp(locale, code.iso, 2) == 0)
                return (code.primary & 0x3FF) | 0x400;
    return 0x409;
}

} // namespace velmo
