#include "platform/gui/DialogText.h"

#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace velmo {

QString DialogTitle(unsigned dialogId)
{
    return QString::fromStdString(LoadString(DialogCaption(dialogId)));
}

QString ControlText(unsigned dialogId, unsigned controlId)
{
    return QString::fromStdString(LoadString(ControlCaption(dialogId, controlId)));
}

void SetControlCaption(QWidget* control, unsigned dialogId, unsigned controlId)
{
    if (control == nullptr)
        return;
    const QString caption = ControlText(dialogId, controlId);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(caption);
    SetupControl(control, controlId, PlainCaption(caption));
}

} // namespace velmo
