#include "app/VelmoView.h"

#include "app/AppDocHost.h"
#include "app/DisplayedImage.h"
#include "app/palettes/HistogramBar.h"
#include "app/MainFrame.h"
#include "app/palettes/PaletteDock.h"
#include "app/VelmoApp.h"
#include "app/dialogs/FileDialogs.h"
#include "develop/colour/ColorManagement.h"
#include "develop/output/SaveDocument.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "document/VelmoDoc.h"
#include "params/FeatureFiles.h"
#include "params/EditState.h"
#include "platform/core/PixelMath.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QClipboard>
#include <QColorSpace>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <cstdio>

namespace velmo {

namespace {

constexpr uint8_t kEmptyGrey = 192;       // the preview before anything was developed
constexpr QRgb kBorderColour = 0xFFC0C0C0; // the area outside the display size
constexpr QRgb kGridColour = 0x808080;
constexpr QRgb kCropColour = 0xFFFFFF;

IntPoint ToPoint(const QPointF& p)
{
    return {int(p.x()), int(p.y())};
}

// The tool cursors, drawn: a lens (magnifier), an open hand (panning), a
// cross with corner marks (crop) and a cross with a hollow square (spot
// white balance).
QCursor ToolCursor(unsigned id)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(Qt::white, 3);
    const QPen line(Qt::black, 1);
    auto both = [&](auto draw) {
        p.setPen(outline);
        draw();
        p.setPen(line);
        draw();
    };
    switch (id) {
    case IDC_CURSOR_MAGNIFIER:
        both([&] {
            p.drawEllipse(QPointF(12, 12), 8, 8);
            p.drawLine(QPointF(18, 18), QPointF(28, 28));
        });
        p.end();
        return QCursor(pixmap, 12, 12);
    case IDC_CURSOR_CROP:
        both([&] {
            p.drawLine(16, 4, 16, 28);
            p.drawLine(4, 16, 28, 16);
            p.drawPolyline(QPolygon({QPoint(8, 12), QPoint(8, 8), QPoint(12, 8)}));
            p.drawPolyline(QPolygon({QPoint(20, 24), QPoint(24, 24), QPoint(24, 20)}));
        });
        p.end();
        return QCursor(pixmap, 16, 16);
    case IDC_CURSOR_SPOT_WB:
    default:
        both([&] {
            p.drawLine(16, 2, 16, 11);
            p.drawLine(16, 21, 16, 30);
            p.drawLine(2, 16, 11, 16);
            p.drawLine(21, 16, 30, 16);
            p.drawRect(13, 13, 6, 6);
        });
        p.end();
        return QCursor(pixmap, 16, 16);
    }
}

Qt::CursorShape SizingCursor(int code)
{
    switch (code) {
    case kCropHitMove: return Qt::SizeAllCursor;
    case kCropHitTop:
    case kCropHitBottom: return Qt::SizeVerCursor;
    case kCropHitRight:
    case kCropHitLeft: return Qt::SizeHorCursor;
    case kCropHitTop | kCropHitRight:
    case kCropHitBottom | kCropHitLeft: return Qt::SizeBDiagCursor;
    case kCropHitBottom | kCropHitRight:
    case kCropHitTop | kCropHitLeft: return Qt::SizeFDiagCursor;
    default: return Qt::SizeAllCursor;
    }
}

} // namespace

