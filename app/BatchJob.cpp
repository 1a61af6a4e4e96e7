#include "app/BatchJob.h"

#include "app/MainFrame.h"
#include "app/VelmoView.h"
#include "app/ViewGeometry.h"
#include "app/dialogs/BatchDlg.h"
#include "document/VelmoDoc.h"

namespace velmo {

bool BatchDialogAvailable()
{
    return true;
}

void RunBatchDialog(CMainFrame& frame, CVelmoDoc& doc)
{
    if (!BatchDialogAvailable())
        return;
    CBatchDlg dialog(doc, &frame);
    // Each run takes the frame as it is when the run starts.
    dialog.takeCrop = [&frame] { return BatchCropFromWindow(frame); };
    dialog.DoModal();
}

BatchCropSource TakeBatchCropSource(const CMainFrame& frame)
{
    BatchCropSource source;
    source.fullMode = frame.IsFullMode();
    source.previewSize = frame.PreviewSizeIndex();
    source.zoomPercent = frame.ZoomPercent();
    if (const CVelmoView* view = frame.GetActiveView()) {
        source.frame = view->Crop();
        source.viewWidth = view->width();
        source.viewHeight = view->height();
        source.clientWidth = view->viewport()->width();
        source.clientHeight = view->viewport()->height();
    }
    return source;
}

namespace {

// The frame as the view keeps it after showing a picture of this family,
// size and turn (see CVelmoView::OnUpdate).
UnitFrame KeepFrameOnPicture(CropFrame& crop, const CVelmoDoc& doc, int rotate)
{
    const UnitFrame f = UnitFrameFor(rotate != 0, doc.CameraFamily(), doc.Image().imageWidth, doc.Image().imageHeight);
    crop.SetBounds(f);
    crop.ClampToUnitFrame(f.unitWidth, f.unitHeight);
    if (doc.HasImage())
        crop.ClampToBounds();
    return f;
}

} // namespace

BatchCrop MapBatchCrop(const BatchCropSource& source, const CVelmoDoc& doc, int rotateAsOpened)
{
    CropFrame crop = source.frame;
    const int rotate = doc.Edit().Params().rotate;
    if (rotateAsOpened != rotate)
        KeepFrameOnPicture(crop, doc, rotateAsOpened);
    const UnitFrame f = KeepFrameOnPicture(crop, doc, rotate);
    const Rect units = crop.UnitsRect();
    if (units.IsNull())
        return {};

    // The picture as the view shows it (CVelmoView::Geometry); the display
    // size does not enter the mapping.
    const bool portrait = rotate != 0;
    ViewGeometry g;
    g.unitWidth = f.unitWidth;
    g.unitHeight = f.unitHeight;
    g.cameraFamily = doc.CameraFamily();
    g.imageWidth = doc.Image().imageWidth;
    g.imageHeight = doc.Image().imageHeight;
    g.rotated = portrait;
    return {units, CropImageRect(units, crop.cropAspect, g)};
}

std::function<BatchCrop(const CVelmoDoc&, int)> BatchCropFromWindow(const CMainFrame& frame)
{
    BatchCropSource source = TakeBatchCropSource(frame);
    if (source.frame.UnitsRect().IsNull())
        return {};
    return [source = std::move(source)](const CVelmoDoc& doc, int rotateAsOpened) {
        return MapBatchCrop(source, doc, rotateAsOpened);
    };
}

} // namespace velmo
