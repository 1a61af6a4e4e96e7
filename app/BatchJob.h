// "&Batch job": the one place that decides whether the batch dialog can run.
// Until the dialog exists the command shows greyed.
#pragma once

namespace velmo {

class CMainFrame;
class CVelmoDoc;

// True once the batch dialog is built.
bool BatchDialogAvailable();
// Runs the batch dialog modally over doc; the document's batch flag is set
// meanwhile.
void RunBatchDialog(CMainFrame& frame, CVelmoDoc& doc);

} // namespace velmo
