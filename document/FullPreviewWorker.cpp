// The document's side of the background worker (develop/preview/PreviewWorker.h)
// and the progress channel.
#include "develop/preview/PreviewWorker.h"
#include "develop/preview/RenderPreview.h"
#include "document/VelmoDoc.h"

namespace velmo {

void CVelmoDoc::StopWorker()
{
    if (worker)
        worker->Stop();
}

bool CVelmoDoc::StopWorker(std::chrono::milliseconds limit)
{
    return worker == nullptr || worker->Stop(limit);
}

void CVelmoDoc::ResumeWorker()
{
    if (worker)
        worker->Resume([this] { return MakeFullPreviewJob(); });
}

void CVelmoDoc::SetDialogPause(bool paused)
{
    if (worker)
        worker->SetDialogPause(paused);
}

bool CVelmoDoc::WorkerIdle() const
{
    return worker == nullptr || worker->Idle();
}

std::shared_ptr<const FullPreviewImage> CVelmoDoc::FullPreview() const
{
    return worker ? worker->Result() : nullptr;
}

void CVelmoDoc::DropFullPreview()
{
    if (worker)
        worker->Drop();
}

RunCount CVelmoDoc::CountDevelopment()
{
    return worker->CountRun();
}

int CVelmoDoc::DevelopmentsRunning() const { return worker->RunsNow(); }

int CVelmoDoc::MostDevelopmentsAtOnce() const { return worker->MostRunsAtOnce(); }

std::shared_ptr<const PreviewJob> CVelmoDoc::MakeFullPreviewJob() const
{
    if ((outputOptions.sizeMode & 7) == 3 || !HasImage())
        return nullptr;
    auto job = std::make_shared<PreviewJob>(MakePreviewJob(image.fullWidth, image.fullHeight, true));
    if (job->source.sMap == nullptr)
        return nullptr;
    return job;
}

int CVelmoDoc::Progress(int percent, const char* label, int /*area*/)
{
    if (worker && worker->OnWorkerThread()) {
        if (host->HasMainWindow())
            host->PostWorkerProgress(percent, label != nullptr ? label : "");
        return worker->AbortRequested() ? 1 : 0;
    }
    if (host->HasMainWindow())
        host->LoadProgress().Report(percent, label);
    return stopRequest.load();
}

IProgress& CVelmoDoc::ProgressChannel()
{
    return progressChannel;
}

} // namespace velmo
