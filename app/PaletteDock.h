// A palette of the main frame: a dock widget with its caption and object
// name (the saved layout refers to it). The palettes' own contents come with
// their classes; until then each is an empty dock of its usual size.
#pragma once

#include <QDockWidget>
#include <QSize>
#include <QString>

namespace velmo {

class CPaletteDock : public QDockWidget {
public:
    // viewId: the View command that shows and hides it (33801 ... 33811).
    CPaletteDock(unsigned viewId, const QString& objectName, const QString& caption, QSize contentSize,
                 QWidget* parent);

    unsigned ViewId() const { return viewId; }

    // The tabbed parameters palette's pages: 0 Adjust1, 1 Adjust2, 2 Detail,
    // 3 Curve, 4 Lens, 5 Color. Other palettes have page 0 only.
    virtual int CurrentPage() const { return page; }
    virtual void ShowPage(int newPage);

    // The dock style: any side, or none (the palette stays floating).
    void SetDockable(bool dockable);
    bool IsDockable() const { return allowedAreas() != Qt::NoDockWidgetArea; }
    // The framework's double-click toggle between docked and floating.
    void ToggleDocking() { setFloating(!isFloating()); }

    // Gives the control with that id the focus; false when the palette has none.
    virtual bool FocusControl(unsigned controlId);
    // The dialog font changed: the contents take it (the palette and its
    // state stay).
    virtual void ApplyFont();

protected:
    // A palette with contents of its own (body becomes the dock's widget).
    CPaletteDock(unsigned viewId, const QString& objectName, const QString& caption, QWidget* body,
                 QWidget* parent);

private:
    unsigned viewId;
    int page = 0;
};

} // namespace velmo
