#include "app/palettes/PaletteDock.h"

#include "platform/gui/ControlUpdate.h"
#include "platform/gui/DialogFont.h"

#include <algorithm>

namespace velmo {

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
