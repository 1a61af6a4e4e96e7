// Dialog and control captions for Qt widgets, through the one text lookup
// (res/StringTable.h), so that a loaded language file translates
// them. A dialog or palette asks for its texts by id:
//     setWindowTitle(DialogTitle(IDD_ABOUTBOX));
//     SetControlCaption(okButton, IDD_ABOUTBOX, IDC_OK);
// and gets the translation when one is loaded, the English text otherwise.
// A control unit of a palette (ControlUnit.h) takes its caption the same
// way when its table row names its dialog (ControlRow::dialogId).
#pragma once

#include <QString>

class QWidget;

namespace velmo {

// The caption of dialog (or palette) dialogId.
QString DialogTitle(unsigned dialogId);
// The caption of control controlId in dialog dialogId.
QString ControlText(unsigned dialogId, unsigned controlId);

// Gives control (a label, a button, a group box or any widget) the caption of
// (dialogId, controlId), its id, that caption without mnemonics as its
// accessible name and the control's string-table prompt and tip
// (ControlIds.h: SetupControl).
void SetControlCaption(QWidget* control, unsigned dialogId, unsigned controlId);

} // namespace velmo
