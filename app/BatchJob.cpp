#include "app/BatchJob.h"

#include "app/MainFrame.h"
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
    doc.SetBatchRunning(true);
    {
        CBatchDlg dialog(doc, &frame);
        dialog.DoModal();
    }
    doc.SetBatchRunning(false);
}

} // namespace velmo
