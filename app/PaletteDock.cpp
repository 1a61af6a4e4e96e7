#include "app/PaletteDock.h"

#include "platform/gui/DialogFont.h"

#include <QFrame>

#include <algorithm>

namespace velmo {

namespace {

// The body of a palette whose contents are not built yet: it keeps the
// palette's usual size, so that the layout looks as it will.
class PendingPaletteBody final : public QFrame {
public:
    PendingPaletteBody(QSize hint, QWidget* parent) : QFrame(parent), size(hint)
    {
        setFrameShape(QFrame::StyledPanel);
        setMinimumSize(hint / 2);
    }
    QSize sizeHint() const override { return size; }

private:
    QSize size;
};

} // namespace

CPaletteDock::CPaletteDock(unsigned id, const QString& name, const QString& caption, QSize contentSize,
                           QWidget* parent)
    : QDockWidget(caption, parent), viewId(id)
{
    setObjectName(name);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    auto* body = new PendingPaletteBody(contentSize, this);
    ApplyDialogFont(body);
    setWidget(body);
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
