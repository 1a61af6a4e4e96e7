#include "platform/gui/FileMenuButtons.h"

#include "params/ParamFields.h"
#include "platform/gui/ControlIds.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace velmo {

std::optional<FileMenuInfo> FileMenuForButton(unsigned popupButtonId)
{
    const ControlRow* row = ControlRowById(popupButtonId);
    if (row == nullptr || row->kind != ControlKind::FileMenu || row->id != popupButtonId)
        return std::nullopt;
    std::optional<FileMenuInfo> info = ReadFileMenu(unsigned(row->item));
    if (info)
        info->popupButtonId = popupButtonId;
    return info;
}

QMenu* ShowFileMenu(QWidget* anchor, unsigned menuId, const CommandSink& sink, const RouteProvider& route)
{
    const MenuResource* resource = FindMenuResource(menuId);
    if (anchor == nullptr || resource == nullptr)
        return nullptr;
    // aboutToShow runs the route's update handlers over the items; the
    // recent list's handler fills its entries in from position 3.
    QMenu* menu = BuildContextMenu(*resource, sink, route, anchor);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(anchor->mapToGlobal(QPoint(0, 0)));
    return menu;
}

FileMenuButtons::FileMenuButtons(const FileMenuInfo& menuInfo, CommandSink commandSink, RouteProvider routeProvider,
                                 QWidget* parent)
    : QWidget(parent), info(menuInfo), sink(std::move(commandSink)), route(std::move(routeProvider)),
      load(new QToolButton(this)), save(new QToolButton(this)), menu(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const struct {
        QToolButton* button;
        unsigned id;
        const char* caption;
    } buttons[] = {{load, info.loadId, "L"}, {save, info.saveId, "S"}, {menu, info.popupButtonId, "..."}};
    for (const auto& [button, id, caption] : buttons) {
        button->setText(QString::fromLatin1(caption));
        SetupControl(button, id, button->text());
        button->setAccessibleDescription(button->statusTip());
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(button);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(load, &QToolButton::clicked, this, [this] { sink(info.loadId); });
    connect(save, &QToolButton::clicked, this, [this] { sink(info.saveId); });
    connect(menu, &QToolButton::clicked, this, [this] { shown = ShowFileMenu(menu, info.menuId, sink, route); });
}

QMenu* FileMenuButtons::ShownMenu() const
{
    return shown;
}

} // namespace velmo