CVelmoView::CVelmoView(CVelmoDoc& document, QWidget* parent) : QAbstractScrollArea(parent), doc(document)
{
    setObjectName(QStringLiteral("VelmoView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);

    crop.ReadSettings(Settings());
    magnifierCursor = ToolCursor(IDC_CURSOR_MAGNIFIER);
    panCursor = QCursor(Qt::OpenHandCursor);
    cropCursor = ToolCursor(IDC_CURSOR_CROP);
    spotCursor = ToolCursor(IDC_CURSOR_SPOT_WB);
    viewport()->setCursor(magnifierCursor);

    previewBits.assign(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3, kEmptyGrey);
    SetPreviewProfile(0);
    preview = DisplayedImage(previewBits.data(), dibWidth, dibHeight, dibWidth * 3, nullptr, false);
    BuildCommandMap();
}

CVelmoView::~CVelmoView()
{
    crop.WriteCorners(Settings());
}

CMainFrame* CVelmoView::Frame() const
{
    return dynamic_cast<CMainFrame*>(window());
}

// --- Picture ------------------------------------------------------------------------

void CVelmoView::OnUpdate()
{
    RefreshPreviewImage();
    viewport()->update();
}

void CVelmoView::RefreshPreviewImage()
{
    fullImage.reset();
    fullShown = QImage();

    const bool rotated = doc.Edit().Params().rotate != 0;
    const UnitFrame f = UnitFrameFor(rotated, doc.CameraFamily(), doc.Image().imageWidth, doc.Image().imageHeight);
    unitWidth = f.unitWidth;
    unitHeight = f.unitHeight;
    crop.SetBounds(f);
    crop.ClampToUnitFrame(unitWidth, unitHeight);
    // A frame kept from another picture (or the settings) stays on this
    // picture, out of the black bands of a 3:2 one.
    if (doc.HasImage())
        crop.ClampToBounds();
    dibWidth = rotated ? CVelmoDoc::kPreviewHeight : CVelmoDoc::kPreviewWidth;
    dibHeight = rotated ? CVelmoDoc::kPreviewWidth : CVelmoDoc::kPreviewHeight;

    if (doc.HasImage()) {
        doc.DevelopPreview(previewBits.data());
    } else {
        // No picture (File New, a failed load): the empty grey view.
        std::fill(previewBits.begin(), previewBits.end(), kEmptyGrey);
        SetPreviewProfile(doc.Edit().Params().ICC);
    }
    // The document's crop follows the frame for this image and turn.
    SetCropFrame();
    UpdatePreviewBitmap();
    viewport()->update();
}

void CVelmoView::UpdatePreviewBitmap()
{
    preview = DisplayedImage(previewBits.data(), dibWidth, dibHeight, dibWidth * 3, previewProfile.get(),
                             !previewSrgb);
    hasPreviewBitmap = true;
    viewport()->update();
    RefreshSelectionHistogram();
}

void CVelmoView::SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image)
{
    fullImage = std::move(image);
    fullShown = QImage();
    if (fullImage != nullptr && fullImage->width > 0 && fullImage->height > 0 &&
        fullImage->bgr.size() >= size_t(fullImage->stride) * size_t(fullImage->height))
        fullShown = DisplayedImage(fullImage->bgr.data(), fullImage->width, fullImage->height, fullImage->stride,
                                   fullImage->profile.get(), fullImage->colorManaged);
    else
        fullImage.reset();
    viewport()->update();
    RefreshSelectionHistogram();
}

void CVelmoView::SetDisplaySize(int width, int height, bool onlyPicture)
{
    if (width == displayWidth && height == displayHeight && onlyPicture == pictureOnly)
        return;
    displayWidth = width;
    displayHeight = height;
    pictureOnly = onlyPicture;
    UpdateScrollBars();
    doc.MakeFullPreviewBitmap();
    viewport()->update();
}

void CVelmoView::SetPreviewProfile(int icc)
{
    if (icc < 0 || icc >= kIccSlotCount)
        icc = 0;
    previewProfile = doc.Colors().ProfileForDisplay(icc);
    previewSrgb = Frame() != nullptr && !doc.Colors().GuiConvertsColors();
}

void CVelmoView::OnEditCopy()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(preview);
}

