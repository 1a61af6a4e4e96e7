#include "res/StringTable.h"

#include <algorithm>
#include <mutex>

namespace velmo {

namespace {

struct Overrides {
    std::mutex mutex;
    std::map<unsigned, std::string> texts;
};

Overrides& TheOverrides()
{
    static Overrides overrides;
    return overrides;
}

const StringEntry* FindEnglish(unsigned id)
{
    const StringEntry* end = kEnglishStrings + kEnglishStringCount;
    const StringEntry* entry =
        std::lower_bound(kEnglishStrings, end, id, [](const StringEntry& e, unsigned wanted) { return e.id < wanted; });
    return (entry != end && entry->id == id) ? entry : nullptr;
}

} // namespace

std::string LoadString(unsigned id)
{
    {
        Overrides& overrides = TheOverrides();
        std::lock_guard lock(overrides.mutex);
        auto found = overrides.texts.find(id);
        if (found != overrides.texts.end())
            return found->second;
    }
    const StringEntry* entry = FindEnglish(id);
    return (entry != nullptr && entry->text != nullptr) ? std::string(entry->text) : std::string();
}

const char* EnglishString(unsigned id)
{
    const StringEntry* entry = FindEnglish(id);
    return entry != nullptr ? entry->text : nullptr;
}

bool HasString(unsigned id)
{
    {
        Overrides& overrides = TheOverrides();
        std::lock_guard lock(overrides.mutex);
        if (overrides.texts.count(id) != 0)
            return true;
    }
    return FindEnglish(id) != nullptr;
}

void SetStringOverrides(std::map<unsigned, std::string> overrides)
{
    Overrides& current = TheOverrides();
    std::lock_guard lock(current.mutex);
    current.texts = std::move(overrides);
}

} // namespace velmo
