#include "platform/gui/HeldButton.h"

#include <QStyleOptionButton>

namespace velmo {

void HeldButton::SetHeld(bool on)
{
    if (held == on)
        return;
    held = on;
    update();
}

void HeldButton::initStyleOption(QStyleOptionButton* option) const
{
    QPushButton::initStyleOption(option);
    if (held) {
        option->state |= QStyle::State_Sunken;
        option->state &= ~QStyle::State_Raised;
    }
}

} // namespace velmo