void CVelmoView::UpdateScrollBars()
{
    // A picture that fits the whole view needs no scroll bars (which would
    // themselves take the room that makes it fit).
    const Rect shown = FixedGeometry().ShownArea();
    if (shown.Width() <= width() && shown.Height() <= height()) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        return;
    }
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.Width() - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(std::max(1, client.width() / 100));
    verticalScrollBar()->setRange(0, std::max(0, shown.Height() - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    verticalScrollBar()->setSingleStep(std::max(1, client.height() / 100));
}

void CVelmoView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CVelmoView::scrollContentsBy(int, int)
{
    // The grid and the crop frame are drawn anew with the picture.
    viewport()->update();
}

// --- Geometry -----------------------------------------------------------------------

IntPoint CVelmoView::ScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

ViewGeometry CVelmoView::Geometry() const
{
    ViewGeometry g = FixedGeometry();
    // The scroll bars run over the shown area: content points start at its
    // corner.
    const Rect shown = g.ShownArea();
    const IntPoint scroll = ScrollPosition();
    g.scrollX = shown.left + scroll.x;
    g.scrollY = shown.top + scroll.y;
    return g;
}

ViewGeometry CVelmoView::FixedGeometry() const
{
    ViewGeometry g;
    g.displayWidth = displayWidth;
    g.displayHeight = displayHeight;
    g.pictureOnly = pictureOnly;
    g.clientWidth = viewport()->width();
    g.clientHeight = viewport()->height();
    g.unitWidth = unitWidth;
    g.unitHeight = unitHeight;
    g.dibWidth = dibWidth;
    g.dibHeight = dibHeight;
    g.gridCount = doc.Edit().Switch(SwitchId::Grid);
    g.cameraFamily = doc.CameraFamily();
    g.imageWidth = doc.Image().imageWidth;
    g.imageHeight = doc.Image().imageHeight;
    g.rotated = dibWidth < dibHeight;
    return g;
}

// --- Drawing ------------------------------------------------------------------------

void CVelmoView::paintEvent(QPaintEvent*)
{
    const QImage canvas = RenderCanvas(viewport()->size());
    QPainter p(viewport());
    p.drawImage(0, 0, canvas);
}

QImage CVelmoView::RenderCanvas(QSize size) const
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(kBorderColour);
    const ViewGeometry g = Geometry();
    const int w = g.DisplayW();
    const int h = g.DisplayH();
    if (hasPreviewBitmap && w > 0 && h > 0) {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const Rect shown = g.ShownArea();
        p.setClipRect(QRect(shown.left - g.scrollX, shown.top - g.scrollY, shown.Width(), shown.Height()));
        const QRect target(-g.scrollX, -g.scrollY, w, h);
        p.drawImage(target, fullShown.isNull() ? preview : fullShown);
        p.end();
        DrawGrid(canvas);
    }
    DrawCropFrame(canvas);
    if (capture == Capture::Spot && spotDragged) {
        // The rectangle a picker drag will average, in window coordinates.
        QPainter p(&canvas);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(QColor::fromRgb(kCropColour), 0));
        p.drawRect(QRect(QPoint(spotPressPoint.x, spotPressPoint.y), QPoint(spotCurrentPoint.x, spotCurrentPoint.y))
                       .normalized());
    }
    return canvas;
}

// The grid and the crop frame are drawn in XOR over the picture, so they
// show on every colour; the picture itself is always drawn anew, so taking
// them away restores it exactly.
void CVelmoView::DrawGrid(QImage& canvas) const
{
    const ViewGeometry g = Geometry();
    const int n = g.Grid();
    if (n <= 1)
        return;
    // The grid divides the picture, not the black bands beside a 3:2 one.
    const Rect a = g.PictureArea();
    const int w = a.Width();
    const int h = a.Height();
    if (w <= 0 || h <= 0)
        return;
    QPainter p(&canvas);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(QColor::fromRgb(kGridColour), 0));
    p.translate(-g.scrollX, -g.scrollY);
    for (int i = 1; i < n; ++i) {
        const int y = a.top + int(int64_t(h) * i / n);
        const int x = a.left + int(int64_t(i) * w / n);
        // Lines end one pixel short of the far edge, as line drawing does.
        p.drawLine(a.left, y, a.right - 1, y);
        p.drawLine(x, a.top, x, a.bottom - 1);
    }
}

