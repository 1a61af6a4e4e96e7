#include "app/palettes/PaletteDock.h"

#include "platform/gui/ControlUpdate.h"
#include "platform/gui/DialogFont.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace velmo {

namespace {

// Refits its scroll area each time the pane asks for a new layout. A child
// of the pane: it goes with the pane, and it reads the event's type before
// anything else, since the pane's children report their removal to it while
// the scroll area is being destroyed.
class ScrollWidthFollower : public QObject {
public:
    ScrollWidthFollower(QScrollArea* area, QWidget* shown) : QObject(shown), scroll(area), pane(shown) {}

    void Fit()
    {
        const int bar = scroll->verticalScrollBar()->sizeHint().width();
        scroll->setMinimumWidth(pane->minimumSizeHint().width() + bar + 2 * scroll->frameWidth());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest && watched == pane && scroll->widget() == pane)
            Fit();
        return false;
    }

private:
    QScrollArea* scroll;
    QWidget* pane;
};

} // namespace

void FitScrollToPane(QScrollArea* scroll)
{
    if (scroll == nullptr || scroll->widget() == nullptr)
        return;
    QWidget* pane = scroll->widget();
    ScrollWidthFollower* follower = nullptr;
    for (QObject* child : pane->children())
        if (auto* f = dynamic_cast<ScrollWidthFollower*>(child))
            follower = f;
    if (follower == nullptr) {
        follower = new ScrollWidthFollower(scroll, pane);
        pane->installEventFilter(follower);
    }
    follower->Fit();
}

CPaletteDock::CPaletteDock(unsigned id, const QString& name, const QString& caption, QWidget* body, QWidget* parent)
    : QDockWidget(caption, parent), viewId(id)
{
    setObjectName(name);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    body->setParent(this);
    ApplyDialogFont(body);
    setWidget(body);
}

void CPaletteDock::ShowPage(int newPage)
{
    page = std::clamp(newPage, 0, 5);
}

void CPaletteDock::SetDockable(bool dockable)
{
    setAllowedAreas(dockable ? Qt::AllDockWidgetAreas : Qt::NoDockWidgetArea);
}

void CPaletteDock::UpdateControls(const CommandRoute& route)
{
    UpdateDialogControls(widget(), OwnCommands(), route);
}

bool CPaletteDock::FocusControl(unsigned)
{
    return false;
}

void CPaletteDock::ApplyFont()
{
    if (QWidget* body = widget()) {
        ApplyDialogFont(body);
        body->updateGeometry();
    }
}

} // namespace velmo
