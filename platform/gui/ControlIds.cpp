#include "platform/gui/ControlIds.h"

#include "platform/gui/QtMenus.h"
#include "res/StringTable.h"

#include <QVariant>
#include <QWidget>

namespace velmo {

namespace {

constexpr const char* kControlIdProperty = "velmoControlId";

} // namespace

void SetControlId(QWidget* control, unsigned id)
{
    if (control != nullptr)
        control->setProperty(kControlIdProperty, id);
}

unsigned ControlId(const QWidget* control)
{
    if (control == nullptr)
        return 0;
    const QVariant v = control->property(kControlIdProperty);
    return v.isValid() ? v.toUInt() : 0;
}

QWidget* FindControl(QWidget* root, unsigned id)
{
    if (root == nullptr || id == 0)
        return nullptr;
    if (ControlId(root) == id)
        return root;
    for (QWidget* child : root->findChildren<QWidget*>())
        if (ControlId(child) == id)
            return child;
    return nullptr;
}

void SetControlTips(QWidget* control, unsigned stringId)
{
    if (control == nullptr || !HasString(stringId))
        return;
    control->setToolTip(CommandTip(stringId));
    control->setStatusTip(CommandPrompt(stringId));
}

void SetupControl(QWidget* control, unsigned id, const QString& caption)
{
    if (control == nullptr)
        return;
    SetControlId(control, id);
    control->setAccessibleName(caption);
    SetControlTips(control, id);
}

} // namespace velmo