void CVelmoView::DrawCropFrame(QImage& canvas) const
{
    // Without a picture there is nothing to crop: a frame kept for the next
    // picture is not shown over the empty view.
    if (!crop.IsSelected() || !doc.HasImage())
        return;
    const ViewGeometry g = Geometry();
    const IntPoint a = g.UnitsToClient(crop.cropStart);
    const IntPoint b = g.UnitsToClient(crop.cropEnd);
    QPainter p(&canvas);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(QColor::fromRgb(kCropColour), g.Grid() > 2 ? 5 : 3);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.translate(-g.scrollX, -g.scrollY);
    // One closed outline: every pixel of it is inverted once.
    p.drawPolygon(QPolygon({QPoint(a.x, a.y), QPoint(a.x, b.y), QPoint(b.x, b.y), QPoint(b.x, a.y)}));
    if (a.x != b.x || a.y != b.y) {
        const int cx = (a.x + b.x) / 2;
        const int cy = (a.y + b.y) / 2;
        p.drawLine(cx - 10, cy - 10, cx + 10, cy + 10);
        p.drawLine(cx - 10, cy + 10, cx + 10, cy - 10);
    }
}

// --- Crop frame -----------------------------------------------------------------------

void CVelmoView::SetCropFrame()
{
    const Rect units = crop.UnitsRect();
    // The next save develops the new area.
    doc.SetCrop(units, units.IsNull() ? Rect{} : CropImageRect(units, crop.cropAspect, Geometry()));
}

void CVelmoView::RefreshSelectionHistogram()
{
    if (!crop.IsSelected())
        return;
    const ViewGeometry g = Geometry();
    if (g.displayWidth <= 0 || g.displayHeight <= 0)
        return;
    // The corners on the display are where the frame is drawn; the scroll
    // position moves both alike and does not enter.
    const IntPoint a = g.ContentToPreview(g.UnitsToClient(crop.cropStart));
    const IntPoint b = g.ContentToPreview(g.UnitsToClient(crop.cropEnd));
    int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    if (fullImage != nullptr)
        doc.ComputeRegionHistogram(x0, y0, x1, y1);
    else
        doc.ComputePreviewHistogram(previewBits.data(), dibWidth, dibHeight, x0, y0, x1, y1);
}

void CVelmoView::CropUpdate()
{
    crop.cropModified = 1;
    SetCropFrame();
    RefreshSelectionHistogram();
    SetHistogramSource(2);
    viewport()->update();
    if (CMainFrame* f = Frame())
        f->UpdateSizeIndicator();
}

bool CVelmoView::ReadCropSettings(const std::string& path)
{
    crop.MakeLast();
    crop.cropFilePath = path;
    crop.ReadFile(path, unitWidth, unitHeight);
    if (!cropToolOn) {
        cropToolOn = 1;
        spotPickerOn = 0;
    }
    // The document's crop follows whatever was read, a frame or none.
    SetCropFrame();
    if (crop.IsSelected()) {
        crop.cropModified = 1;
        RefreshSelectionHistogram();
        SetHistogramSource(2);
        if (CVelmoApp* app = CVelmoApp::Instance())
            app->AddToRecentCropFrame(path);
    }
    crop.cropModified = 0;
    viewport()->update();
    if (CMainFrame* f = Frame())
        f->UpdateSizeIndicator();
    return true;
}

bool CVelmoView::WriteCropSettings(const std::string& path)
{
    if (!crop.WriteFile(path))
        return false;
    crop.cropModified = 0;
    if (crop.IsSelected())
        if (CVelmoApp* app = CVelmoApp::Instance())
            app->AddToRecentCropFrame(path);
    return true;
}

