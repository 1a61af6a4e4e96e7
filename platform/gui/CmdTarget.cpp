#include "platform/gui/CmdTarget.h"

namespace velmo {

int CMenuAccess::FindItem(unsigned id) const
{
    for (int i = 0; i < ItemCount(); ++i)
        if (ItemId(i) == id)
            return i;
    return -1;
}

int CMenuAccess::RemoveItemsById(unsigned id)
{
    int removed = 0;
    for (int i = ItemCount() - 1; i >= 0; --i)
        if (ItemId(i) == id) {
            RemoveItem(i);
            ++removed;
        }
    return removed;
}

void CCmdTarget::OnCommandRange(unsigned first, unsigned last, CommandHandler handler)
{
    commands.push_back({first, last, [h = std::move(handler)](unsigned id) {
                            h(id);
                            return true;
                        }});
}

void CCmdTarget::OnCommandRangeEx(unsigned first, unsigned last, CommandHandlerEx handler)
{
    commands.push_back({first, last, std::move(handler)});
}

void CCmdTarget::OnUpdateRange(unsigned first, unsigned last, UpdateHandler handler)
{
    updates.push_back({first, last, std::move(handler)});
}

bool CCmdTarget::OnCmdMsg(unsigned id, CCmdUI* ui)
{
    if (ui != nullptr) {
        for (const UpdateEntry& entry : updates)
            if (id >= entry.first && id <= entry.last) {
                ui->continueRouting = false;
                entry.handler(*ui);
                if (ui->continueRouting) {
                    ui->continueRouting = false;
                    return false;
                }
                return true;
            }
        return false;
    }
    // The first entry for the id decides, as in a message map.
    for (const CommandEntry& entry : commands)
        if (id >= entry.first && id <= entry.last)
            return entry.handler(id);
    return false;
}

bool CCmdTarget::HasCommandHandler(unsigned id) const
{
    for (const CommandEntry& entry : commands)
        if (id >= entry.first && id <= entry.last)
            return true;
    return false;
}

bool CCmdTarget::HasUpdateHandler(unsigned id) const
{
    for (const UpdateEntry& entry : updates)
        if (id >= entry.first && id <= entry.last)
            return true;
    return false;
}

bool CommandRoute::Execute(unsigned id) const
{
    for (CCmdTarget* target : targets)
        if (target != nullptr && target->OnCmdMsg(id, nullptr))
            return true;
    return false;
}

void CommandRoute::Update(CCmdUI& ui, bool disableIfNoHandler) const
{
    ui.enableChanged = false;
    for (CCmdTarget* target : targets)
        if (target != nullptr && target->OnCmdMsg(ui.id, &ui))
            return;
    if (disableIfNoHandler && !ui.enableChanged && !HasHandler(ui.id))
        ui.Enable(false);
}

bool CommandRoute::HasHandler(unsigned id) const
{
    for (CCmdTarget* target : targets)
        if (target != nullptr && target->HasCommandHandler(id))
            return true;
    return false;
}

bool CommandRoute::IsEnabled(unsigned id) const
{
    CCmdUI ui(id);
    Update(ui, true);
    return ui.enabled;
}

void UpdateMenuCommands(CMenuAccess& menu, const CommandRoute& route)
{
    int i = 0;
    while (i < menu.ItemCount()) {
        const unsigned id = menu.ItemId(i);
        if (id == 0 || id == kPopupItemId) {
            ++i;
            continue;
        }
        CCmdUI ui(id);
        ui.menu = &menu;
        ui.index = i;
        route.Update(ui, true);
        if (!ui.menuChanged) {
            menu.SetItemState(i, ui.enabled, ui.check, ui.text ? &*ui.text : nullptr);
            ++i;
        } else {
            i = ui.nextIndex > i ? ui.nextIndex : i + 1;
        }
    }
}

} // namespace velmo
