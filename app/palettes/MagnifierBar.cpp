#include "app/palettes/MagnifierBar.h"

#include "app/palettes/HistogramBar.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/AutoCheckBox.h"
#include "platform/gui/ControlIds.h"
#include "platform/gui/ControlUnit.h"
#include "platform/gui/DialogText.h"
#include "platform/gui/TrackBar.h"
#include "res/ResourceIds.h"

#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace velmo {

namespace {

// The view's size while the palette is docked (the size it has in the
// palette's template); floating, the view is the square's size.
constexpr int kDockedViewSize = 256;
// Docked, the view keeps at least this much of it beside the other palettes.
constexpr int kMinDockedViewSize = 200;
constexpr int kMinViewSize = 64;

// The view: a sunken frame whose events go to the palette.
class MagnifierView final : public QFrame {
public:
    MagnifierView(CMagnifierBar* owner, QWidget* parent) : QFrame(parent), bar(owner)
    {
        setObjectName(QStringLiteral("MagnifierView"));
        setFrameShape(QFrame::NoFrame);
        setMouseTracking(true);
        setMinimumSize(kMinDockedViewSize, kMinDockedViewSize);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QSize sizeHint() const override
    {
        const int side = bar->isFloating() ? bar->Size() : kDockedViewSize;
        return {side, side};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        bar->PaintView(painter);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QFrame::resizeEvent(event);
        bar->ViewResized(size());
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        bar->ViewPressed(event->position().toPoint(), event->button());
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        bar->ViewMoved(event->position().toPoint(), event->buttons(), event->modifiers());
    }
    void mouseReleaseEvent(QMouseEvent* event) override { bar->ViewReleased(event->button()); }

private:
    CMagnifierBar* bar;
};

} // namespace

CMagnifierBar::CMagnifierBar(unsigned id, const QString& caption, CVelmoDoc* document, QWidget* parent)
    : CPaletteDock(id, QStringLiteral("MagnifierBar"), caption, new QWidget, parent), doc(document)
{
    QWidget* body = widget();
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);

    // The label shows the palette's own caption.
    label = new QLabel(DialogTitle(IDD_MAGNIFIER_BAR), body);
    label->setAccessibleName(PlainCaption(label->text()));
    zoomSlider = new TrackBar(Qt::Horizontal, body);
    zoomSlider->SetRange(kMinMagnifierZoom, kMaxMagnifierZoom);
    zoomSlider->SetPageSize(1);
    zoomSlider->SetTicFreq(1);
    zoomSlider->SetPos(1);
    SetupControl(zoomSlider, IDC_MAGNIFIER_ZOOM, PlainCaption(ControlText(IDD_MAGNIFIER_BAR, IDC_MAGNIFIER_ZOOM)));
    zoomSlider->SetScrollHandler([this](int, int position) { SetZoom(position); });

    view = new MagnifierView(this, body);
    SetupControl(view, IDC_MAGNIFIER_VIEW, PlainCaption(ControlText(IDD_MAGNIFIER_BAR, IDC_MAGNIFIER_VIEW)));
    vBar = new QScrollBar(Qt::Vertical, body);
    SetupControl(vBar, IDC_MAGNIFIER_VSCROLL,
                 PlainCaption(ControlText(IDD_MAGNIFIER_BAR, IDC_MAGNIFIER_VSCROLL)));
    hBar = new QScrollBar(Qt::Horizontal, body);
    SetupControl(hBar, IDC_MAGNIFIER_HSCROLL,
                 PlainCaption(ControlText(IDD_MAGNIFIER_BAR, IDC_MAGNIFIER_HSCROLL)));
    for (QScrollBar* bar : {hBar, vBar}) {
        bar->setSingleStep(10);
        connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
            if (syncing)
                return;
            (bar == hBar ? scroll.x : scroll.y) = value;
            scroll.Clamp();
            view->update();
        });
    }
    dockCheck = new AutoCheckBox(QString(), false, body);
    SetupControl(dockCheck, IDC_DOCK_MAGNIFIER, PlainCaption(ControlText(IDD_MAGNIFIER_BAR, IDC_DOCK_MAGNIFIER)));
    connect(dockCheck, &QCheckBox::clicked, this, [this] { OnDockCheck(); });

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(zoomSlider, 1);
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(view, 1, 0);
    grid->addWidget(vBar, 1, 1);
    grid->addWidget(hBar, 2, 0);
    grid->addWidget(dockCheck, 2, 1, Qt::AlignCenter);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);

    dockFlag = Settings().GetProfileInt(kSettingsSection, "DockMagnifier", 0) != 0;
    dockCheck->setChecked(dockFlag);
    SetSize(-1);
    if (doc != nullptr) {
        imageSubscription = doc->Subscribe([this](DocImageEvent event) { OnImageEvent(event); });
        editSubscription = doc->Edit().Subscribe([this](const EditChange& change) { OnEditChange(change); });
    }

    // Floating, the view takes the square's size and starts at its corner;
    // docked, its own size again.
    connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (floating) {
            scroll.x = 0;
            scroll.y = 0;
        }
        const int least = floating ? kMinViewSize : kMinDockedViewSize;
        view->setMinimumSize(least, least);
        view->updateGeometry();
        if (floating)
            adjustSize();
        SetZoom(0);
    });
}