void CVelmoView::CropButtonDown(IntPoint client)
{
    // No frame is drawn on the empty view: it would carry over to the next
    // picture, wherever it happened to lie.
    if (!doc.HasImage())
        return;
    const ViewGeometry g = Geometry();
    capture = Capture::Crop;
    crop.ButtonDown({client.x + g.scrollX, client.y + g.scrollY}, g);
    viewport()->update();
}

void CVelmoView::CropMouseMove(IntPoint client)
{
    const ViewGeometry g = Geometry();
    crop.Drag({client.x + g.scrollX, client.y + g.scrollY}, g);
    CropUpdate();
    AutoScroll(client);
}

void CVelmoView::CropButtonUp()
{
    crop.ButtonUp();
    if (crop.IsSelected())
        crop.cropModified = 1;
    // Handed over in every case: a click that only deselected empties the
    // document's crop, so that a save is not cut by a frame no longer shown.
    SetCropFrame();
    if (crop.IsSelected()) {
        RefreshSelectionHistogram();
        SetHistogramSource(2);
    }
    viewport()->update();
}

void CVelmoView::AutoScroll(IntPoint client)
{
    const QSize size = viewport()->size();
    const Rect shown = FixedGeometry().ShownArea();
    if (size.width() == shown.Width() && size.height() == shown.Height())
        return;
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (client.x < 0)
        h->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (client.x >= size.width())
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (client.y < 0)
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (client.y >= size.height())
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

// --- Tools --------------------------------------------------------------------------

bool CVelmoView::CropModeHolds(Qt::KeyboardModifiers modifiers) const
{
    return ((modifiers & Qt::ControlModifier) != 0) != (cropToolOn != 0);
}

unsigned CVelmoView::ContextMenuId() const
{
    if (spotPickerOn)
        return IDR_WB_CONTEXT;
    if (cropToolOn)
        return IDR_CROP_CONTEXT;
    return IDR_MAGNIFIER_CONTEXT;
}

void CVelmoView::SetMagnifierPoint(IntPoint p)
{
    switch (doc.Edit().Params().rotate) {
    case 1: p = {p.y, CVelmoDoc::kPreviewHeight - 1 - p.x}; break;
    case 2: p = {CVelmoDoc::kPreviewWidth - 1 - p.y, p.x}; break;
    default: break;
    }
    // The magnifier palette follows: it goes to the middle of the new square.
    doc.SetMagnifierCentre(p.x, p.y);
    doc.UpdateMagnifier();
}

QString CVelmoView::ReadoutText(IntPoint client, bool hsi, QColor* colour) const
{
    const ViewGeometry g = Geometry();
    // The pixel under the pointer, band included: the letterboxed bitmap is
    // read where it is shown (and nothing is read where it is not).
    const IntPoint content{client.x + g.scrollX, client.y + g.scrollY};
    const Rect shown = g.ShownArea();
    if (content.x < shown.left || content.y < shown.top || content.x >= shown.right || content.y >= shown.bottom)
        return {};
    const IntPoint p = g.ContentToPreview(content);
    if (p.x < 0 || p.y < 0 || p.x >= dibWidth || p.y >= dibHeight)
        return {};
    const uint8_t* px = previewBits.data() + (size_t(p.y) * size_t(dibWidth) + size_t(p.x)) * 3;
    const int b = px[0], gr = px[1], r = px[2];
    if (colour != nullptr)
        *colour = QColor(r, gr, b);
    if (!hsi)
        return QString::asprintf("__ R:%03d G:%03d B:%03d", r, gr, b);
    float h = 0, s = 0, i = 0;
    RGBToHSI(float(r) / 255.0f, float(gr) / 255.0f, float(b) / 255.0f, &h, &s, &i, doc.Edit().Hue());
    return QString::asprintf("__ H:%1.2f S:%1.2f I:%1.2f \n", double(h), double(s), double(i));
}

void CVelmoView::ShowReadout(IntPoint client, Qt::KeyboardModifiers modifiers)
{
    QColor colour;
    const QString text = ReadoutText(client, (modifiers & Qt::ControlModifier) != 0, &colour);
    if (text.isEmpty())
        return;
    CMainFrame* f = Frame();
    CHistogramBar* bar = f != nullptr ? f->HistogramBar() : nullptr;
    CLevelCaption* caption = bar != nullptr ? bar->LevelCaption() : nullptr;
    if (caption != nullptr && caption->isVisible())
        caption->SetReadout(text, colour);
}

void CVelmoView::SetHistogramSource(int source)
{
    if (CMainFrame* f = Frame())
        if (CHistogramBar* bar = f->HistogramBar())
            bar->SetSource(source);
}

void CVelmoView::UpdateCursor(IntPoint client, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = viewport();
    if (spotPickerOn) {
        target->setCursor(spotCursor);
        return;
    }
    if (CropModeHolds(modifiers)) {
        const ViewGeometry g = Geometry();
        const int code =
            capture == Capture::Crop ? crop.dragMode : crop.HitTest({client.x + g.scrollX, client.y + g.scrollY}, g);
        if (code != kCropHitNone)
            target->setCursor(SizingCursor(code));
        else
            target->setCursor(cropCursor);
        return;
    }
    if (capture == Capture::Pan)
        target->setCursor(Qt::ClosedHandCursor);
    else
        target->setCursor((modifiers & Qt::ShiftModifier) ? panCursor : magnifierCursor);
}

void CVelmoView::Pan(IntPoint client)
{
    const int x = panStartScroll.x + panStartPoint.x - client.x;
    const int y = panStartScroll.y + panStartPoint.y - client.y;
    const QSize size = viewport()->size();
    const Rect shown = FixedGeometry().ShownArea();
    horizontalScrollBar()->setValue(std::clamp(x, 0, std::max(0, shown.Width() - size.width())));
    verticalScrollBar()->setValue(std::clamp(y, 0, std::max(0, shown.Height() - size.height())));
}

void CVelmoView::mousePressEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    event->accept();
    const IntPoint client = ToPoint(event->position());
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (spotPickerOn) {
        capture = Capture::Spot;
        spotPressPoint = spotCurrentPoint = client;
        spotDragged = false;
        const IntPoint p = ClientToPreview(client, true);
        doc.SpotWhiteBalancePoint(p.x, p.y);
        return;
    }
    if (CropModeHolds(modifiers)) {
        CropButtonDown(client);
        return;
    }
    if (modifiers & Qt::ShiftModifier) {
        capture = Capture::Pan;
        panStartScroll = ScrollPosition();
        panStartPoint = client;
        UpdateCursor(client, modifiers);
        return;
    }
    SetMagnifierPoint(ClientToPreview(client, true));
    if (CMainFrame* f = Frame())
        if (CPaletteDock* magnifier = f->Palette(ID_VIEW_MAGNIFIER))
            magnifier->show();
    SetHistogramSource(1);
}

