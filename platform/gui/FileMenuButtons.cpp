#include "platform/gui/FileMenuButtons.h"

#include "platform/gui/ControlIds.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

#include <vector>

namespace velmo {

namespace {

struct PopupButton {
    unsigned buttonId;
    unsigned menuId;
};

constexpr PopupButton kPopupButtons[] = {
    {ID_POPUP_PARAMS_MENU, IDR_PARAMS_MENU},
    {ID_POPUP_WB_MENU, IDR_WB_MENU},
    {ID_POPUP_SELCOLOR_MENU, IDR_SELCOLOR_MENU},
    {ID_POPUP_LENS_MENU, IDR_LENS_MENU},
    {ID_POPUP_TONE_CURVE_MENU, IDR_TONE_CURVE_MENU},
};

// The position of the recent entries in the popup.
constexpr size_t kRecentPosition = 3;

} // namespace

std::optional<FileMenuInfo> ReadFileMenu(unsigned menuId)
{
    const MenuResource* resource = FindMenuResource(menuId);
    if (resource == nullptr)
        return std::nullopt;
    // The items of the first submenu, separators counted as positions.
    std::vector<unsigned> items;
    bool inPopup = false;
    for (size_t i = 0; i < resource->count; ++i) {
        const MenuItem& item = resource->items[i];
        if (!inPopup) {
            inPopup = item.kind == MenuItemKind::Popup;
            continue;
        }
        if (item.kind == MenuItemKind::End || item.kind == MenuItemKind::Popup)
            break;
        items.push_back(item.kind == MenuItemKind::Command ? item.id : 0);
    }
    if (items.size() < 2 || items[0] == 0 || items[1] == 0)
        return std::nullopt;
    FileMenuInfo info{};
    info.menuId = menuId;
    info.loadId = items[0];
    info.saveId = items[1];
    info.recentFirstId = items.size() > kRecentPosition ? items[kRecentPosition] : 0;
    for (const PopupButton& b : kPopupButtons)
        if (b.menuId == menuId)
            info.popupButtonId = b.buttonId;
    return info;
}

std::optional<FileMenuInfo> FileMenuForButton(unsigned popupButtonId)
{
    for (const PopupButton& b : kPopupButtons)
        if (b.buttonId == popupButtonId)
            return ReadFileMenu(b.menuId);
    return std::nullopt;
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
