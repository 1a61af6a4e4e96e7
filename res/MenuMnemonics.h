// Access keys of the menus: the character after a single '&' of an item's
// text. Two items of one menu with the same key cannot both be reached by
// it (the key goes to the first), so translations are checked for such
// clashes.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// The access key of a menu text in lower case (one UTF-8 character), or ""
// when it has none. "&&" is a literal ampersand; the text after a tab is the
// shortcut's name.
std::string MnemonicOf(std::string_view text);

struct MnemonicClash {
    std::string menu;               // the menu's path of titles, "menu 200 > &View > &Zoom"
    std::string key;                // the shared key, lower case
    std::vector<std::string> items; // the texts that share it, in menu order
};

// The clashes of every menu resource, each submenu on its own and the main
// menu's bar too, with the texts text(stringId) gives; a clash that two
// resources share (the grid menu is also a submenu of View) is listed once.
std::vector<MnemonicClash> FindMnemonicClashes(const std::function<std::string(unsigned)>& text);

// One line for a report: menu 200 > "&View": "&Toolbar" and "&Tone" share the access key t
std::string DescribeClash(const MnemonicClash& clash);

} // namespace velmo
