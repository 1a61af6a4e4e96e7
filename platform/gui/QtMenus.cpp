#include "platform/gui/QtMenus.h"

#include "platform/gui/SvgIcon.h"
#include "res/StringTable.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace velmo {

namespace {

constexpr const char* kCommandProperty = "velmoCommandId";
// Set on an item whose icon shows the third check state.
constexpr const char* kPartlyCheckedProperty = "velmoPartlyChecked";
// The main toolbar's pictures, in logical pixels.
constexpr QSize kButtonPictureSize(16, 15);

QAction* MakeCommandAction(const QString& text, unsigned id, const CommandSink& sink, QObject* parent)
{
    auto* action = new QAction(text, parent);
    action->setProperty(kCommandProperty, id);
    action->setStatusTip(CommandPrompt(id));
    QObject::connect(action, &QAction::triggered, action, [sink, id] { sink(id); });
    return action;
}

// The third check state (Vivid Color and Green Enhancer at half strength):
// the style's partly checked box, as an icon in the check column where the
// menu draws a checked box for "on".
QIcon PartlyCheckedIcon(const QWidget* widget)
{
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int size = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, widget);
    const int boxWidth = std::min(size, style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget));
    const int boxHeight = std::min(size, style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget));
    const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton box;
    box.rect = QRect((size - boxWidth) / 2, (size - boxHeight) / 2, boxWidth, boxHeight);
    box.state = QStyle::State_Enabled | QStyle::State_NoChange;
    box.palette = widget != nullptr ? widget->palette() : QApplication::palette();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, widget);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QString StringText(unsigned id)
{
    return QString::fromStdString(LoadString(id));
}

QString CommandPrompt(unsigned id)
{
    const QString text = StringText(id);
    const int newline = text.indexOf('\n');
    return newline < 0 ? text : text.left(newline);
}

QString CommandTip(unsigned id)
{
    const QString text = StringText(id);
    const int newline = text.indexOf('\n');
    return newline < 0 ? QString() : text.mid(newline + 1);
}

unsigned ActionCommandId(const QAction* action)
{
    if (action == nullptr)
        return 0;
    const QVariant v = action->property(kCommandProperty);
    return v.isValid() ? v.toUInt() : 0;
}

int QMenuAccess::ItemCount() const
{
    return int(menu->actions().size());
}

unsigned QMenuAccess::ItemId(int index) const
{
    const QList<QAction*> actions = menu->actions();
    if (index < 0 || index >= actions.size())
        return 0;
    const QAction* a = actions[index];
    if (a->isSeparator())
        return 0;
    if (a->menu() != nullptr)
        return kPopupItemId;
    return ActionCommandId(a);
}

std::string QMenuAccess::ItemText(int index) const
{
    const QList<QAction*> actions = menu->actions();
    return index >= 0 && index < actions.size() ? actions[index]->text().toStdString() : std::string();
}

void QMenuAccess::InsertItem(int index, unsigned id, const std::string& text)
{
    QAction* action = MakeCommandAction(QString::fromStdString(text), id, sink, menu);
    const QList<QAction*> actions = menu->actions();
    QAction* before = index >= 0 && index < actions.size() ? actions[index] : nullptr;
    menu->insertAction(before, action);
}

void QMenuAccess::RemoveItem(int index)
{
    const QList<QAction*> actions = menu->actions();
    if (index < 0 || index >= actions.size())
        return;
    QAction* action = actions[index];
    menu->removeAction(action);
    if (action->parent() == menu)
        action->deleteLater();
}

void QMenuAccess::SetItemState(int index, bool enabled, std::optional<int> check, const std::string* text)
{
    const QList<QAction*> actions = menu->actions();
    if (index < 0 || index >= actions.size())
        return;
    QAction* action = actions[index];
    action->setEnabled(enabled);
    if (check) {
        const bool partly = *check == 2;
        action->setCheckable(true);
        // The icon stands for the check mark: styles frame the icon of a
        // checked item, which would set the third state apart twice.
        action->setChecked(*check != 0 && !partly);
        if (partly != action->property(kPartlyCheckedProperty).toBool()) {
            action->setIcon(partly ? PartlyCheckedIcon(menu) : QIcon());
            action->setProperty(kPartlyCheckedProperty, partly);
        }
    }
    if (text != nullptr)
        action->setText(QString::fromStdString(*text));
}

void UpdateMenu(QMenu* menu, const CommandRoute& route, const CommandSink& sink)
{
    QMenuAccess access(menu, sink);
    UpdateMenuCommands(access, route);
}

