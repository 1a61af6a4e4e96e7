#include "platform/gui/SpinButton.h"

#include "platform/gui/DataExchange.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

int UpDownDelta(const UpDownRange& range, bool upArrow, int increment)
{
    const int delta = upArrow ? increment : -increment;
    return range.lower > range.upper ? -delta : delta;
}

std::optional<int> UpDownOffset(const UpDownRange& range, int position, int delta)
{
    const int lo = std::min(range.lower, range.upper);
    const int hi = std::max(range.lower, range.upper);
    const long long target = std::clamp<long long>((long long)position + delta, lo, hi);
    if (target == position)
        return std::nullopt;
    return int(target);
}

int UpDownAcceleration(qint64 milliseconds)
{
    if (milliseconds >= 5000)
        return 20;
    if (milliseconds >= 2000)
        return 5;
    return 1;
}

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent), upButton(new QToolButton(this)), downButton(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {upButton, downButton}) {
        button->setArrowType(button == upButton ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
        button->setMinimumSize(8, 4);
        layout->addWidget(button);
        // pressed() comes with the press and with every repeat.
        connect(button, &QToolButton::pressed, this, [this, up = button == upButton] { Press(up); });
        // Repeats emit released() while the button stays down; the real
        // release ends the hold.
        connect(button, &QToolButton::released, this, [this, button] {
            if (!button->isDown())
                holding = false;
        });
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    setFocusPolicy(Qt::NoFocus);
}

QSize SpinButton::sizeHint() const
{
    const int h = fontMetrics().height();
    return QSize(std::max(12, h * 3 / 4 + 2), h + 6);
}

QSize SpinButton::minimumSizeHint() const
{
    return QSize(sizeHint().width(), 12);
}

void SpinButton::SetRange(int lower, int upper)
{
    range.lower = std::clamp(lower, UD_MINVAL, UD_MAXVAL);
    range.upper = std::clamp(upper, UD_MINVAL, UD_MAXVAL);
}

void SpinButton::SetPos(int newPosition)
{
    position = std::clamp(newPosition, std::min(range.lower, range.upper), std::max(range.lower, range.upper));
    if (buddy != nullptr)
        buddy->setText(QString::fromStdString(FormatIntText(position)));
}

void SpinButton::SetBuddy(QLineEdit* newBuddy)
{
    if (buddy != nullptr)
        buddy->removeEventFilter(this);
    buddy = newBuddy;
    if (buddy != nullptr)
        buddy->installEventFilter(this);
}

void SpinButton::SyncFromBuddy()
{
    // An entry that is no number in the range leaves the position.
    if (buddy == nullptr)
        return;
    const std::optional<int> typed = ParseIntText(buddy->text().toStdString());
    if (!typed)
        return;
    if (*typed >= std::min(range.lower, range.upper) && *typed <= std::max(range.lower, range.upper))
        position = *typed;
}

void SpinButton::Step(bool up, int increment)
{
    SyncFromBuddy();
    int delta = UpDownDelta(range, up, increment);
    if (deltaPosHandler && deltaPosHandler(position, delta))
        return;
    const std::optional<int> moved = UpDownOffset(range, position, delta);
    if (!moved)
        return;
    position = *moved;
    if (buddy != nullptr)
        buddy->setText(QString::fromStdString(FormatIntText(position)));
    if (positionHandler)
        positionHandler(position);
}

void SpinButton::Press(bool up)
{
    if (!holding) {
        holding = true;
        held.start();
    }
    Step(up, UpDownAcceleration(held.elapsed()));
}

bool SpinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velmo
