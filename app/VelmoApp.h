// The application: start-up in a fixed order, the recent lists, the
// application commands (New, Open, Reset All, the languages) and the
// shutdown with its optional restart.
#pragma once

#include "app/LanguageList.h"
#include "document/DocHost.h"
#include "platform/gui/CmdTarget.h"
#include "platform/gui/RecentFileList.h"

#include <QObject>
#include <QTranslator>
#include <QRect>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmo {

class CFileAssociation;
class CMainFrame;
class CSingleDocTemplate;
class CVelmoDoc;
class IFileAssociationBackend;
class IMessageBoxHost;
class IProcessLauncher;

class CVelmoApp final : public CCmdTarget {
public:
    struct Options {
        // Starts the new instance of a restart (required for restarts).
        IProcessLauncher* launcher = nullptr;
        // The program a restart starts, whose language files lie beside it
        // and which the file association registers; empty: this executable.
        std::string programPath;
        // The desktop's file association (not owned); null: the freedesktop
        // one under the XDG folders of the environment.
        IFileAssociationBackend* association = nullptr;
        // Install a file settings store at start-up (at settingsPath, empty
        // for the default place); false keeps the store already installed.
        bool installSettings = true;
        std::string settingsPath;
        // Show message boxes with Qt (false keeps the installed host).
        bool installMessageBoxes = true;
        // File Open's dialog; empty: the Qt file dialog. Returns "" on cancel.
        std::function<std::string()> openFileDialog;
        // The area the frame may cover; empty: its screen's available area.
        std::function<QRect()> desktopRect;
    };

    explicit CVelmoApp(Options options);
    ~CVelmoApp() override;
    CVelmoApp(const CVelmoApp&) = delete;
    CVelmoApp& operator=(const CVelmoApp&) = delete;
    // The one application object (the framework's AfxGetApp); null when none.
    static CVelmoApp* Instance();

    // Start-up; arguments without the program name (an optional file path).
    // False when no main window exists afterwards.
    bool InitInstance(const std::vector<std::string>& arguments);
    // Destroys the document and the frame (each writes its settings).
    void CloseAllDocuments();
    // Writes the recent lists and the dialog font; returns the exit code.
    int ExitInstance();
    // The restarts registered during the run, last registered first; they
    // run after every setting was written and synced to disk.
    void RunExitHandlers();
    // The whole shutdown after the main window closed: documents, exit, restarts.
    int Shutdown();

    CSingleDocTemplate* DocTemplate() const { return docTemplate.get(); }
    CMainFrame* MainFrame() const;
    CVelmoDoc* Document() const;

    // File New and File Open.
    void OnFileNew();
    void OnFileOpen();
    // Opens path like File Open; null when the document did not load it.
    CVelmoDoc* OpenDocumentFile(const std::string& path);
    void OnResetAll();

    // The framework's recent-file list ("Recent File List").
    CRecentFileList* RecentFileList() const { return fileList.get(); }
    void AddToRecentFileList(const std::string& path);
    // The seven lists of side files.
    CRecentFileList* RecentList(RecentListKind kind) const { return lists[size_t(kind)].get(); }
    void AddToRecent(RecentListKind kind, const std::string& path);
    // Fills a menu's placeholder of that list (the palettes call this for
    // their popup menus); disabled without the list.
    void OnUpdateRecent(RecentListKind kind, CCmdUI& ui);
    // Opens entry id - first of the list; a missing file leaves the list.
    bool OnOpenRecent(RecentListKind kind, unsigned id);

    void AddToRecentCropFrame(const std::string& path) { AddToRecent(RecentListKind::CropFrame, path); }
    void OnUpdateRecentColorProfile(CCmdUI& ui) { OnUpdateRecent(RecentListKind::ColorProfile, ui); }

    // Languages: the list, the one in use (1033 without a language file) and
    // the commands of the "&Language" menu.
    CLanguageList& Languages() { return languages; }
    int CurrentLanguage() const { return currentLanguage; }
    int ThreadLocaleAtStart() const { return threadLocale; }
    void OnUpdateLanguage(CCmdUI& ui);
    void OnLanguage(unsigned id);

    // The About box (modal).
    void OnAbout();

    // The file association: -1 refreshes the registration, 1 binds RAF files
    // to the program, 0 gives them back to what they opened with before.
    void UpdateFileAssociation(int mode);
    // "Associate CCDRAW with velmo": toggles the binding; checked when bound.
    void OnAssociate();
    void OnUpdateAssociate(CCmdUI& ui);
    CFileAssociation* FileAssociation() const { return association.get(); }

    // The program's path (Options::programPath or this executable).
    std::string ProgramPath() const;

    int MruSize() const { return mruSize; }
    const Options& GetOptions() const { return options; }

    // The restarts: registered now, run after the process's settings are
    // written (the program's exit handlers).
    void RelaunchAtExit();
    void ResetAllAtExit();
    // Closes the main window once the current command has returned.
    void PostCloseMainWindow();
    // True while the file named on the command line waits for the main
    // window to be shown before it is opened.
    bool CommandLineOpenPending() const { return !pendingOpen.empty(); }

private:
    enum class Restart { Relaunch, ResetAll };
    void BuildCommandMap();
    void Relaunch();
    void LoadLanguageResources();
    void LoadQtTranslation();
    void OpenWhenShown(CMainFrame& frame, std::string path);
    void OpenPendingFile();

    Options options;
    std::unique_ptr<IMessageBoxHost> messageBoxes;
    std::unique_ptr<IFileAssociationBackend> ownAssociationBackend;
    std::unique_ptr<CFileAssociation> association;
    std::unique_ptr<CSingleDocTemplate> docTemplate;
    std::unique_ptr<CRecentFileList> fileList;
    std::array<std::unique_ptr<CRecentFileList>, 7> lists;
    CLanguageList languages;
    // Qt's own texts (file dialogs, message box buttons) in the language.
    std::unique_ptr<QTranslator> qtTranslation;
    int languageSetting = 0x409;
    int currentLanguage = 1033;
    int threadLocale = 0x409;
    int oemCodePage = 65001;
    int mruSize = 9;
    std::vector<Restart> restarts;
    bool exited = false;
    std::string pendingOpen;
    std::unique_ptr<QObject> exposeWatch;
};

} // namespace velmo