void AddMenuItems(QMenu* menu, const MenuResource& resource, size_t popupIndex, const CommandSink& sink,
                  const RouteProvider& route)
{
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, sink, route] { UpdateMenu(menu, route(), sink); });
    size_t i = popupIndex + 1;
    while (i < resource.count) {
        const MenuItem& item = resource.items[i];
        switch (item.kind) {
        case MenuItemKind::End:
            return;
        case MenuItemKind::Separator:
            menu->addSeparator();
            ++i;
            break;
        case MenuItemKind::Command:
            menu->addAction(MakeCommandAction(StringText(MenuItemTextId(item)), item.id, sink, menu));
            ++i;
            break;
        case MenuItemKind::Popup: {
            QMenu* sub = menu->addMenu(StringText(item.textId));
            AddMenuItems(sub, resource, i, sink, route);
            // Skip to the matching End.
            int depth = 0;
            for (++i; i < resource.count; ++i) {
                if (resource.items[i].kind == MenuItemKind::Popup)
                    ++depth;
                else if (resource.items[i].kind == MenuItemKind::End && depth-- == 0)
                    break;
            }
            ++i;
            break;
        }
        }
    }
}

void BuildMenuBar(QMenuBar* bar, const MenuResource& resource, const CommandSink& sink, const RouteProvider& route)
{
    size_t i = 0;
    while (i < resource.count) {
        const MenuItem& item = resource.items[i];
        if (item.kind != MenuItemKind::Popup) {
            ++i;
            continue;
        }
        QMenu* menu = bar->addMenu(StringText(item.textId));
        AddMenuItems(menu, resource, i, sink, route);
        int depth = 0;
        for (++i; i < resource.count; ++i) {
            if (resource.items[i].kind == MenuItemKind::Popup)
                ++depth;
            else if (resource.items[i].kind == MenuItemKind::End && depth-- == 0)
                break;
        }
        ++i;
    }
}

QMenu* BuildContextMenu(const MenuResource& resource, const CommandSink& sink, const RouteProvider& route,
                        QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (size_t i = 0; i < resource.count; ++i)
        if (resource.items[i].kind == MenuItemKind::Popup) {
            menu->setTitle(StringText(resource.items[i].textId));
            AddMenuItems(menu, resource, i, sink, route);
            break;
        }
    return menu;
}

CommandToolBar::CommandToolBar(const ToolBarResource& resource, const std::vector<QString>& captions,
                               CommandSink commandSink, QWidget* parent)
    : QToolBar(parent), sink(std::move(commandSink))
{
    const bool textButtons = !captions.empty();
    setToolButtonStyle(textButtons ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    if (!textButtons)
        setIconSize(kButtonPictureSize);
    for (size_t i = 0; i < resource.count; ++i) {
        const unsigned id = resource.buttons[i];
        if (id == 0) {
            addSeparator();
            continue;
        }
        const QString text = textButtons ? (i < captions.size() ? captions[i] : QString()) : CommandTip(id);
        QAction* action = MakeCommandAction(text, id, sink, this);
        action->setToolTip(CommandTip(id));
        if (!textButtons)
            action->setIcon(ToolButtonPicture(id));
        addAction(action);
    }
}

QAction* CommandToolBar::ButtonAction(unsigned id) const
{
    for (QAction* a : actions())
        if (ActionCommandId(a) == id)
            return a;
    return nullptr;
}

std::vector<unsigned> CommandToolBar::ButtonIds() const
{
    std::vector<unsigned> ids;
    for (QAction* a : actions())
        if (const unsigned id = ActionCommandId(a))
            ids.push_back(id);
    return ids;
}

void CommandToolBar::UpdateButtons(const CommandRoute& route)
{
    for (QAction* a : actions()) {
        const unsigned id = ActionCommandId(a);
        if (id == 0)
            continue;
        CCmdUI ui(id);
        route.Update(ui, true);
        a->setEnabled(ui.enabled);
        if (ui.check) {
            a->setCheckable(true);
            a->setChecked(*ui.check != 0);
        }
    }
}

void InstallAccelerators(QWidget* window, const CommandSink& sink)
{
    for (size_t i = 0; i < kAcceleratorCount; ++i) {
        const unsigned id = kAccelerators[i].id;
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(kAccelerators[i].keys)), window);
        shortcut->setContext(Qt::ApplicationShortcut);
        shortcut->setProperty(kCommandProperty, id);
        QObject::connect(shortcut, &QShortcut::activated, window, [sink, id] { sink(id); });
    }
}

IdleUpdater::IdleUpdater(std::function<void()> idlePass, QObject* parent) : QObject(parent), pass(std::move(idlePass))
{
    timer.setSingleShot(true);
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [this] { pass(); });
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

void IdleUpdater::Schedule()
{
    if (!timer.isActive())
        timer.start();
}

void IdleUpdater::Flush()
{
    timer.stop();
    pass();
}

bool IdleUpdater::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
    case QEvent::WindowActivate:
    case QEvent::Show:
        Schedule();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmo
