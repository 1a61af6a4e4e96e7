#include "app/BatchJob.h"

#include "app/MainFrame.h"
#include "document/VelmoDoc.h"

namespace velmo {

bool BatchDialogAvailable()
{
    return false;
}

void RunBatchDialog(CMainFrame& /*frame*/, CVelmoDoc& doc)
{
    if (!BatchDialogAvailable())
        return;
    doc.SetBatchRunning(true);
    // The batch dialog runs here, modal over the frame.
    doc.SetBatchRunning(false);
}

} // namespace velmo
