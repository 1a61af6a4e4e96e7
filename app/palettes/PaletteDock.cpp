#include "app/palettes/PaletteDock.h"

#include "platform/gui/ControlUpdate.h"
#include "platform/gui/DialogFont.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace velmo {

namespace {

// Refits its scroll area each time the pane asks for a new layout.
class ScrollWidthFollower : public QObject {
public:
    explicit ScrollWidthFollower(QScrollArea* area) : QObject(area), scroll(area) {}

    void Fit()
    {
        if (QWidget* pane = scroll->widget()) {
            const int bar = scroll->verticalScrollBar()->sizeHint().width();
            scroll->setMinimumWidth(pane->minimumSizeHint().width() + bar + 2 * scroll->frameWidth());
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == scroll->widget() && event->type() == QEvent::LayoutRequest)
            Fit();
        return false;
    }

private:
    QScrollArea* scroll;
};

} // namespace

void FitScrollToPane(QScrollArea* scroll)
{
    if (scroll == nullptr || scroll->widget() == nullptr)
        return;
    ScrollWidthFollower* follower = nullptr;
    for (QObject* child : scroll->children())
        if (auto* f = dynamic_cast<ScrollWidthFollower*>(child))
            follower = f;
    if (follower == nullptr) {
        follower = new ScrollWidthFollower(scroll);
        scroll->widget()->installEventFilter(follower);
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
