// The "L", "S" and "..." buttons of a feature group. "L" and "S" send the
// commands of the first two items of the group's menu (load and save);
// "..." pops up the menu's first submenu at its own top-left corner, with the
// application's recent list filled in from position 3 (below load, save and
// the separator) by the list's update handler on the route. Chosen commands
// go to the sink (the frame's route).
#pragma once

#include "platform/gui/QtMenus.h"
#include "res/Menus.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QMenu;
class QToolButton;

namespace velmo {

// The file menu of a "..." button: the control table's FileMenu row of that
// id names the menu (FileMenuInfo and ReadFileMenu: res/Menus.h).
std::optional<FileMenuInfo> FileMenuForButton(unsigned popupButtonId);

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