CMagnifierBar::~CMagnifierBar()
{
    imageSubscription.Reset();
    editSubscription.Reset();
    Settings().WriteProfileInt(kSettingsSection, "DockMagnifier", dockFlag ? 1 : 0);
}

void CMagnifierBar::SetReadoutCaption(CLevelCaption* caption)
{
    readoutCaption = caption;
}

void CMagnifierBar::OnImageEvent(DocImageEvent event)
{
    switch (event) {
    case DocImageEvent::MagnifierMoved:
        SetCenter();
        break;
    case DocImageEvent::Loaded:
    case DocImageEvent::Closed:
    case DocImageEvent::MagnifierRendered:
        // The square shown (or none) is another now.
        bitmapValid = false;
        view->update();
        break;
    case DocImageEvent::PreviewDeveloped:
    case DocImageEvent::SelectionHistogram:
    case DocImageEvent::LensInfoChanged:
        break;
    }
}

void CMagnifierBar::OnEditChange(const EditChange& change)
{
    if (change.target != EditTarget::Switch)
        return;
    if (change.switchId == SwitchId::MagnifierSize) {
        const int n = doc->Edit().Switch(SwitchId::MagnifierSize);
        if (n != scroll.size)
            SetSize(n);
    } else if (change.switchId == SwitchId::Grid) {
        view->update();
    }
}

QWidget* CMagnifierBar::View() const
{
    return view;
}

void CMagnifierBar::SetSize(int n)
{
    if (n == -1)
        n = doc != nullptr ? doc->Edit().Switch(SwitchId::MagnifierSize) : scroll.size;
    n = MagnifierSizeOrDefault(n);
    if (doc != nullptr && doc->Edit().Switch(SwitchId::MagnifierSize) != n)
        doc->Edit().SetSwitch(SwitchId::MagnifierSize, n);
    scroll.size = n;
    pattern = MagnifierTestPattern(n);
    // A square of the other size no longer fits.
    if (square != nullptr && square->width != n)
        square.reset();
    bitmapValid = false;
    view->updateGeometry();
    // Floating, the palette takes the view's new size; docked, the view's
    // size does not depend on the square's.
    if (isFloating())
        adjustSize();
    SetZoom(0);
}

void CMagnifierBar::UpdateBitmap(std::shared_ptr<const DisplayImage> image)
{
    square = std::move(image);
    bitmapValid = false;
    view->update();
}

void CMagnifierBar::SetCenter()
{
    scroll.SetCenter();
    SyncScrollBars();
    view->update();
}

void CMagnifierBar::SetZoom(int zoom)
{
    scroll.SetZoom(zoom);
    if (zoomSlider->GetPos() != scroll.zoom)
        zoomSlider->SetPos(scroll.zoom);
    SyncScrollBars();
    view->update();
}

void CMagnifierBar::SyncScrollBars()
{
    syncing = true;
    hBar->setRange(0, scroll.LimitX());
    hBar->setPageStep(std::max(1, scroll.PageX()));
    hBar->setValue(scroll.x);
    vBar->setRange(0, scroll.LimitY());
    vBar->setPageStep(std::max(1, scroll.PageY()));
    vBar->setValue(scroll.y);
    syncing = false;
}

void CMagnifierBar::OnDockCheck()
{
    dockFlag = dockCheck->isChecked();
    ApplyDockFlag();
}

void CMagnifierBar::ToggleDock()
{
    dockFlag = !dockFlag;
    dockCheck->setChecked(dockFlag);
    ApplyDockFlag();
}

void CMagnifierBar::ApplyDockFlag()
{
    // The floating layout places every palette itself.
    if (floatingLayout && floatingLayout())
        return;
    if (dockFlag) {
        const QPoint corner = mapToGlobal(QPoint(0, 0));
        setFloating(true);
        move(corner);
        SetDockable(false);
    } else {
        SetDockable(true);
        ToggleDocking();
    }
}

