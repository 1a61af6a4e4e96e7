// The idle update of a palette's controls through the command routing: each
// control with an id gets the state that the palette's own update entries
// give it, else the route's (view, document, frame, application). A push
// button whose command nobody on the route handles is disabled; check boxes,
// three-state boxes, radio buttons, group boxes and the other controls are
// never disabled automatically, only by an update handler.
#pragma once

#include "platform/gui/CmdTarget.h"

#include <optional>
#include <string>

class QWidget;

namespace velmo {

enum class ControlKind { PushButton, CheckBox, ThreeStateBox, RadioButton, GroupBox, Other };

// Whether a control of this kind is disabled when no handler exists.
bool DisabledWithoutHandler(ControlKind kind);

// What the update pass sets on one control; unset members stay as they are.
struct ControlState {
    std::optional<bool> enabled;
    std::optional<int> check; // 0, 1, 2 (check boxes and radio buttons only)
    std::optional<std::string> text;
};

// The plain rule: own (may be null) first, then the route.
ControlState QueryControlState(unsigned id, ControlKind kind, CCmdTarget* own, const CommandRoute& route,
                               bool disableIfNoHandler = true);

ControlKind KindOfControl(const QWidget* control);
void ApplyControlState(QWidget* control, const ControlState& state);
// The pass over every descendant of dialog with a control id.
void UpdateDialogControls(QWidget* dialog, CCmdTarget* own, const CommandRoute& route,
                          bool disableIfNoHandler = true);

} // namespace velmo
