#include "app/DocTemplate.h"

#include "app/MainFrame.h"
#include "app/VelmoApp.h"
#include "app/VelmoView.h"
#include "document/VelmoDoc.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <filesystem>

namespace velmo {

namespace {

std::string FullPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

} // namespace

CSingleDocTemplate::CSingleDocTemplate(CVelmoApp& application) : app(application), host(application) {}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAllDocuments();
}

std::string CSingleDocTemplate::DocString(int index)
{
    const std::string strings = LoadString(IDS_DOC_STRINGS);
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const size_t next = strings.find('\n', start);
        if (next == std::string::npos)
            return {};
        start = next + 1;
    }
    const size_t end = strings.find('\n', start);
    return strings.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool CSingleDocTemplate::CreateDocumentAndFrame()
{
    doc = std::make_unique<CVelmoDoc>(&host);
    host.SetDocument(doc.get());
    frame = CMainFrame::Create(app, *doc, host);
    if (frame == nullptr) {
        doc.reset();
        host.SetDocument(nullptr);
        return false;
    }
    host.SetFrame(frame.get());
    return true;
}

CVelmoDoc* CSingleDocTemplate::NewDocument()
{
    if (doc == nullptr) {
        if (!CreateDocumentAndFrame())
            return nullptr;
    } else {
        doc->DeleteContents();
    }
    if (!doc->OnNewDocument())
        return nullptr;
    pathName.clear();
    SetDefaultTitle();
    InitialUpdate();
    return doc.get();
}

CVelmoDoc* CSingleDocTemplate::OpenDocumentFile(const std::string& path)
{
    if (doc == nullptr && NewDocument() == nullptr)
        return nullptr;
    const std::string full = FullPath(path);
    if (!pathName.empty() && full == pathName)
        return doc.get();
    if (!doc->OnOpenDocument(path)) {
        // A RAW load that failed half-way emptied the document: the title
        // must not name a file that is no longer shown.
        if (!pathName.empty() && !doc->HasImage()) {
            pathName.clear();
            SetDefaultTitle();
            InitialUpdate();
        }
        return nullptr;
    }
    pathName = full;
    title = std::filesystem::path(full).filename().string();
    app.AddToRecentFileList(full);
    InitialUpdate();
    return doc.get();
}

void CSingleDocTemplate::InitialUpdate()
{
    UpdateFrameTitle();
    if (frame != nullptr) {
        frame->GetActiveView()->OnUpdate();
        frame->RecalcLayout();
    }
}

void CSingleDocTemplate::SetDefaultTitle()
{
    title = DocString(1);
    if (title.empty())
        title = "Untitled";
}

void CSingleDocTemplate::UpdateFrameTitle()
{
    if (frame == nullptr)
        return;
    // Without a file the document's title is blank: the program's name
    // stands alone, without a dash before nothing.
    const bool blank = title.find_first_not_of(" \t") == std::string::npos;
    frame->setWindowTitle(QString::fromStdString(blank ? DocString(0) : DocString(0) + " - " + title));
}

void CSingleDocTemplate::CloseAllDocuments()
{
    // The document goes first: its worker still reports to the frame.
    doc.reset();
    host.SetDocument(nullptr);
    host.SetFrame(nullptr);
    frame.reset();
}

} // namespace velmo
