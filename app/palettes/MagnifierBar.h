// The magnifier palette (CMagnifierBar): the square the document renders
// around the magnifier point, shown enlarged 1x to 5x in a view with scroll
// bars; dragging pans, the pointer reads out the colour under it into the
// histogram palette's caption (HSI with Ctrl), a right click takes a spot
// white balance there, and the whole square copies to the clipboard at 1:1.
// Until the document renders a square the test pattern shows; without an
// image the view stays empty. The palette follows the document through its
// listeners: the image loaded or closed, a square rendered, the centre moved,
// and the "MagnifierSize" and "Grid" switches.
#pragma once

#include "app/palettes/MagnifierModel.h"
#include "app/palettes/PaletteDock.h"
#include "app/palettes/PaletteInterfaces.h"
#include "develop/preview/FullPreviewBitmap.h"
#include "document/DocImageEvents.h"
#include "params/EditState.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QScrollBar;

namespace velmo {

class CLevelCaption;
class CVelmoDoc;
class TrackBar;

class CMagnifierBar final : public CPaletteDock, public IMagnifierPalette {
public:
    // doc may be null (the square then comes only from UpdateBitmap).
    CMagnifierBar(unsigned id, const QString& caption, CVelmoDoc* doc, QWidget* parent);
    ~CMagnifierBar() override;

    // The caption the readout writes into (the histogram palette's; none:
    // the readout is only kept).
    void SetReadoutCaption(CLevelCaption* caption);
    // Tells whether the frame lays the palettes out floating, where the
    // dock check changes nothing.
    void SetFloatingLayoutTest(std::function<bool()> test) { floatingLayout = std::move(test); }

    // SetSize: the square is n x n (-1: "MagnifierSize"; the switch takes
    // n); the bitmap is made anew. The palette follows the switch itself.
    void SetSize(int n);
    // UpdateBitmap: the square of a palette without a document.
    void UpdateBitmap(std::shared_ptr<const DisplayImage> image);
    // SetCenter: the view shows the middle of the square.
    void SetCenter();
    void SetZoom(int zoom) override;
    int Zoom() const override { return scroll.zoom; }
    void ToggleDock() override;
    bool DockFlag() const override { return dockFlag; }
    bool OnCopyImage() override;

    int Size() const { return scroll.size; }
    const MagnifierScroll& Scroll() const { return scroll; }
    // The rendered square shown (null while the test pattern shows or
    // nothing does).
    std::shared_ptr<const DisplayImage> Square() const;
    // True while the view shows something (an image is open).
    bool ShowsPicture() const;
    // The square as shown, at 1:1 (null image while nothing shows).
    QImage Bitmap() const;
    // The last readout text (empty before the first).
    const QString& LastReadout() const { return lastReadout; }

    QWidget* View() const;
    QScrollBar* HorizontalBar() const { return hBar; }
    QScrollBar* VerticalBar() const { return vBar; }
    TrackBar* ZoomSlider() const { return zoomSlider; }
    QCheckBox* DockCheck() const { return dockCheck; }

    // The view's events (called by the view widget).
    void PaintView(QPainter& painter);
    void ViewResized(QSize size);
    void ViewPressed(QPoint p, Qt::MouseButton button);
    void ViewMoved(QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void ViewReleased(Qt::MouseButton button);

private:
    void OnImageEvent(DocImageEvent event);
    void OnEditChange(const EditChange& change);
    void OnDockCheck();
    void ApplyDockFlag();
    void SyncScrollBars();
    const DisplayImage& ShownPixels() const;
    void ShowReadout(const QString& text, QColor swatch);

    CVelmoDoc* doc;
    MagnifierScroll scroll;
    bool dockFlag = false;
    std::shared_ptr<const DisplayImage> square; // given by UpdateBitmap
    DisplayImage pattern;
    // The shown bitmap and the square it was made from (null: the pattern).
    mutable QImage bitmap;
    mutable std::shared_ptr<const DisplayImage> bitmapOf;
    mutable bool bitmapValid = false;
    bool panning = false;
    QPoint panStart;
    QPoint panScroll;
    QString lastReadout;
    bool syncing = false;
    QPointer<CLevelCaption> readoutCaption;
    std::function<bool()> floatingLayout;
    DocImageSubscription imageSubscription;
    EditSubscription editSubscription;

    QLabel* label = nullptr;
    TrackBar* zoomSlider = nullptr;
    QWidget* view = nullptr;
    QScrollBar* hBar = nullptr;
    QScrollBar* vBar = nullptr;
    QCheckBox* dockCheck = nullptr;
};

} // namespace velmo
