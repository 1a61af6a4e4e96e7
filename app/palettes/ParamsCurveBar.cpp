#include "app/palettes/ParamsCurveBar.h"

#include "document/VelmoDoc.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "res/ResourceIds.h"

#include <QFrame>
#include <QPainter>
#include <QVBoxLayout>

namespace velmo {

namespace {

class CurvePlot final : public QFrame {
public:
    CurvePlot(CCurveBar* owner, QWidget* parent) : QFrame(parent), bar(owner)
    {
        setObjectName(QStringLiteral("CurvePlot"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(96, 72);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    QSize sizeHint() const override { return {200, 150}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage image(size(), QImage::Format_RGB32);
        bar->PaintPlot(image);
        QPainter(this).drawImage(0, 0, image);
    }

private:
    CCurveBar* bar;
};

} // namespace

void PaintToneResponse(QImage& plot, const uint16_t* response)
{
    plot.fill(Qt::black);
    if (response == nullptr || plot.isNull())
        return;
    const int w = plot.width();
    const int h = plot.height();
    {
        QPainter p(&plot);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        for (int off = 0; off < 256; off += 64) {
            p.drawLine(0, off * h / 256, w - 1, off * h / 256);
            p.drawLine(off * w / 256, 0, off * w / 256, h - 1);
        }
    }
    auto point = [&plot, w, h](int x, int y, QRgb colour) {
        if (x >= 0 && x < w && y >= 0 && y < h)
            plot.setPixel(x, y, colour | 0xFF000000u);
    };
    for (int i = 0; i < 256; ++i) {
        const int x = i * w / 256;
        const int64_t hr = int64_t(h) * response[3 * i + 0] / 65535;
        const int64_t hg = int64_t(h) * response[3 * i + 1] / 65535;
        const int64_t hb = int64_t(h) * response[3 * i + 2] / 65535;
        point(x, int(h - hr), 0xFF0000);
        point(x, int(h - hg), 0x00FF00);
        point(x, int(h - hb), 0x0000FF);
        point(x, int(h - (hb + 4 * hg + 2 * hr) / 7), 0xFFFFFF);
    }
}

CCurveBar::CCurveBar(unsigned id, const QString& caption, const CVelmoDoc* document, QWidget* parent)
    : CPaletteDock(id, QStringLiteral("CurveBar"), caption, new QWidget, parent), doc(document)
{
    QWidget* body = widget();
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    plot = new CurvePlot(this, body);
    SetupControl(plot, IDC_PARAMS_CURVE_PLOT, PlainCaption(ControlText(IDD_CURVE_BAR, IDC_PARAMS_CURVE_PLOT)));
    layout->addWidget(plot, 1);
    if (doc != nullptr)
        subscription = doc->Subscribe([this](DocImageEvent event) {
            if (event == DocImageEvent::PreviewDeveloped || event == DocImageEvent::Closed)
                plot->update();
        });
}

CCurveBar::~CCurveBar()
{
    subscription.Reset();
}

void CCurveBar::PaintPlot(QImage& image) const
{
    const uint16_t* response = nullptr;
    if (doc != nullptr && doc->HasImage() && doc->ToneResponse().size() >= 3 * 256)
        response = doc->ToneResponse().data();
    PaintToneResponse(image, response);
}

} // namespace velmo
