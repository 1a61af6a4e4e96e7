#include "app/AppDocHost.h"

#include "app/MainFrame.h"
#include "app/dialogs/FileDialogs.h"
#include "app/VelmoApp.h"
#include "app/VelmoView.h"
#include "document/VelmoDoc.h"
#include "platform/gui/StatusProgress.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

namespace velmo {

AppDocHost::AppDocHost(CVelmoApp& application) : app(application) {}

ScreenSize AppDocHost::DesktopSize() const
{
    if (QGuiApplication::instance() != nullptr)
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QSize size = screen->size();
            if (size.width() > 0 && size.height() > 0)
                return {size.width(), size.height()};
        }
    return CDocHost::DesktopSize();
}

ScreenSize AppDocHost::FullScreenSize() const
{
    return DesktopSize();
}

void AppDocHost::UpdateAllViews()
{
    if (CMainFrame* f = frame.load())
        if (CVelmoView* view = f->GetActiveView())
            view->OnUpdate();
}

void AppDocHost::RecalcLayout()
{
    if (CMainFrame* f = frame.load())
        f->RecalcLayout();
}

int AppDocHost::StatusBarProgress::Report(int percent, const char* label)
{
    CMainFrame* f = host.frame.load();
    if (f == nullptr)
        return 0;
    if (host.doc != nullptr && host.doc->PumpsMessages())
        QCoreApplication::processEvents();
    f->Progress(percent, label, -1);
    return 0;
}

void AppDocHost::PostWorkerProgress(int percent, const std::string& label)
{
    // Dropped when the frame is gone before it runs.
    handOff->Post([this, percent, label] {
        if (CMainFrame* f = frame.load())
            f->OnDevelopProgress(percent, label);
    });
}

void AppDocHost::PostFullPreviewReady()
{
    handOff->Post([this] {
        if (CMainFrame* f = frame.load())
            f->OnFullPreviewReady();
    });
}

void AppDocHost::SetStatusText(const std::string& text)
{
    if (CMainFrame* f = frame.load())
        if (StatusProgressPane* pane = f->MessagePane())
            pane->SetMessage(QString::fromStdString(text));
}

bool AppDocHost::ChooseOutputFile(const std::string& defaultName, const std::string& filter, const std::string& title,
                                  int& format, std::string& path)
{
    return ChooseSaveFile(frame.load(), title, filter, defaultName, path, &format);
}

void AppDocHost::SetFullSizeBitmap(std::shared_ptr<const DisplayImage> image)
{
    if (CMainFrame* f = frame.load())
        if (CVelmoView* view = f->GetActiveView())
            view->SetFullSizeBitmap(std::move(image));
}

void AppDocHost::ResendCropFrame()
{
    if (CMainFrame* f = frame.load())
        if (CVelmoView* view = f->GetActiveView())
            view->CommitCropFrame();
}

void AppDocHost::SetPreviewProfile(int icc)
{
    if (CMainFrame* f = frame.load())
        if (CVelmoView* view = f->GetActiveView())
            view->SetPreviewProfile(icc);
}

bool AppDocHost::ReadCropSettings(const std::string& path)
{
    CMainFrame* f = frame.load();
    CVelmoView* view = f != nullptr ? f->GetActiveView() : nullptr;
    return view != nullptr && view->ReadCropSettings(path);
}

bool AppDocHost::WriteCropSettings(const std::string& path)
{
    CMainFrame* f = frame.load();
    CVelmoView* view = f != nullptr ? f->GetActiveView() : nullptr;
    return view == nullptr || view->WriteCropSettings(path);
}

void AppDocHost::AddToRecentList(RecentListKind kind, const std::string& path)
{
    app.AddToRecent(kind, path);
}

bool AppDocHost::OpenDocumentFile(const std::string& path)
{
    app.OpenDocumentFile(path);
    return true;
}

void AppDocHost::UpdatePreviewBitmap()
{
    if (CMainFrame* f = frame.load())
        if (CVelmoView* view = f->GetActiveView())
            view->UpdatePreviewBitmap();
}

void AppDocHost::BeginChromaticSearch()
{
    if (CMainFrame* f = frame.load())
        f->BeginChromaticSearch();
}

bool AppDocHost::ChromaticSearchProgress(int percent)
{
    CMainFrame* f = frame.load();
    return f != nullptr && f->ChromaticSearchProgress(percent);
}

void AppDocHost::EndChromaticSearch()
{
    if (CMainFrame* f = frame.load())
        f->EndChromaticSearch();
}

} // namespace velmo
