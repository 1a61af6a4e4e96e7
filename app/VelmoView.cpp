#include "app/VelmoView.h"

#include "develop/FullPreviewBitmap.h"
#include "doc/VelmoDoc.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

namespace velmo {

CVelmoView::CVelmoView(CVelmoDoc& document, QWidget* parent) : QAbstractScrollArea(parent), doc(document)
{
    setObjectName(QStringLiteral("VelmoView"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    preview = QImage(CVelmoDoc::kPreviewWidth, CVelmoDoc::kPreviewHeight, QImage::Format_RGB888);
    preview.fill(Qt::black);
}

CVelmoView::~CVelmoView() = default;

void CVelmoView::OnUpdate()
{
    fullImage.reset();
    const bool turned = doc.params.rotate != 0;
    const int w = turned ? CVelmoDoc::kPreviewHeight : CVelmoDoc::kPreviewWidth;
    const int h = turned ? CVelmoDoc::kPreviewWidth : CVelmoDoc::kPreviewHeight;
    previewBits.assign(size_t(CVelmoDoc::kPreviewWidth) * CVelmoDoc::kPreviewHeight * 3, 0);
    if (doc.HasImage())
        doc.DevelopPreview(previewBits.data());
    preview = QImage(previewBits.data(), w, h, w * 3, QImage::Format_BGR888).copy();
    viewport()->update();
}

void CVelmoView::SetDisplaySize(int width, int height)
{
    if (width == displayWidth && height == displayHeight)
        return;
    displayWidth = width;
    displayHeight = height;
    UpdateScrollBars();
    doc.MakeFullPreviewBitmap();
    viewport()->update();
}

void CVelmoView::SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image)
{
    fullImage = std::move(image);
    viewport()->update();
}

void CVelmoView::UpdateScrollBars()
{
    // A picture that fits the whole view needs no scroll bars (which would
    // themselves take the room that makes it fit).
    if (displayWidth <= width() && displayHeight <= height()) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
        return;
    }
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, displayWidth - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    verticalScrollBar()->setRange(0, std::max(0, displayHeight - client.height()));
    verticalScrollBar()->setPageStep(client.height());
}

void CVelmoView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CVelmoView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CVelmoView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QRect target(-horizontalScrollBar()->value(), -verticalScrollBar()->value(), displayWidth, displayHeight);
    p.fillRect(event->rect(), Qt::black);
    if (displayWidth <= 0 || displayHeight <= 0)
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (fullImage != nullptr && fullImage->width > 0) {
        const QImage full(fullImage->bgr.data(), fullImage->width, fullImage->height, fullImage->stride,
                          QImage::Format_BGR888);
        p.drawImage(target, full);
    } else {
        p.drawImage(target, preview);
    }
}

} // namespace velmo
