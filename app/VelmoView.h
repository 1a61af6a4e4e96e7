// The view: the developed preview stretched over the display size the frame
// gives it, scrolled when the display is larger than the window, with the
// grid and the crop frame over it; the pointer tools (magnifier point,
// Shift-drag panning, spot white balance, the crop tool), the colour readout
// under the pointer and the selection histogram.
//
// The geometry and the crop rules live in plain classes (app/ViewGeometry.h,
// app/CropFrame.h); this class feeds them window points and draws.
#pragma once

#include "app/CropFrame.h"
#include "app/ViewGeometry.h"
#include "platform/gui/CmdTarget.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmo {

class CMainFrame;
class CVelmoDoc;
struct DisplayImage;

class CVelmoView final : public QAbstractScrollArea, public CCmdTarget {
public:
    explicit CVelmoView(CVelmoDoc& doc, QWidget* parent = nullptr);
    // Writes the crop corners to the settings.
    ~CVelmoView() override;

    CVelmoDoc& GetDocument() const { return doc; }

    // --- Picture ---------------------------------------------------------------
    // After every parameter change and load: RefreshPreviewImage, then paint.
    void OnUpdate();
    // Drops the full preview, sets the unit frame and the crop bounds for
    // the image, develops the preview, hands the crop to the document again
    // and rebuilds the shown picture.
    void RefreshPreviewImage();
    // The shown picture from the developed bits and the preview profile
    // (after the output colour space changed).
    void UpdatePreviewBitmap();
    // The document's scaled full preview, shown in place of the small one
    // until the next refresh; null drops it.
    void SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image);
    bool HasFullSizeBitmap() const { return fullImage != nullptr; }
    // The size the picture is shown at, and whether only the picture area
    // of it shows (the zoomed 3:2 picture without the black bands of its
    // 4:3 frame). Unchanged sizes do nothing; a new one asks the document
    // for a full preview at that size.
    void SetDisplaySize(int width, int height, bool pictureOnly = false);
    int DisplayWidth() const { return displayWidth; }
    int DisplayHeight() const { return displayHeight; }
    // The part of the display that shows and scrolls (content pixels).
    Rect ShownArea() const { return Geometry().ShownArea(); }
    // The profile of output colour space icc goes with the preview (slot 0
    // for an index outside the table or an empty user slot); the preview is
    // tagged sRGB when the pixels come converted for the display.
    void SetPreviewProfile(int icc);
    const std::vector<uint8_t>* PreviewProfile() const { return previewProfile.get(); }
    bool PreviewTaggedSrgb() const { return previewSrgb; }
    // "&Copy preview image": the 512 x 384 (384 x 512) preview, never the
    // full-size picture, as shown on the screen.
    void OnEditCopy();

    // The preview as developed: blue, green, red rows of DibWidth() pixels.
    const std::vector<uint8_t>& PreviewBits() const { return previewBits; }
    int DibWidth() const { return dibWidth; }
    int DibHeight() const { return dibHeight; }
    // The preview as shown (converted for the screen).
    const QImage& PreviewImage() const { return preview; }

    // --- Geometry ----------------------------------------------------------------
    ViewGeometry Geometry() const;
    IntPoint UnitsToClient(IntPoint units) const { return Geometry().UnitsToClient(units); }
    IntPoint ClientToUnits(IntPoint content) const { return Geometry().ClientToUnits(content); }
    IntPoint ClientToPreview(IntPoint client, bool bandCorrect) const
    {
        return Geometry().ClientToPreview(client, bandCorrect);
    }
    // The scroll bars' position: where in the shown area the window starts.
    IntPoint ScrollPosition() const;
    int UnitWidth() const { return unitWidth; }
    int UnitHeight() const { return unitHeight; }

    // --- Crop frame --------------------------------------------------------------
    const CropFrame& Crop() const { return crop; }
    // Reads the crop keys of a crop-frame or parameter file: the crop tool
    // goes on, the frame read goes to the document; a selected frame also
    // goes into the recent crop-frame list. Always true.
    bool ReadCropSettings(const std::string& path);
    // Writes the crop keys into path; the path goes into the recent
    // crop-frame list when a frame is selected. False only when the file
    // could not be written (nothing is added then).
    bool WriteCropSettings(const std::string& path);
    // The document takes the view's frame again (after a turn or a reset).
    void CommitCropFrame() { SetCropFrame(); }
    // CVelmoDoc::SetCropFrame: the document's crop in units and in image
    // pixels follows the view's frame (empty without one); the cached
    // developed image is dropped.
    void SetCropFrame();
    // The histogram of the selected area into source 2 of the document's
    // histogram block (from the full preview while it is shown).
    void RefreshSelectionHistogram();

    // --- Tools ---------------------------------------------------------------------
    bool CropToolOn() const { return cropToolOn != 0; }
    bool SpotPickerOn() const { return spotPickerOn != 0; }
    // Ctrl switches between the crop tool and the other tool while held.
    bool CropModeHolds(Qt::KeyboardModifiers modifiers) const;
    // The context menu for the tool flags (Ctrl does not count).
    unsigned ContextMenuId() const;
    // CVelmoDoc::SetMagnifierPoint: a preview-frame point in display
    // orientation becomes the magnifier centre in the unturned frame.
    void SetMagnifierPoint(IntPoint preview);
    // The readout text for a window point ("" outside the preview).
    QString ReadoutText(IntPoint client, bool hsi, QColor* colour = nullptr) const;

    // The crop-frame file dialogs (tests answer them): the chosen path, or
    // "" for cancel.
    std::function<std::string(const std::string& initialPath)> chooseCropFileToLoad;
    std::function<std::string(const std::string& initialPath)> chooseCropFileToSave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    enum class Capture { None, Crop, Pan, Spot };

    // The command map's update registration beside the view's OnUpdate.
    using CCmdTarget::OnUpdate;

    void BuildCommandMap();
    void UpdateScrollBars();
    // The geometry without the scroll position.
    ViewGeometry FixedGeometry() const;
    CMainFrame* Frame() const;
    QImage RenderCanvas(QSize size) const;
    void DrawGrid(QImage& canvas) const;
    void DrawCropFrame(QImage& canvas) const;
    // Every command that changes the frame ends here: modified, handed
    // over, the selection histogram, the histogram's selection source, paint.
    void CropUpdate();
    void CropButtonDown(IntPoint client);
    void CropMouseMove(IntPoint client);
    void CropButtonUp();
    void AutoScroll(IntPoint client);
    void Pan(IntPoint client);
    void ShowReadout(IntPoint client, Qt::KeyboardModifiers modifiers);
    void UpdateCursor(IntPoint client, Qt::KeyboardModifiers modifiers);
    void SetHistogramSource(int source);
    void OnCropTool();
    void OnLoadCropFrame();
    void OnSaveCropFrameAs();

    CVelmoDoc& doc;
    // The preview bitmap: 512 x 384 (384 x 512 turned) pixels of blue, green,
    // red; its profile is a buffer of its own, of any size.
    std::vector<uint8_t> previewBits;
    std::shared_ptr<const std::vector<uint8_t>> previewProfile;
    bool previewSrgb = false;
    bool hasPreviewBitmap = false;
    QImage preview;
    std::shared_ptr<const DisplayImage> fullImage;
    QImage fullShown;
    int dibWidth = kPreviewWidth;
    int dibHeight = kPreviewHeight;
    int displayWidth = 0;
    int displayHeight = 0;
    bool pictureOnly = false;
    int unitWidth = 1;
    int unitHeight = 1;

    CropFrame crop;
    int cropToolOn = 0;
    int spotPickerOn = 0;
    IntPoint panStartScroll;
    IntPoint panStartPoint;
    Capture capture = Capture::None;
    IntPoint spotPressPoint;
    bool spotDragged = false;
    IntPoint spotCurrentPoint;

    QCursor magnifierCursor;
    QCursor panCursor;
    QCursor cropCursor;
    QCursor spotCursor;
};

} // namespace velmo
