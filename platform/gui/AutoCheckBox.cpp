#include "platform/gui/AutoCheckBox.h"

namespace velmo {

int NextAutoCheckState(int state)
{
    return state == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED;
}

int NextAuto3State(int state)
{
    switch (state) {
    case BST_UNCHECKED:
        return BST_CHECKED;
    case BST_CHECKED:
        return BST_INDETERMINATE;
    default:
        return BST_UNCHECKED;
    }
}

int CheckStateNumber(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return BST_CHECKED;
    case Qt::PartiallyChecked:
        return BST_INDETERMINATE;
    default:
        return BST_UNCHECKED;
    }
}

Qt::CheckState QtCheckState(int state)
{
    switch (state) {
    case BST_CHECKED:
        return Qt::Checked;
    case BST_INDETERMINATE:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

AutoCheckBox::AutoCheckBox(const QString& text, bool threeState, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(threeState);
}

void AutoCheckBox::SetState(int state)
{
    if (!isTristate() && state == BST_INDETERMINATE)
        state = BST_CHECKED;
    setCheckState(QtCheckState(state));
}

void AutoCheckBox::nextCheckState()
{
    const int state = State();
    setCheckState(QtCheckState(isTristate() ? NextAuto3State(state) : NextAutoCheckState(state)));
}

} // namespace velmo
