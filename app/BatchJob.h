// "&Batch job": the one place that decides whether the batch dialog can run,
// and what the batch takes from the window: its crop frame, mapped onto each
// file the way the view maps it.
#pragma once

#include "app/CropFrame.h"
#include "document/BatchConvert.h"

#include <functional>

namespace velmo {

class CMainFrame;
class CVelmoDoc;

// True once the batch dialog is built.
bool BatchDialogAvailable();
// Runs the batch dialog modally over doc; the document's batch flag is set
// meanwhile.
void RunBatchDialog(CMainFrame& frame, CVelmoDoc& doc);

// What the crop of a batch file is made of, copied from the window at the
// batch's start (on the window's thread): the view's frame and what decides
// the view's display size.
struct BatchCropSource {
    CropFrame frame;
    bool fullMode = false;  // the frame's full mode: the picture fitted to the view
    int previewSize = 0;    // the preview size index otherwise
    int zoomPercent = 0;    // full mode at a zoom percentage
    int viewWidth = 0;      // the view's size (full mode fits the picture to it)
    int viewHeight = 0;
    int clientWidth = 0;    // its viewport
    int clientHeight = 0;
};

BatchCropSource TakeBatchCropSource(const CMainFrame& frame);

// The crop the window would hand doc for its picture: the frame kept within
// the unit frame and picture band of the picture as opened (turn
// rotateAsOpened) and then as it is now, mapped onto the image as the view
// maps it (CropImageRect). Empty without a frame.
BatchCrop MapBatchCrop(const BatchCropSource& source, const CVelmoDoc& doc, int rotateAsOpened);

// The batch options' crop callback for the window's current frame (a copy
// of it); unset when no frame is drawn, so that files are saved whole.
std::function<BatchCrop(const CVelmoDoc&, int)> BatchCropFromWindow(const CMainFrame& frame);

} // namespace velmo