void CVelmoView::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mouseMoveEvent(event);
    const IntPoint client = ToPoint(event->position());
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    switch (capture) {
    case Capture::Pan: Pan(client); break;
    case Capture::Crop: CropMouseMove(client); break;
    case Capture::Spot:
        spotCurrentPoint = client;
        if (std::abs(client.x - spotPressPoint.x) > 2 || std::abs(client.y - spotPressPoint.y) > 2)
            spotDragged = true;
        if (spotDragged)
            viewport()->update();
        break;
    case Capture::None: break;
    }
    UpdateCursor(client, modifiers);
    ShowReadout(client, modifiers);
}

void CVelmoView::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mouseReleaseEvent(event);
    const IntPoint client = ToPoint(event->position());
    if (event->button() == Qt::RightButton) {
        if (CMainFrame* f = Frame())
            f->TrackPopupMenu(ContextMenuId(), nullptr, event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const Capture was = capture;
    capture = Capture::None;
    crop.dragMode = kCropHitNone;
    if (was == Capture::Crop)
        CropButtonUp();
    if (was == Capture::Spot && spotDragged) {
        // A drag with the picker takes the mean of the rectangle it spans.
        const IntPoint a = ClientToPreview(spotPressPoint, true);
        const IntPoint b = ClientToPreview(client, true);
        doc.SpotWhiteBalanceRect(a.x, a.y, b.x, b.y);
        viewport()->update();
    }
    UpdateCursor(client, event->modifiers());
    if (CMainFrame* f = Frame())
        f->UpdateSizeIndicator();
}

void CVelmoView::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const bool line = (modifiers & Qt::ShiftModifier) != 0;
    QScrollBar* pageBar = CropModeHolds(modifiers) ? h : v;
    const QSize size = viewport()->size();
    bool handled = true;
    switch (event->key()) {
    case Qt::Key_PageUp:
        pageBar->triggerAction(line ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        pageBar->triggerAction(line ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_End: {
        const Rect shown = FixedGeometry().ShownArea();
        h->setValue(shown.Width() - size.width());
        v->setValue(shown.Height() - size.height());
        break;
    }
    case Qt::Key_Home:
        h->setValue(0);
        v->setValue(0);
        break;
    case Qt::Key_Left: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    default: handled = false; break;
    }
    // Ctrl and Shift change the tool under the pointer.
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    UpdateCursor({at.x(), at.y()}, modifiers);
    if (handled)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void CVelmoView::keyReleaseEvent(QKeyEvent* event)
{
    const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    UpdateCursor({at.x(), at.y()}, event->modifiers());
    QWidget::keyReleaseEvent(event);
}

// --- Commands -----------------------------------------------------------------------

void CVelmoView::OnCropTool()
{
    spotPickerOn = 0;
    cropToolOn = cropToolOn ? 0 : 1;
    if (!cropToolOn) {
        SetCropFrame();
        viewport()->update();
    }
}

void CVelmoView::OnLoadCropFrame()
{
    std::string path;
    if (chooseCropFileToLoad) {
        path = chooseCropFileToLoad(crop.cropFilePath);
    } else {
        path = ChooseOpenFile(this, LoadString(IDS_LOAD_CROP_TITLE), LoadString(IDS_FILTER_CROP_FRAME), crop.cropFilePath);
    }
    if (!path.empty())
        ReadCropSettings(path);
}

void CVelmoView::OnSaveCropFrameAs()
{
    std::string initial = crop.cropFilePath;
    if (initial.empty() && !doc.SourcePath().empty())
        initial = doc.MakeOutputFileName(doc.SourcePath(), OutputFileKind::CropFrame);
    std::string path;
    if (chooseCropFileToSave) {
        path = chooseCropFileToSave(initial);
    } else if (!ChooseSaveFile(this, LoadString(IDS_SAVE_CROP_TITLE), LoadString(IDS_FILTER_CROP_FRAME), initial, path)) {
        path.clear();
    }
    if (path.empty())
        return;
    if (!WriteCropSettings(path))
        ReportFileWriteFailure(path);
    crop.cropFilePath = path;
}

void CVelmoView::BuildCommandMap()
{
    OnCommand(ID_EDIT_COPY, [this](unsigned) { OnEditCopy(); });

    OnCommand(ID_TOOL_MAGNIFIER, [this](unsigned) { cropToolOn = spotPickerOn = 0; });
    OnUpdate(ID_TOOL_MAGNIFIER, [this](CCmdUI& ui) { ui.SetCheck(!cropToolOn && !spotPickerOn); });
    OnCommand(ID_TOOL_SPOT_WB, [this](unsigned) {
        cropToolOn = 0;
        spotPickerOn = spotPickerOn ? 0 : 1;
    });
    OnUpdate(ID_TOOL_SPOT_WB, [this](CCmdUI& ui) { ui.SetCheck(spotPickerOn); });
    OnCommand(ID_CROP_TOOL, [this](unsigned) { OnCropTool(); });
    OnUpdate(ID_CROP_TOOL, [this](CCmdUI& ui) { ui.SetCheck(cropToolOn); });

    OnCommand(ID_CROP_DESELECT, [this](unsigned) {
        crop.Deselect();
        CropUpdate();
        crop.cropModified = 0;
    });
    OnUpdate(ID_CROP_DESELECT, [this](CCmdUI& ui) { ui.Enable(crop.IsSelected()); });

    struct Centring {
        unsigned id;
        bool horizontal, vertical;
    };
    for (const Centring c : {Centring{ID_CROP_CENTRE, true, true}, Centring{ID_CROP_CENTRE_V, false, true},
                             Centring{ID_CROP_CENTRE_H, true, false}}) {
        OnCommand(c.id, [this, c](unsigned) {
            if (!crop.IsSelected())
                return;
            crop.Centre(c.horizontal, c.vertical, unitWidth, unitHeight);
            CropUpdate();
        });
        OnUpdate(c.id, [this, c](CCmdUI& ui) {
            ui.Enable(crop.IsSelected());
            ui.SetCheck(crop.IsCentred(c.horizontal, c.vertical, unitWidth, unitHeight));
        });
    }

    OnCommandRange(ID_CROP_SIZE_CURRENT, ID_CROP_SIZE_1_3, [this](unsigned id) {
        if (!doc.HasImage())
            return;
        crop.SizePreset(id, unitWidth, unitHeight);
        CropUpdate();
    });
    OnUpdateRange(ID_CROP_SIZE_CURRENT, ID_CROP_SIZE_1_3,
                  [this](CCmdUI& ui) { ui.SetCheck(crop.IsSizePreset(ui.id, unitWidth, unitHeight)); });

    // 34010-34019; the table has eight entries, the rest count as Free.
    OnCommandRange(ID_CROP_ASPECT_FIRST, ID_CROP_ASPECT_FIRST + 9, [this](unsigned id) {
        crop.SetAspect(int(id - ID_CROP_ASPECT_FIRST));
        crop.WriteAspect(Settings());
        CropUpdate();
    });
    OnUpdateRange(ID_CROP_ASPECT_FIRST, ID_CROP_ASPECT_FIRST + 9,
                  [this](CCmdUI& ui) { ui.SetCheck(ui.id == ID_CROP_ASPECT_FIRST + unsigned(crop.cropAspect)); });

    OnCommand(ID_CROP_LAST_FRAME, [this](unsigned) {
        crop.RecallLast();
        CropUpdate();
    });
    OnUpdate(ID_CROP_LAST_FRAME, [this](CCmdUI& ui) { ui.Enable(crop.HasLastFrame()); });

    OnCommand(ID_CROP_LOAD, [this](unsigned) { OnLoadCropFrame(); });
    OnCommand(ID_CROP_SAVE_AS, [this](unsigned) { OnSaveCropFrameAs(); });
    OnUpdate(ID_CROP_SAVE_AS, [this](CCmdUI& ui) { ui.Enable(crop.cropModified != 0 && crop.IsSelected()); });

    // The grid over the preview (and the magnifier): count = id - 33860.
    OnCommandRange(ID_GRID_OFF, ID_GRID_MENU - 1, [this](unsigned id) {
        // The magnifier follows the switch.
        doc.Edit().SetSwitch(SwitchId::Grid, int(id - ID_GRID_OFF));
        viewport()->update();
    });
    OnUpdateRange(ID_GRID_OFF, ID_GRID_MENU - 1,
                  [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Switch(SwitchId::Grid) == int(ui.id - ID_GRID_OFF)); });
    OnCommand(ID_GRID_MENU, [this](unsigned) {
        if (CMainFrame* f = Frame())
            f->TrackPopupMenu(IDR_GRID_MENU, nullptr, QCursor::pos());
    });
    OnUpdate(ID_GRID_MENU, [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Switch(SwitchId::Grid) > 0); });
}

} // namespace velmo
