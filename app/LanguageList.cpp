#include "app/LanguageList.h"

#include "res/LanguageFile.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

void CLanguageList::Build(const std::string& programPath)
{
    entries.clear();
    const char* ownName = EnglishString(IDS_LANGUAGE_NAME);
    Add(1033, ownName != nullptr ? ownName : "English");
    if (programPath.empty())
        return;

    namespace fs = std::filesystem;
    const fs::path base(LanguageFileBase(programPath));
    const std::string baseName = base.filename().string();
    std::vector<std::pair<std::string, int>> candidates;
    std::error_code error;
    for (fs::directory_iterator it(base.parent_path(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::optional<int> langId = LanguageIdOfFile(baseName, name);
        std::error_code typeError;
        if (langId && it->is_regular_file(typeError))
            candidates.emplace_back(name, *langId);
    }
    // The directory's order is arbitrary: the menu shows the files sorted.
    std::sort(candidates.begin(), candidates.end());
    for (const auto& [name, langId] : candidates) {
        if (GetSize() >= kMaxEntries)
            break;
        if (Contains(langId))
            continue;
        const std::optional<LanguageFile> file = ReadLanguageFile((base.parent_path() / name).string());
        if (file && BelongsToThisBuild(*file))
            Add(langId, file->texts.at(IDS_LANGUAGE_NAME));
    }
}

std::optional<LoadedLanguage> LoadLanguage(const std::string& programPath, int langId)
{
    if (programPath.empty())
        return std::nullopt;
    const std::optional<LanguageFile> file = ReadLanguageFile(LanguageFilePath(LanguageFileBase(programPath), langId));
    if (!file || !BelongsToThisBuild(*file))
        return std::nullopt;
    LoadedLanguage loaded;
    loaded.problems = file->problems;
    loaded.texts = AcceptedTranslations(file->texts, &loaded.problems);
    return loaded;
}

bool CLanguageList::Contains(int langId) const
{
    for (const CLanguageEntry& e : entries)
        if (e.langId == langId)
            return true;
    return false;
}

std::string LanguageIsoCode(int langId)
{
    for (const LanguageCode& code : kLanguageCodes)
        if (code.primary == (langId & 0x3FF))
            return code.iso;
    return {};
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
