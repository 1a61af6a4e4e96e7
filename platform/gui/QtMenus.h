// Real menus, toolbars and shortcuts built from the resource tables, with
// their states set through the command route.
#pragma once

#include "platform/gui/CmdTarget.h"
#include "res/Menus.h"

#include <QMenu>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <string>
#include <vector>

class QMenuBar;
class QWidget;

namespace velmo {

// Receives the command of a chosen item, button or shortcut.
using CommandSink = std::function<void(unsigned id)>;
// The route that update handlers run along (asked again each time: the
// active view and document may change).
using RouteProvider = std::function<CommandRoute()>;

// The text of a string id as a QString.
QString StringText(unsigned id);
// The status-bar prompt and the tool tip of a command: its string's two
// halves around the line break.
QString CommandPrompt(unsigned id);
QString CommandTip(unsigned id);

// The id an action stands for (0 for none).
unsigned ActionCommandId(const QAction* action);

// CMenuAccess over a QMenu: submenus and separators count as items;
// inserted items send their command to sink.
class QMenuAccess final : public CMenuAccess {
public:
    QMenuAccess(QMenu* qmenu, CommandSink commands) : menu(qmenu), sink(std::move(commands)) {}
    int ItemCount() const override;
    unsigned ItemId(int index) const override;
    std::string ItemText(int index) const override;
    void InsertItem(int index, unsigned id, const std::string& text) override;
    void RemoveItem(int index) override;
    void SetItemState(int index, bool enabled, std::optional<int> check, const std::string* text) override;

private:
    QMenu* menu;
    CommandSink sink;
};

// Fills menu with the items of resource from position `from` (the index of a
// Popup item, whose items are added) and returns the index after its End.
// Every submenu updates its items through route before it shows.
void AddMenuItems(QMenu* menu, const MenuResource& resource, size_t popupIndex, const CommandSink& sink,
                  const RouteProvider& route);
// The main menu: one QMenu per top-level popup.
void BuildMenuBar(QMenuBar* bar, const MenuResource& resource, const CommandSink& sink, const RouteProvider& route);
// The first submenu of resource as a context menu (owned by the caller).
QMenu* BuildContextMenu(const MenuResource& resource, const CommandSink& sink, const RouteProvider& route,
                        QWidget* parent);
// Runs the update handlers of menu's command items (what aboutToShow does).
void UpdateMenu(QMenu* menu, const CommandRoute& route, const CommandSink& sink);

// A toolbar of command buttons. Buttons show their pictures (main toolbar,
// 16 x 15 logical pixels) or captions given by the caller (palettes bar);
// their tool tips are the second half of their string-table prompts.
class CommandToolBar final : public QToolBar {
public:
    // captions: one per resource entry (separators included); empty = pictures.
    CommandToolBar(const ToolBarResource& resource, const std::vector<QString>& captions, CommandSink sink,
                   QWidget* parent = nullptr);
    // The idle update: enabled and checked state of every button.
    void UpdateButtons(const CommandRoute& route);
    QAction* ButtonAction(unsigned id) const;
    std::vector<unsigned> ButtonIds() const;

private:
    CommandSink sink;
};

// Shortcuts of the accelerator table on window, active in every window of
// the program (also while a palette floats).
void InstallAccelerators(QWidget* window, const CommandSink& sink);

// Runs an update pass when the program is idle: after input events, window
// activation and on request, coalesced into one zero-timer pass.
class IdleUpdater final : public QObject {
public:
    IdleUpdater(std::function<void()> pass, QObject* parent);
    void Schedule();
    // Runs a pending pass now.
    void Flush();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> pass;
    QTimer timer;
};

} // namespace velmo
