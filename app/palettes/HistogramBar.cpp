#include "app/palettes/HistogramBar.h"

#include "document/VelmoDoc.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "platform/gui/RadioGroup.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmo {

namespace {

constexpr std::array<QRgb, 4> kChannelColours{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
constexpr std::array<unsigned, 4> kChannelIds{IDC_HISTOGRAM_RED, IDC_HISTOGRAM_GREEN, IDC_HISTOGRAM_BLUE,
                                              IDC_HISTOGRAM_LUMINOSITY};

// The plot (static 1701): drawn by the palette, read out under the pointer.
class PlotArea final : public QFrame {
public:
    PlotArea(CHistogramBar* owner, QWidget* parent) : QFrame(parent), bar(owner)
    {
        setObjectName(QStringLiteral("HistogramPlot"));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(128, 64);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QSize sizeHint() const override { return {260, 120}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage image(size(), QImage::Format_RGB32);
        bar->PaintPlot(image);
        QPainter(this).drawImage(0, 0, image);
    }
    void mouseMoveEvent(QMouseEvent* event) override { bar->PlotMoved(event->position().toPoint()); }

private:
    CHistogramBar* bar;
};

} // namespace

void PaintHistogram(QImage& plot, const int32_t* table, const HistogramChannels& channels)
{
    plot.fill(Qt::black);
    if (table == nullptr || plot.isNull())
        return;
    const int w = plot.width();
    const int h = plot.height();
    QPainter p(&plot);
    for (int d = 0; d < 256; ++d) {
        const int x0 = d * w / 256;
        const int x1 = w * (d + 1) / 256 + 1; // overlaps the next bar by a pixel
        for (size_t c = 0; c < channels.size(); ++c) {
            if (!channels[c])
                continue;
            const int64_t count = std::max<int64_t>(0, table[c * 256 + size_t(d)]);
            const int height = int(std::min<int64_t>(h, int64_t(h) * count / kHistogramFullCount));
            if (height > 0)
                p.fillRect(QRect(x0, h - height, x1 - x0, height), QColor(kChannelColours[c]));
        }
    }
}

std::optional<int> HistogramLevelAt(int x, int width)
{
    if (width <= 0 || x < 0 || x >= width)
        return std::nullopt;
    return int(int64_t(x) * 255 / width);
}

QString HistogramReadout(int level, int count)
{
    const std::string format = LoadString(IDS_HISTOGRAM_LEVEL_FORMAT);
    return QString::asprintf(format.c_str(), level, count);
}

CLevelCaption::CLevelCaption(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LevelCaption"));
    text = ControlText(IDD_HISTOGRAM_BAR, IDC_HISTOGRAM_LEVEL);
    SetupControl(this, IDC_HISTOGRAM_LEVEL, PlainCaption(text));
}

void CLevelCaption::SetReadout(const QString& newText, QColor colour)
{
    text = newText;
    swatch = colour;
    update();
}

void CLevelCaption::ClearReadout()
{
    text = ControlText(IDD_HISTOGRAM_BAR, IDC_HISTOGRAM_LEVEL);
    swatch.reset();
    update();
}

void CLevelCaption::SetText(const QString& newText)
{
    text = newText;
    swatch.reset();
    update();
}

int CLevelCaption::TextLeft() const
{
    // A gap of a space beside the swatch.
    return swatch ? height() + fontMetrics().horizontalAdvance(QLatin1Char(' ')) : 0;
}

QSize CLevelCaption::sizeHint() const
{
    // Room for the longest readouts, "H:0.00 S:0.00 I:0.00" beside the
    // swatch and the level's, and never less than the palette's usual width.
    const QFontMetrics m = fontMetrics();
    const int side = m.height() + 4;
    const int pixel = side + m.horizontalAdvance(QStringLiteral(" H:0.00 S:0.00 I:0.00"));
    const int level = m.horizontalAdvance(QStringLiteral("Level 000 : Count 000000000"));
    const int both = m.horizontalAdvance(QStringLiteral("__ R:000 G:000 B:000 Level 000 : Count"));
    return {std::max({200, pixel, level, both}), side};
}

QSize CLevelCaption::minimumSizeHint() const
{
    return {64, fontMetrics().height() + 4};
}

void CLevelCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().windowText().color());
    // One line, as the static shows it (a trailing line break is not drawn).
    QString line = text;
    line.remove(QLatin1Char('\n'));
    if (swatch) {
        p.fillRect(QRect(0, 0, height(), height()), *swatch);
        // The swatch stands where the readout keeps room for it.
        if (line.startsWith(QLatin1String("__ ")))
            line.remove(0, 3);
    }
    p.drawText(rect().adjusted(TextLeft(), 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, line);
}

CHistogramBar::CHistogramBar(unsigned id, const QString& caption, const CVelmoDoc* document, QWidget* parent)
    : CPaletteDock(id, QStringLiteral("HistogramBar"), caption, new QWidget, parent), doc(document)
{
    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    plot = new PlotArea(this, body);
    SetupControl(plot, IDC_HISTOGRAM_PLOT, PlainCaption(ControlText(IDD_HISTOGRAM_BAR, IDC_HISTOGRAM_PLOT)));
    layout->addWidget(plot, 1);

    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    sourceGroup = new RadioGroup(body);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(body);
        SetControlCaption(radio, IDD_HISTOGRAM_BAR, ID_HISTOGRAM_SOURCE_FIRST + unsigned(i));
        sourceGroup->Add(radio);
        radios[size_t(i)] = radio;
        row->addWidget(radio);
    }
    sourceGroup->SetCheckedIndex(source);
    connect(sourceGroup, &QButtonGroup::idClicked, this, [this] {
        source = std::max(0, sourceGroup->CheckedIndex());
        Invalidate();
    });
    row->addSpacing(8);
    for (size_t c = 0; c < checks.size(); ++c) {
        auto* check = new AutoCheckBox(QString(), false, body);
        SetControlCaption(check, IDD_HISTOGRAM_BAR, kChannelIds[c]);
        check->setChecked(channels[c]);
        connect(check, &QCheckBox::clicked, this, [this, c](bool on) {
            channels[c] = on;
            Invalidate();
        });
        checks[c] = check;
        row->addWidget(check);
    }
    row->addStretch(1);
    layout->addLayout(row);

