#include "platform/gui/StatusProgress.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace velmo {

StatusProgressPane::StatusProgressPane(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QSize StatusProgressPane::sizeHint() const
{
    return {200, fontMetrics().height() + 4};
}

void StatusProgressPane::SetMessage(const QString& text)
{
    message = text;
    if (!progress)
        update();
}

QString StatusProgressPane::ProgressText(int value, const QString& text)
{
    if (value == -2)
        return text;
    const QString digits = QStringLiteral("%1%").arg(value, 2, 10, QLatin1Char('0'));
    return text.isEmpty() ? digits : text + QLatin1Char(' ') + digits;
}

void StatusProgressPane::ShowProgress(int value, const QString& text, bool whole)
{
    // An unpacker reports after every few kilobytes: the pane is drawn again
    // only when what it shows changes.
    if (value != -1 && progress && value == percent && text == label && whole == wholePane)
        return;
    if (value == -1) {
        progress = false;
    } else {
        progress = true;
        percent = value;
        label = text;
        wholePane = whole;
    }
    if (isVisible())
        repaint();
    else
        update();
}

QString StatusProgressPane::Text() const
{
    return progress ? ProgressText(percent, label) : message;
}

void StatusProgressPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect pane = rect();
    if (!progress) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(pane.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, message);
        return;
    }
    QRect area = pane;
    if (!wholePane) {
        // The left part keeps showing the message.
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(pane.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, message);
        area.setLeft(pane.left() + pane.width() * 2 / 3);
    }
    const int filled = percent >= 0 ? area.width() * std::clamp(percent, 0, 100) / 100 : 0;
    p.fillRect(QRect(area.left() + filled, area.top(), area.width() - filled, area.height()), Qt::white);
    p.fillRect(QRect(area.left(), area.top(), filled, area.height()), QColor(0, 0, 255));
    // The text is XOR-drawn so that it reads on both the bar and the white.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QColor(0, 255, 255));
    p.drawText(area, Qt::AlignCenter, ProgressText(percent, label));
}

} // namespace velmo
