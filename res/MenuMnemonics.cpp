#include "res/MenuMnemonics.h"

#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <algorithm>
#include <map>

namespace velmo {

namespace {

// The number of bytes of the UTF-8 character that starts with lead.
size_t CharLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

using TextOf = std::function<std::string(unsigned)>;

void ReportClashes(const std::string& menu, const std::vector<std::string>& texts, std::vector<MnemonicClash>& out)
{
    std::map<std::string, std::vector<std::string>> byKey;
    std::vector<std::string> order;
    for (const std::string& t : texts) {
        const std::string key = MnemonicOf(t);
        if (key.empty())
            continue;
        if (byKey[key].empty())
            order.push_back(key);
        byKey[key].push_back(t);
    }
    for (const std::string& key : order) {
        const std::vector<std::string>& items = byKey[key];
        if (items.size() < 2)
            continue;
        const bool listed = std::any_of(out.begin(), out.end(), [&](const MnemonicClash& c) {
            return c.key == key && c.items == items;
        });
        if (!listed)
            out.push_back({menu, key, items});
    }
}

// The items of the popup at index i (up to its End), their submenus on
// their own; i ends after the End.
void WalkPopup(const MenuResource& r, size_t& i, const std::string& path, const TextOf& text,
               std::vector<MnemonicClash>& out)
{
    std::vector<std::string> texts;
    for (++i; i < r.count && r.items[i].kind != MenuItemKind::End;) {
        const MenuItem& item = r.items[i];
        switch (item.kind) {
        case MenuItemKind::Popup: {
            const std::string title = text(item.textId);
            texts.push_back(title);
            WalkPopup(r, i, path + " > \"" + title + "\"", text, out);
            break;
        }
        case MenuItemKind::Command:
            texts.push_back(text(MenuItemTextId(item)));
            ++i;
            break;
        default:
            ++i;
            break;
        }
    }
    ++i;
    ReportClashes(path, texts, out);
}

} // namespace

std::string MnemonicOf(std::string_view text)
{
    text = text.substr(0, text.find('\t'));
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        const size_t n = std::min(CharLength(static_cast<unsigned char>(text[i + 1])), text.size() - i - 1);
        std::string key(text.substr(i + 1, n));
        if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z')
            key[0] = char(key[0] - 'A' + 'a');
        // Latin-1 capitals (U+00C0 to U+00DE, not the sign U+00D7): their small letters.
        if (key.size() == 2 && static_cast<unsigned char>(key[0]) == 0xC3 &&
            static_cast<unsigned char>(key[1]) >= 0x80 && static_cast<unsigned char>(key[1]) <= 0x9E &&
            static_cast<unsigned char>(key[1]) != 0x97)
            key[1] = char(static_cast<unsigned char>(key[1]) + 0x20);
        return key;
    }
    return {};
}

std::vector<MnemonicClash> FindMnemonicClashes(const std::function<std::string(unsigned)>& text)
{
    std::vector<MnemonicClash> out;
    for (size_t m = 0; m < kMenuResourceCount; ++m) {
        const MenuResource& r = kMenuResources[m];
        const std::string name = "menu " + std::to_string(r.id);
        // The main menu's popups are the menu bar's items, chosen by their
        // keys as well; the other menus' one popup is shown as the menu.
        std::vector<std::string> bar;
        for (size_t i = 0; i < r.count;) {
            if (r.items[i].kind != MenuItemKind::Popup) {
                ++i;
                continue;
            }
            const std::string title = text(r.items[i].textId);
            bar.push_back(title);
            WalkPopup(r, i, name + " > \"" + title + "\"", text, out);
        }
        if (r.id == IDR_MAINFRAME)
            ReportClashes(name, bar, out);
    }
    return out;
}

std::string DescribeClash(const MnemonicClash& clash)
{
    std::string line = clash.menu + ": ";
    for (size_t i = 0; i < clash.items.size(); ++i) {
        if (i > 0)
            line += i + 1 == clash.items.size() ? " and " : ", ";
        line += "\"" + clash.items[i] + "\"";
    }
    return line + " share the access key " + clash.key;
}

} // namespace velmo
