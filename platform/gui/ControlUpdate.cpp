#include "platform/gui/ControlUpdate.h"

#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace velmo {

namespace {

// The ids the framework never updates (none, and the static ids).
bool IgnoredId(unsigned id)
{
    return id == 0 || (id & 0xFFFF) == 0xFFFF;
}

ControlState StateFrom(const CCmdUI& ui, bool enableDecided)
{
    ControlState state;
    if (enableDecided || ui.enableChanged)
        state.enabled = ui.enabled;
    state.check = ui.check;
    state.text = ui.text;
    return state;
}

} // namespace

bool DisabledWithoutHandler(ControlKind kind)
{
    return kind == ControlKind::PushButton;
}

ControlState QueryControlState(unsigned id, ControlKind kind, CCmdTarget* own, const CommandRoute& route,
                               bool disableIfNoHandler)
{
    if (IgnoredId(id))
        return {};
    CCmdUI ui(id);
    if (own != nullptr && own->OnCmdMsg(id, &ui))
        return StateFrom(ui, false);
    const bool disable = disableIfNoHandler && DisabledWithoutHandler(kind);
    ui = CCmdUI(id);
    route.Update(ui, disable);
    return StateFrom(ui, disable);
}

ControlKind KindOfControl(const QWidget* control)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return box->isTristate() ? ControlKind::ThreeStateBox : ControlKind::CheckBox;
    if (qobject_cast<const QRadioButton*>(control) != nullptr)
        return ControlKind::RadioButton;
    if (qobject_cast<const QGroupBox*>(control) != nullptr)
        return ControlKind::GroupBox;
    if (qobject_cast<const QPushButton*>(control) != nullptr || qobject_cast<const QToolButton*>(control) != nullptr)
        return ControlKind::PushButton;
    return ControlKind::Other;
}

void ApplyControlState(QWidget* control, const ControlState& state)
{
    if (control == nullptr)
        return;
    // Qt moves the focus on from a control that gets disabled.
    if (state.enabled && control->isEnabled() != *state.enabled)
        control->setEnabled(*state.enabled);
    if (state.check) {
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            const int shown = !box->isTristate() && *state.check == BST_INDETERMINATE ? BST_CHECKED : *state.check;
            box->setCheckState(QtCheckState(shown));
        } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
            QButtonGroup* group = radio->group();
            const bool exclusive = group != nullptr && group->exclusive();
            if (exclusive && *state.check == 0)
                group->setExclusive(false);
            radio->setChecked(*state.check != 0);
            if (exclusive)
                group->setExclusive(true);
        }
    }
    if (state.text) {
        const QString text = QString::fromStdString(*state.text);
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            button->setText(text);
        else if (auto* label = qobject_cast<QLabel*>(control))
            label->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            group->setTitle(text);
        else if (auto* edit = qobject_cast<QLineEdit*>(control); edit != nullptr && edit->text() != text)
            edit->setText(text);
    }
}

void UpdateDialogControls(QWidget* dialog, CCmdTarget* own, const CommandRoute& route, bool disableIfNoHandler)
{
    if (dialog == nullptr)
        return;
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        const unsigned id = ControlId(control);
        if (id == 0)
            continue;
        ApplyControlState(control, QueryControlState(id, KindOfControl(control), own, route, disableIfNoHandler));
    }
}

} // namespace velmo
