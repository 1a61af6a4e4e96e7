// A palette of the main frame: a dock widget with its caption and object
// name (the saved layout refers to it) and the contents of its class.
#pragma once

#include "platform/gui/CmdTarget.h"
#include "platform/gui/QtMenus.h"

#include <QDockWidget>
#include <QString>

class QScrollArea;

namespace velmo {

// Keeps the scroll area at least as wide as the minimum of the pane it
// shows, now and whenever the pane's layout changes (a font, a list filled
// with longer items), so that a palette's controls are never cut at the side.
void FitScrollToPane(QScrollArea* scroll);

// What a palette may ask of the program around it, handed to it by the
// frame that makes it: to run a command (its "L", "S" and "..." buttons,
// "Auto") along the frame's route, and that route (for the recent lists of
// its file menus and the state of its buttons). Empty in a bare test window.
struct PaletteCommands {
    CommandSink run;
    RouteProvider route;

    void Run(unsigned id) const
    {
        if (run)
            run(id);
    }
    CommandRoute Route() const { return route ? route() : CommandRoute(); }
};

class CPaletteDock : public QDockWidget {
public:
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
    // The idle update of its controls (the frame runs it for every shown
    // palette when the program is idle): each control with an id takes the
    // state the palette's own update entries give it, else the route's; a
    // push button whose command nobody handles is disabled, check boxes,
    // radio buttons and group boxes never are without a handler.
    void UpdateControls(const CommandRoute& route);
    // The dialog font changed: the contents take it (the palette and its
    // state stay).
    virtual void ApplyFont();

protected:
    // The palette's own command-update entries (none by default).
    virtual CCmdTarget* OwnCommands() { return nullptr; }

    // viewId: the View command that shows and hides it (33801 ... 33811);
    // body becomes the dock's widget.
    CPaletteDock(unsigned viewId, const QString& objectName, const QString& caption, QWidget* body,
                 QWidget* parent);

private:
    unsigned viewId;
    int page = 0;
};

} // namespace velmo
