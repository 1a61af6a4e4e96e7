#include "platform/gui/RadioGroup.h"

#include <QAbstractButton>

namespace velmo {

RadioGroup::RadioGroup(QObject* parent) : QButtonGroup(parent)
{
    setExclusive(true);
}

int RadioGroup::Add(QAbstractButton* radio)
{
    const int index = int(buttons().size());
    addButton(radio, index);
    return index;
}

int RadioGroup::CheckedIndex() const
{
    return RadioIndex(*this);
}

void RadioGroup::SetCheckedIndex(int index)
{
    SetRadioIndex(*this, index);
}

int RadioIndex(const QButtonGroup& group)
{
    const int id = group.checkedId();
    return id >= 0 ? id : -1;
}

void SetRadioIndex(QButtonGroup& group, int index)
{
    if (QAbstractButton* radio = index >= 0 ? group.button(index) : nullptr) {
        radio->setChecked(true);
        return;
    }
    // An exclusive group keeps its checked button; clear it with the rule off.
    const bool exclusive = group.exclusive();
    group.setExclusive(false);
    for (QAbstractButton* b : group.buttons())
        b->setChecked(false);
    group.setExclusive(exclusive);
}

} // namespace velmo
