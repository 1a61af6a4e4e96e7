// Control ids on Qt widgets. A palette's controls keep the ids of their
// dialog template: the data exchange, the command routing and the string
// table (tool tips) find them by id.
#pragma once

#include <QString>

class QWidget;

namespace velmo {

void SetControlId(QWidget* control, unsigned id);
// 0 when the widget has none.
unsigned ControlId(const QWidget* control);
// root itself or its first descendant (depth first, creation order) with id;
// nullptr when there is none.
QWidget* FindControl(QWidget* root, unsigned id);

// The control's tool tip and status-bar prompt from the string whose id is
// stringId ("prompt\ntip"); nothing when there is no such string.
void SetControlTips(QWidget* control, unsigned stringId);
// Id, caption as accessible name, and the tips of the string with the same id.
void SetupControl(QWidget* control, unsigned id, const QString& caption);

} // namespace velmo
