#include "platform/gui/RecentFileList.h"

#include "platform/core/SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace velmo {

namespace {

std::string FullPath(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    return absolute.lexically_normal().string();
}

std::string DoubleAmpersands(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

} // namespace

std::string AbbreviatePath(const std::string& path, int maxLength)
{
    if (maxLength < 0 || int(path.size()) <= maxLength)
        return path;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (slash == std::string::npos || int(name.size()) + 4 >= maxLength)
        return name;
    const std::string root = path[0] == '/' ? "/" : "";
    const std::string dots = root + "...";
    // The longest tail starting at a separator that fits behind the dots.
    size_t cut = slash;
    while (true) {
        const size_t previous = cut == 0 ? std::string::npos : path.find_last_of('/', cut - 1);
        if (previous == std::string::npos || previous == 0)
            break;
        if (int(dots.size() + (path.size() - previous)) > maxLength)
            break;
        cut = previous;
    }
    return dots + path.substr(cut);
}

CRecentFileList::CRecentFileList(unsigned first, std::string sectionName, std::string format, int size,
                                 int displayLength)
    : firstIndex(first), section(std::move(sectionName)), entryFormat(std::move(format)),
      maxDisplayLength(displayLength), names(size_t(std::max(size, 0)))
{
}

const std::string& CRecentFileList::operator[](int index) const
{
    static const std::string empty;
    return index >= 0 && index < GetSize() ? names[size_t(index)] : empty;
}

std::string CRecentFileList::EntryName(int index) const
{
    char name[64];
    std::snprintf(name, sizeof name, entryFormat.c_str(), index + 1);
    return name;
}

void CRecentFileList::Add(const std::string& path)
{
    if (names.empty() || path.empty())
        return;
    const std::string full = FullPath(path);
    auto found = std::find(names.begin(), names.end(), full);
    if (found == names.end())
        found = names.end() - 1;
    std::rotate(names.begin(), found, found + 1);
    names[0] = full;
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= GetSize())
        return;
    names.erase(names.begin() + index);
    names.emplace_back();
}

void CRecentFileList::ReadList()
{
    SettingsStore& s = Settings();
    for (int i = 0; i < GetSize(); ++i)
        names[size_t(i)] = s.GetProfileString(section, EntryName(i), "");
    // Gaps left by hand-edited settings close up.
    std::stable_partition(names.begin(), names.end(), [](const std::string& n) { return !n.empty(); });
}

void CRecentFileList::WriteList() const
{
    SettingsStore& s = Settings();
    s.DeleteSection(section);
    for (int i = 0; i < GetSize(); ++i)
        if (!names[size_t(i)].empty())
            s.WriteProfileString(section, EntryName(i), names[size_t(i)]);
}

std::string CRecentFileList::MenuText(int index) const
{
    const int number = int(firstIndex) + index + 1;
    char mnemonic[16];
    if (number > 10)
        std::snprintf(mnemonic, sizeof mnemonic, "%d ", number);
    else if (number == 10)
        std::snprintf(mnemonic, sizeof mnemonic, "1&0 ");
    else
        std::snprintf(mnemonic, sizeof mnemonic, "&%d ", number);
    return mnemonic + DoubleAmpersands(AbbreviatePath((*this)[index], maxDisplayLength));
}

void CRecentFileList::UpdateMenu(CCmdUI& ui)
{
    if (originalText.empty() && ui.menu != nullptr && ui.index >= 0)
        originalText = ui.menu->ItemText(ui.index);
    if (IsEmpty()) {
        // Entries shown before the list emptied go; the placeholder stays.
        if (ui.menu != nullptr)
            for (int i = 1; i < GetSize(); ++i)
                ui.menu->RemoveItemsById(ui.id + unsigned(i));
        if (!originalText.empty())
            ui.SetText(originalText);
        ui.Enable(false);
        return;
    }
    if (ui.menu == nullptr)
        return;
    CMenuAccess& menu = *ui.menu;
    int at = ui.index;
    // Earlier entries (and the placeholder) are the items with this list's ids.
    for (int i = 0; i < GetSize(); ++i) {
        for (int k = menu.ItemCount() - 1; k >= 0; --k)
            if (menu.ItemId(k) == ui.id + unsigned(i)) {
                menu.RemoveItem(k);
                if (k < at)
                    --at;
            }
    }
    at = std::clamp(at, 0, menu.ItemCount());
    for (int i = 0; i < GetSize() && !names[size_t(i)].empty(); ++i)
        menu.InsertItem(at++, ui.id + unsigned(i), MenuText(i));
    ui.menuChanged = true;
    ui.nextIndex = at;
}

} // namespace velmo
