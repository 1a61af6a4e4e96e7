#include "app/HistogramBar.h"

#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QFrame>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

// The plot's place, black until the palette's own drawing comes.
class PlotArea final : public QFrame {
public:
    explicit PlotArea(QWidget* parent) : QFrame(parent)
    {
        setObjectName(QStringLiteral("HistogramPlot"));
        setFrameShape(QFrame::StyledPanel);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::black);
        setPalette(p);
        setMinimumSize(128, 64);
    }
    QSize sizeHint() const override { return {260, 120}; }
};

} // namespace

CLevelCaption::CLevelCaption(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LevelCaption"));
    text = ControlText(IDD_HISTOGRAM_BAR, IDC_HISTOGRAM_LEVEL);
    SetControlId(this, IDC_HISTOGRAM_LEVEL);
    setAccessibleName(PlainCaption(text));
}

void CLevelCaption::SetReadout(const QString& newText, QColor colour)
{
    text = newText;
    swatch = colour;
    update();
}

void CLevelCaption::SetText(const QString& newText)
{
    text = newText;
    update();
}

QSize CLevelCaption::sizeHint() const
{
    return {240, fontMetrics().height() + 4};
}

void CLevelCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    // One line, as the static shows it (a trailing line break is not drawn).
    QString line = text;
    line.remove(QLatin1Char('\n'));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, line);
    if (swatch)
        p.fillRect(QRect(0, 0, height(), height()), *swatch);
}

CHistogramBar::CHistogramBar(unsigned id, const QString& caption, QWidget* parent)
    : CPaletteDock(id, QStringLiteral("HistogramBar"), caption, new QWidget, parent)
{
    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    plot = new PlotArea(body);
    levelCaption = new CLevelCaption(body);
    layout->addWidget(plot, 1);
    layout->addWidget(levelCaption);
}

void CHistogramBar::SetSource(int newSource)
{
    source = std::clamp(newSource, 0, 2);
    Invalidate();
}

void CHistogramBar::Invalidate()
{
    if (plot != nullptr)
        plot->update();
}

} // namespace velmo
