// Menus, toolbars and accelerators as data. The GUI builds its real menus,
// toolbars and shortcuts from these tables; texts come from the string table
// by id so that a language file can replace them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmo {

enum class MenuItemKind : uint8_t {
    Command,   // id = command id; textId 0 means MenuText(id)
    Separator,
    Popup,     // starts a submenu titled textId; closed by End
    End,
};

struct MenuItem {
    MenuItemKind kind;
    unsigned id;
    unsigned textId;
};

// A menu resource: a flat list in which Popup ... End pairs nest. The main
// menu's top level holds only popups; the other menus hold one popup whose
// items are tracked as a context menu (the framework's "first submenu").
struct MenuResource {
    unsigned id;
    const MenuItem* items;
    size_t count;
};

extern const MenuResource kMenuResources[];
extern const size_t kMenuResourceCount;
// nullptr when there is no such menu.
const MenuResource* FindMenuResource(unsigned menuId);
// The string id of an item's text.
unsigned MenuItemTextId(const MenuItem& item);

// A palette's file menu, whose "..." button pops up its first submenu: the
// load and save items ("L" and "S" send them) and, at position 3 below them
// and a separator, the first id of the application's recent list.
struct FileMenuInfo {
    unsigned popupButtonId; // the "..." button (0 until a palette names it)
    unsigned menuId;
    unsigned loadId;
    unsigned saveId;
    unsigned recentFirstId;
};
// nullopt when the menu is unknown or has fewer than two commands.
std::optional<FileMenuInfo> ReadFileMenu(unsigned menuId);

// A toolbar: button command ids in order, 0 for a separator.
struct ToolBarResource {
    unsigned id;
    const unsigned* buttons;
    size_t count;
};

extern const ToolBarResource kToolBarResources[];
extern const size_t kToolBarResourceCount;
const ToolBarResource* FindToolBarResource(unsigned toolBarId);

// The picture of a main toolbar button: the desktop theme's icon where a
// standard one fits, else (and as its fallback) our own drawing, the file
// res/icons/toolbar/<file>.svg.
struct ToolButtonIcon {
    unsigned id;
    const char* themeName; // "" when no standard icon fits
    const char* file;
};
extern const ToolButtonIcon kToolButtonIcons[];
extern const size_t kToolButtonIconCount;
// nullptr when the id has no picture.
const ToolButtonIcon* FindToolButtonIcon(unsigned id);

// Keyboard accelerators of the main window: key names in the form
// "Ctrl+Shift+R" (modifiers Ctrl, Shift, Alt; keys as written on the keyboard).
struct Accelerator {
    const char* keys;
    unsigned id;
};
extern const Accelerator kAccelerators[];
extern const size_t kAcceleratorCount;

} // namespace velmo
