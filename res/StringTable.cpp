#include "res/StringTable.h"

#include "res/ResourceIds.h"

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

int SplitStringList(const std::string& text, std::vector<std::string>* list)
{
    size_t start = 0;
    while (start < text.size()) {
        const size_t bar = text.find('|', start);
        const size_t end = bar == std::string::npos ? text.size() : bar;
        if (end == start)
            break;
        list->push_back(text.substr(start, end - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return static_cast<int>(list->size());
}

int LoadStringList(unsigned stringId, std::vector<std::string>* list)
{
    const std::string text = LoadString(stringId);
    if (text.empty())
        return 0;
    return SplitStringList(text, list);
}

std::string FormatString(unsigned stringId, const std::vector<std::string>& arguments)
{
    const std::string text = LoadString(stringId);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (next >= '1' && next <= '9') {
                const size_t index = size_t(next - '1');
                if (index < arguments.size())
                    out += arguments[index];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string ProgressLabelText(const std::string& label)
{
    if (label.empty())
        return label;
    const StringEntry* end = kEnglishStrings + kEnglishStringCount;
    const StringEntry* first =
        std::lower_bound(kEnglishStrings, end, IDS_PROGRESS_FIRST,
                         [](const StringEntry& e, unsigned wanted) { return e.id < wanted; });
    for (const StringEntry* e = first; e != end && e->id <= IDS_PROGRESS_LAST; ++e)
        if (e->text != nullptr && label == e->text)
            return LoadString(e->id);
    return label;
}

} // namespace velmo