bool CMagnifierBar::ShowsPicture() const
{
    return doc == nullptr || doc->HasImage();
}

std::shared_ptr<const DisplayImage> CMagnifierBar::Square() const
{
    if (!ShowsPicture())
        return nullptr;
    std::shared_ptr<const DisplayImage> current = doc != nullptr ? doc->MagnifierImage() : square;
    if (current == nullptr || current->width != scroll.size || current->height != scroll.size ||
        current->bgr.size() < size_t(current->stride) * size_t(current->height))
        return nullptr;
    return current;
}

const DisplayImage& CMagnifierBar::ShownPixels() const
{
    const std::shared_ptr<const DisplayImage> current = Square();
    return current != nullptr ? *current : pattern;
}

QImage CMagnifierBar::Bitmap() const
{
    if (!ShowsPicture())
        return {};
    std::shared_ptr<const DisplayImage> current = Square();
    if (!bitmapValid || bitmapOf != current) {
        bitmap = MagnifierBitmap(current != nullptr ? *current : pattern);
        bitmapOf = std::move(current);
        bitmapValid = true;
    }
    return bitmap;
}

void CMagnifierBar::PaintView(QPainter& painter)
{
    const QRect area(QPoint(0, 0), view->size());
    if (!ShowsPicture()) {
        painter.fillRect(area, palette().window());
        return;
    }
    QImage canvas(area.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        const QImage shown = Bitmap();
        const QPoint origin = scroll.Origin();
        const int k = scroll.zoom;
        // Whole magnifier pixels, each k x k, so that the drawing, the
        // readout and the grid agree.
        const int columns = std::min((area.width() + k - 1) / k, shown.width() - origin.x());
        const int rows = std::min((area.height() + k - 1) / k, shown.height() - origin.y());
        if (columns > 0 && rows > 0)
            p.drawImage(QRect(0, 0, columns * k, rows * k), shown, QRect(origin.x(), origin.y(), columns, rows));
        const int grid = doc != nullptr ? doc->Edit().Switch(SwitchId::Grid) : 0;
        if (grid > 0) {
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.setPen(QPen(Qt::white, 1));
            for (int u : scroll.GridLines(grid, origin.x(), area.width()))
                p.drawLine(u, 0, u, area.height() - 1);
            for (int v : scroll.GridLines(grid, origin.y(), area.height()))
                p.drawLine(0, v, area.width() - 1, v);
        }
    }
    painter.drawImage(0, 0, canvas);
}

void CMagnifierBar::ViewResized(QSize size)
{
    scroll.viewWidth = size.width();
    scroll.viewHeight = size.height();
    SetZoom(0);
}

void CMagnifierBar::ViewPressed(QPoint p, Qt::MouseButton button)
{
    if (button == Qt::LeftButton) {
        panning = true;
        panStart = p;
        panScroll = QPoint(scroll.x, scroll.y);
        return;
    }
    if (button == Qt::RightButton && doc != nullptr && doc->HasImage())
        if (const std::optional<QPoint> pixel = scroll.PixelAt(p))
            doc->SpotWhiteBalanceFromMagnifier(pixel->x(), pixel->y());
}

void CMagnifierBar::ViewMoved(QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    if (panning && (buttons & Qt::LeftButton)) {
        scroll.Pan(panScroll, p.x() - panStart.x(), p.y() - panStart.y());
        SyncScrollBars();
        view->update();
        return;
    }
    panning = false;
    if (!ShowsPicture())
        return;
    const std::optional<QPoint> pixel = scroll.PixelAt(p);
    if (!pixel)
        return;
    const DisplayImage& pixels = ShownPixels();
    const uint8_t* px = pixels.Row(pixel->y()) + size_t(pixel->x()) * 3;
    const int b = px[0], g = px[1], r = px[2];
    const HueModel model = doc != nullptr ? doc->Edit().Hue() : HueModel::HLS;
    ShowReadout(PixelReadout(r, g, b, (modifiers & Qt::ControlModifier) != 0, model), QColor(r, g, b));
}

void CMagnifierBar::ViewReleased(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        panning = false;
}

void CMagnifierBar::ShowReadout(const QString& text, QColor swatch)
{
    lastReadout = text;
    if (readoutCaption != nullptr)
        readoutCaption->SetReadout(text, swatch);
}

bool CMagnifierBar::OnCopyImage()
{
    const QImage shown = Bitmap();
    if (shown.isNull())
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    clipboard->setImage(shown);
    return true;
}

} // namespace velmo