    levelCaption = new CLevelCaption(body);
    layout->addWidget(levelCaption);

    if (doc != nullptr)
        subscription = doc->Subscribe([this](DocImageEvent event) { OnImageEvent(event); });
}

CHistogramBar::~CHistogramBar()
{
    subscription.Reset();
}

void CHistogramBar::OnImageEvent(DocImageEvent event)
{
    if (event == DocImageEvent::Closed) {
        // Every source is empty; the preview's is the one to show next, and
        // no readout of the picture that went stays.
        SetSource(0);
        levelCaption->ClearReadout();
        return;
    }
    if (HistogramSourceOf(event) == source)
        Invalidate();
}

void CHistogramBar::SetSource(int newSource)
{
    source = std::clamp(newSource, 0, 2);
    sourceGroup->SetCheckedIndex(source);
    Invalidate();
}

void CHistogramBar::SetChannel(int channel, bool on)
{
    if (channel < 0 || channel >= int(channels.size()))
        return;
    channels[size_t(channel)] = on;
    checks[size_t(channel)]->setChecked(on);
    Invalidate();
}

void CHistogramBar::Invalidate()
{
    if (plot != nullptr)
        plot->update();
}

const int32_t* CHistogramBar::SourceTable() const
{
    if (doc == nullptr || !doc->HasImage())
        return nullptr;
    const std::vector<int32_t>& block = doc->Histogram();
    const size_t start = size_t(source) * CVelmoDoc::kHistogramBins;
    if (block.size() < start + CVelmoDoc::kHistogramBins)
        return nullptr;
    return block.data() + start;
}

void CHistogramBar::PaintPlot(QImage& image) const
{
    PaintHistogram(image, SourceTable(), channels);
}

void CHistogramBar::PlotMoved(QPoint p)
{
    const std::optional<int> level = HistogramLevelAt(p.x(), plot->width());
    if (!level || p.y() < 0 || p.y() >= plot->height())
        return;
    // Nothing to read without an image.
    const int32_t* table = SourceTable();
    if (table == nullptr)
        return;
    levelCaption->SetText(HistogramReadout(*level, table[768 + *level]));
}

} // namespace velmo
