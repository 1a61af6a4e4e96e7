// Command routing in the single-document order: the popup's owner (a
// palette), the active view, the document, the frame, the application.
//
// Every target carries a command map: handlers for ranges of command ids
// and update handlers that set an item's enabled, checked and text state.
// Before a menu shows, on idle for the toolbars and after each command, the
// route asks every target in turn for an update handler; without one, the
// item is enabled when some target on the route handles the command and
// disabled otherwise.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

// The id ItemId reports for a submenu.
inline constexpr unsigned kPopupItemId = 0xFFFFFFFFu;

// A menu as an update handler sees it (recent lists and the language list
// replace their placeholder by entries).
class CMenuAccess {
public:
    virtual ~CMenuAccess() = default;
    virtual int ItemCount() const = 0;
    // 0 for a separator, kPopupItemId for a submenu, else the command id.
    virtual unsigned ItemId(int index) const = 0;
    virtual std::string ItemText(int index) const = 0;
    // A plain, enabled command item.
    virtual void InsertItem(int index, unsigned id, const std::string& text) = 0;
    virtual void RemoveItem(int index) = 0;
    // check: 0 unchecked, 1 checked, 2 indeterminate (shown partly checked);
    // text nullptr leaves the text.
    virtual void SetItemState(int index, bool enabled, std::optional<int> check, const std::string* text) = 0;

    // Index of the first item with id, or -1.
    int FindItem(unsigned id) const;
    // Removes every item with id; returns how many.
    int RemoveItemsById(unsigned id);
};

// The state an update handler sets for one command.
class CCmdUI {
public:
    explicit CCmdUI(unsigned commandId) : id(commandId) {}

    void Enable(bool on = true)
    {
        enabled = on;
        enableChanged = true;
    }
    void SetCheck(int state = 1) { check = state; }
    void SetRadio(bool on = true) { check = on ? 1 : 0; }
    void SetText(std::string newText) { text = std::move(newText); }
    // The handler lets the targets after it decide.
    void ContinueRouting() { continueRouting = true; }

    unsigned id;
    bool enabled = true;
    bool enableChanged = false;
    std::optional<int> check;
    std::optional<std::string> text;
    bool continueRouting = false;

    // Set when the update comes from a menu: the menu and the item's index.
    // A handler that inserts or removes items itself sets menuChanged and
    // nextIndex (the first index after its items), as the recent lists do.
    CMenuAccess* menu = nullptr;
    int index = -1;
    int nextIndex = -1;
    bool menuChanged = false;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the command (ui == nullptr) or its update handler. True when this
    // target handled it.
    virtual bool OnCmdMsg(unsigned id, CCmdUI* ui);
    // True when this target has a command handler for id.
    virtual bool HasCommandHandler(unsigned id) const;
    // True when this target has an update handler for id.
    bool HasUpdateHandler(unsigned id) const;

protected:
    // A handler that returns false passes the command on along the route.
    using CommandHandlerEx = std::function<bool(unsigned id)>;
    using CommandHandler = std::function<void(unsigned id)>;
    using UpdateHandler = std::function<void(CCmdUI& ui)>;

    void OnCommand(unsigned id, CommandHandler handler) { OnCommandRange(id, id, std::move(handler)); }
    void OnCommandRange(unsigned first, unsigned last, CommandHandler handler);
    void OnCommandRangeEx(unsigned first, unsigned last, CommandHandlerEx handler);
    void OnUpdate(unsigned id, UpdateHandler handler) { OnUpdateRange(id, id, std::move(handler)); }
    void OnUpdateRange(unsigned first, unsigned last, UpdateHandler handler);

private:
    struct CommandEntry {
        unsigned first, last;
        CommandHandlerEx handler;
    };
    struct UpdateEntry {
        unsigned first, last;
        UpdateHandler handler;
    };
    std::vector<CommandEntry> commands;
    std::vector<UpdateEntry> updates;
};

// An ordered list of targets; null entries are skipped.
class CommandRoute {
public:
    CommandRoute() = default;
    explicit CommandRoute(std::vector<CCmdTarget*> route) : targets(std::move(route)) {}

    // Runs the command at the first target that handles it; false when none did.
    bool Execute(unsigned id) const;
    // The update of ui: the first update handler on the route decides; without
    // one, enabled when a target has a command handler (else disabled when
    // disableIfNoHandler).
    void Update(CCmdUI& ui, bool disableIfNoHandler = true) const;
    bool HasHandler(unsigned id) const;
    // The enabled state the update gives (used before a command runs).
    bool IsEnabled(unsigned id) const;

    const std::vector<CCmdTarget*>& Targets() const { return targets; }

private:
    std::vector<CCmdTarget*> targets;
};

// Updates every command item of a menu in order, as the framework does when a
// popup opens: separators and submenus are skipped, handlers may insert and
// remove items.
void UpdateMenuCommands(CMenuAccess& menu, const CommandRoute& route);

} // namespace velmo
