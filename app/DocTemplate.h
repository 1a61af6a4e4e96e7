// The single-document template: one document, its main frame and its view.
// The document's path, the frame's title and the recent-file list change
// only when opening a file reports success; a file that fails (or a side
// file, which updates the current image) leaves all three as they were.
#pragma once

#include "app/AppDocHost.h"

#include <memory>
#include <string>

namespace velmo {

class CMainFrame;
class CVelmoApp;
class CVelmoDoc;

class CSingleDocTemplate {
public:
    explicit CSingleDocTemplate(CVelmoApp& app);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // File New: the first call creates the document, the main frame and the
    // view; later calls empty the document. Null when the frame could not be
    // created.
    CVelmoDoc* NewDocument();
    // Opens path into the document (creating the frame first when needed).
    // Null when the document did not load it; the same document when path
    // is the file already open.
    CVelmoDoc* OpenDocumentFile(const std::string& path);
    // Destroys the document (which writes its settings), then the frame.
    void CloseAllDocuments();

    CVelmoDoc* Document() const { return doc.get(); }
    CMainFrame* Frame() const { return frame.get(); }
    AppDocHost& Host() { return host; }
    const std::string& PathName() const { return pathName; }
    const std::string& Title() const { return title; }
    // Item n of the document strings (resource 200): 0 the window title,
    // 1 the document name, ... 5 the file type id.
    static std::string DocString(int index);

private:
    bool CreateDocumentAndFrame();
    void SetDefaultTitle();
    void UpdateFrameTitle();
    void InitialUpdate();

    CVelmoApp& app;
    AppDocHost host; // outlives the document, which calls it until its end
    std::unique_ptr<CVelmoDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    std::string pathName;
    std::string title;
};

} // namespace velmo
