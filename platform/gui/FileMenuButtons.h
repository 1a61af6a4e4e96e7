// The "L", "S" and "..." buttons of a feature group. "L" and "S" send the
// commands of the first two items of the group's menu (load and save);
// "..." pops up the menu's first submenu at its own top-left corner, with the
// application's recent list filled in from position 3 (below load, save and
// the separator) by the list's update handler on the route. Chosen commands
// go to the sink (the frame's route).
#pragma once

#include "platform/gui/QtMenus.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QMenu;
class QToolButton;

namespace velmo {

// A "..." button and its menu, from the resources.
struct FileMenuInfo {
    unsigned popupButtonId;
    unsigned menuId;
    unsigned loadId;         // the menu's first item ("L")
    unsigned saveId;         // the menu's second item ("S")
    unsigned recentFirstId;  // the item at position 3: the recent list's first id
};

// The "..." buttons of the palettes: 33201 (menu 204), 33304 (207),
// 33301 (205), 32782 (203), 33310 (206).
std::optional<FileMenuInfo> FileMenuForButton(unsigned popupButtonId);
// The items of a menu resource's first submenu; nullopt when the menu is
// unknown or has fewer than two commands.
std::optional<FileMenuInfo> ReadFileMenu(unsigned menuId);

// Builds the menu's first submenu, lets the route update it (the recent
// list's handler inserts its entries at position 3) and shows it at the
// top-left corner of anchor. The menu deletes itself when it closes.
QMenu* ShowFileMenu(QWidget* anchor, unsigned menuId, const CommandSink& sink, const RouteProvider& route);

// Small buttons sized by their captions.
class FileMenuButtons : public QWidget {
public:
    FileMenuButtons(const FileMenuInfo& info, CommandSink sink, RouteProvider route, QWidget* parent = nullptr);

    QToolButton* LoadButton() const { return load; }
    QToolButton* SaveButton() const { return save; }
    QToolButton* MenuButton() const { return menu; }
    // The menu the last "..." press showed (null once it closed).
    QMenu* ShownMenu() const;

private:
    FileMenuInfo info;
    CommandSink sink;
    RouteProvider route;
    QToolButton* load;
    QToolButton* save;
    QToolButton* menu;
    QPointer<QMenu> shown;
};

} // namespace velmo
