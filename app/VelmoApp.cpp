#include "app/VelmoApp.h"

#include "app/AboutDlg.h"
#include "app/AppDocHost.h"
#include "app/DocTemplate.h"
#include "app/FileAssociation.h"
#include "app/MainFrame.h"
#include "app/dialogs/FileDialogs.h"
#include "document/VelmoDoc.h"
#include "platform/core/MessageBox.h"
#include "platform/core/SettingsStore.h"
#include "platform/core/XdgAssociation.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/ProcessLauncher.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/QtMessageBoxHost.h"
#include "res/LanguageFile.h"
#include "res/ResourceIds.h"
#include "res/StringMessage.h"
#include "res/StringTable.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace velmo {

namespace {

constexpr const char* kS = kSettingsSection;
CVelmoApp* theApp = nullptr;

struct RecentListSpec {
    const char* section;
    const char* entryFormat;
    unsigned first;
    unsigned last;
};

// In the order of RecentListKind.
constexpr RecentListSpec kRecentLists[7] = {
    {"Recent Para List", "Params%d", ID_RECENT_PARAMS_FIRST, ID_RECENT_PARAMS_LAST},
    {"Recent WB List", "WB%d", ID_RECENT_WB_FIRST, ID_RECENT_WB_LAST},
    {"Recent SC List", "SC%d", ID_RECENT_SC_FIRST, ID_RECENT_SC_LAST},
    {"Recent LC List", "LC%d", ID_RECENT_LC_FIRST, ID_RECENT_LC_LAST},
    {"Recent TC List", "TC%d", ID_RECENT_TC_FIRST, ID_RECENT_TC_LAST},
    {"Recent CP List", "CP%d", ID_RECENT_CP_FIRST, ID_RECENT_CP_LAST},
    {"Recent CROP List", "CF%d", ID_RECENT_CROP_FIRST, ID_RECENT_CROP_LAST},
};

constexpr int kMaxMru = 16;
constexpr int kRecentDisplayLength = 30;

bool FileExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

// Runs its action once, queued when the window it watches is first exposed:
// the exposure paints the whole window at once (the empty view with it), so
// the action comes after a drawn window has reached the screen, whatever
// covers the window's centre.
class ExposeWatch final : public QObject {
public:
    explicit ExposeWatch(std::function<void()> then) : action(std::move(then)) {}

    void Watch(QWindow* window)
    {
        window->installEventFilter(this);
        // Exposed already (a platform that exposes while showing).
        if (window->isExposed())
            Post();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            Post();
        return QObject::eventFilter(watched, event);
    }

private:
    void Post()
    {
        if (posted)
            return;
        posted = true;
        QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
    }

    std::function<void()> action;
    bool posted = false;
};

// A window that is never exposed (started minimised, or on a screen that
// sends no expose) opens the file after this long.
constexpr int kExposeWait = 1500;

} // namespace

CVelmoApp::CVelmoApp(Options appOptions) : options(std::move(appOptions))
{
    theApp = this;
    BuildCommandMap();
}

CVelmoApp::~CVelmoApp()
{
    if (!exited) {
        CloseAllDocuments();
        ExitInstance();
    }
    if (messageBoxes != nullptr)
        InstallMessageBoxHost(nullptr);
    // The language's texts belong to this run.
    SetStringOverrides({});
    qtTranslation.reset();
    if (theApp == this)
        theApp = nullptr;
}

CVelmoApp* CVelmoApp::Instance()
{
    return theApp;
}

CMainFrame* CVelmoApp::MainFrame() const
{
    return docTemplate != nullptr ? docTemplate->Frame() : nullptr;
}

CVelmoDoc* CVelmoApp::Document() const
{
    return docTemplate != nullptr ? docTemplate->Document() : nullptr;
}

bool CVelmoApp::InitInstance(const std::vector<std::string>& arguments)
{
    // Parameter files write "2.200000" whatever the environment's locale.
    std::setlocale(LC_NUMERIC, "C");

    // 1. The settings store under the company key.
    if (options.installSettings)
        InstallSettings(std::make_shared<FileSettingsStore>(
            options.settingsPath.empty() ? FileSettingsStore::DefaultPath() : options.settingsPath));
    if (options.installMessageBoxes) {
        messageBoxes = std::make_unique<QtMessageBoxHost>(
            [this]() -> QWidget* { return MainFrame(); }, QString::fromStdString(CSingleDocTemplate::DocString(0)));
        InstallMessageBoxHost(messageBoxes.get());
    }
    SettingsStore& s = Settings();

    // 2-3. The dialog font every dialog and palette is made with; the language.
    DialogFont().faceName = s.GetProfileString(kS, "FontName", "");
    DialogFont().pointSize = s.GetProfileInt(kS, "FontSize", 0);
    threadLocale = LocaleLanguageId();
    languageSetting = s.GetProfileInt(kS, "Language", (threadLocale & 0x3FF) | 0x400);

    // 4. The language list and the language file of "Language", whose texts
    // replace the English ones for this run.
    LoadLanguageResources();

    // 5. The recent lists, their size limited to 0..16 and written back.
    mruSize = std::clamp(s.GetProfileInt(kS, "MRUsize", 9), 0, kMaxMru);
    fileList = std::make_unique<CRecentFileList>(0, "Recent File List", "File%d", mruSize, kRecentDisplayLength);
    fileList->ReadList();
    for (size_t i = 0; i < lists.size(); ++i) {
        lists[i] = std::make_unique<CRecentFileList>(0, kRecentLists[i].section, kRecentLists[i].entryFormat, mruSize,
                                                     kRecentDisplayLength);
        lists[i]->ReadList();
    }
    s.WriteProfileInt(kS, "MRUsize", mruSize);

    // 6-8. The document template; the shell's open requests come as
    // command-line arguments; the file types keep their binding.
    docTemplate = std::make_unique<CSingleDocTemplate>(*this);
    if (options.association == nullptr) {
        ownAssociationBackend = std::make_unique<XdgAssociationBackend>(XdgRoots::FromEnvironment());
        options.association = ownAssociationBackend.get();
    }
    association = std::make_unique<CFileAssociation>(*options.association);
    UpdateFileAssociation(-1);

    // 9-10. The empty document with the main window, then drops.
    OnFileNew();
    CMainFrame* frame = MainFrame();
    if (frame == nullptr)
        return false;
    frame->show();
    frame->setAcceptDrops(true);

    // 11. The file named on the command line, as soon as the window is on
    // screen: a compressed file takes a second or more to unpack, with its
    // progress in the status bar of a window already drawn.
    for (const std::string& argument : arguments)
        if (!argument.empty() && argument[0] != '-') {
            OpenWhenShown(*frame, argument);
            break;
        }
    return true;
}

void CVelmoApp::OpenWhenShown(CMainFrame& frame, std::string path)
{
    pendingOpen = std::move(path);
    auto watch = std::make_unique<ExposeWatch>([this] { OpenPendingFile(); });
    if (QWindow* window = frame.windowHandle())
        watch->Watch(window);
    QTimer::singleShot(kExposeWait, watch.get(), [this] { OpenPendingFile(); });
    exposeWatch = std::move(watch);
}

void CVelmoApp::OpenPendingFile()
{
    if (pendingOpen.empty())
        return;
    const std::string path = std::move(pendingOpen);
    pendingOpen.clear();
    // Deleted later: this may run inside one of the watch's own calls.
    if (exposeWatch != nullptr)
        exposeWatch.release()->deleteLater();
    if (MainFrame() != nullptr)
        OpenDocumentFile(path);
}

void CVelmoApp::LoadLanguageResources()
{
    SetStringOverrides({});
    qtTranslation.reset();
    const std::string program = ProgramPath();
    languages.Build(program);
    // English is entry 0; a file is loaded for another listed language only.
    // "Language" keeps its value when the file cannot be used.
    currentLanguage = 1033;
    if (languageSetting == 1033 || !languages.Contains(languageSetting))
        return;
    std::optional<LoadedLanguage> loaded = LoadLanguage(program, languageSetting);
    if (!loaded)
        return;
    const std::string file = std::filesystem::path(LanguageFilePath(LanguageFileBase(program), languageSetting))
                                 .filename()
                                 .string();
    // Left-out entries show in English; the translator learns why here.
    for (const std::string& problem : loaded->problems)
        std::fprintf(stderr, "%s: %s\n", file.c_str(), problem.c_str());
    SetStringOverrides(std::move(loaded->texts));
    currentLanguage = languageSetting;
    LoadQtTranslation();
}

void CVelmoApp::LoadQtTranslation()
{
    // Qt's catalogue of the language, as the desktop's Qt installs it; without
    // one Qt's texts stay English.
    const std::string iso = LanguageIsoCode(currentLanguage);
    if (iso.empty() || iso == "en" || QCoreApplication::instance() == nullptr)
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QString::fromStdString(iso)), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    qtTranslation = std::move(translator);
}

std::string CVelmoApp::ProgramPath() const
{
    if (!options.programPath.empty())
        return options.programPath;
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath().toStdString();
    return {};
}

void CVelmoApp::UpdateFileAssociation(int mode)
{
    if (association != nullptr)
        association->Update(mode, ProgramPath());
}

void CVelmoApp::OnAssociate()
{
    if (association == nullptr)
        return;
    // The new state as the desktop reports it after the writes.
    UpdateFileAssociation(association->Associated() ? 0 : 1);
}

void CVelmoApp::OnUpdateAssociate(CCmdUI& ui)
{
    ui.Enable(association != nullptr);
    ui.SetCheck(association != nullptr && association->Associated() ? 1 : 0);
}

void CVelmoApp::OnAbout()
{
    CAboutDlg dialog(MakeAboutTexts(threadLocale, oemCodePage), MainFrame());
    dialog.exec();
}

void CVelmoApp::CloseAllDocuments()
{
    if (docTemplate != nullptr)
        docTemplate->CloseAllDocuments();
}

int CVelmoApp::ExitInstance()
{
    if (exited)
        return 0;
    exited = true;
    SettingsStore& s = Settings();
    for (auto& list : lists) {
        if (list == nullptr)
            continue;
        list->WriteList();
        list.reset();
    }
    s.WriteProfileString(kS, "FontName", DialogFont().faceName);
    s.WriteProfileInt(kS, "FontSize", DialogFont().pointSize);
    if (fileList != nullptr) {
        fileList->WriteList();
        fileList.reset();
    }
    s.Flush();
    return 0;
}

void CVelmoApp::RunExitHandlers()
{
    std::vector<Restart> pending;
    pending.swap(restarts);
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
        if (*it == Restart::ResetAll) {
            SettingsStore& s = Settings();
            // The file-type binding saved before the program took .RAF over
            // survives the reset, or it could never be restored.
            const std::string previousClass = s.GetProfileString(kS, "AssocateApp", "");
            const std::string previousProgId = s.GetProfileString(kS, "AssocateApp2", "");
            s.DeleteSection(kS);
            if (!previousClass.empty())
                s.WriteProfileString(kS, "AssocateApp", previousClass);
            if (!previousProgId.empty())
                s.WriteProfileString(kS, "AssocateApp2", previousProgId);
        }
        Relaunch();
    }
}

int CVelmoApp::Shutdown()
{
    CloseAllDocuments();
    const int code = ExitInstance();
    RunExitHandlers();
    return code;
}

void CVelmoApp::Relaunch()
{
    // The new instance reads the settings from disk: they are synced first.
    Settings().Flush();
    if (options.launcher == nullptr)
        return;
    const std::string program = ProgramPath();
    if (!program.empty())
        options.launcher->StartDetached(program, {});
}

void CVelmoApp::RelaunchAtExit()
{
    restarts.push_back(Restart::Relaunch);
}

void CVelmoApp::ResetAllAtExit()
{
    restarts.push_back(Restart::ResetAll);
}

void CVelmoApp::PostCloseMainWindow()
{
    if (CMainFrame* frame = MainFrame())
        QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
}

void CVelmoApp::BuildCommandMap()
{
    OnCommand(ID_FILE_NEW, [this](unsigned) { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this](unsigned) { OnFileOpen(); });
    OnCommand(ID_RESET_ALL, [this](unsigned) { OnResetAll(); });
    OnCommand(ID_APP_EXIT, [this](unsigned) { PostCloseMainWindow(); });

    OnCommandRangeEx(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](unsigned id) {
        if (fileList == nullptr)
            return true;
        const int index = int(id - ID_FILE_MRU_FILE1);
        const std::string path = (*fileList)[index];
        if (path.empty() || OpenDocumentFile(path) == nullptr)
            fileList->Remove(index);
        return true;
    });
    OnUpdate(ID_FILE_MRU_FILE1, [this](CCmdUI& ui) {
        if (fileList != nullptr)
            fileList->UpdateMenu(ui);
        else
            ui.Enable(false);
    });

    for (size_t i = 0; i < lists.size(); ++i) {
        const auto kind = RecentListKind(i);
        OnCommandRangeEx(kRecentLists[i].first, kRecentLists[i].last,
                         [this, kind](unsigned id) { return OnOpenRecent(kind, id); });
        OnUpdate(kRecentLists[i].first, [this, kind](CCmdUI& ui) { OnUpdateRecent(kind, ui); });
    }

    OnCommandRange(ID_LANGUAGE_FIRST, ID_LANGUAGE_LAST, [this](unsigned id) { OnLanguage(id); });
    OnUpdate(ID_LANGUAGE_FIRST, [this](CCmdUI& ui) { OnUpdateLanguage(ui); });

    OnCommand(ID_APP_ABOUT, [this](unsigned) { OnAbout(); });
    OnCommand(ID_ASSOCIATE, [this](unsigned) { OnAssociate(); });
    OnUpdate(ID_ASSOCIATE, [this](CCmdUI& ui) { OnUpdateAssociate(ui); });
}

void CVelmoApp::OnFileNew()
{
    if (docTemplate != nullptr)
        docTemplate->NewDocument();
}

void CVelmoApp::OnFileOpen()
{
    std::string path;
    if (options.openFileDialog) {
        path = options.openFileDialog();
    } else {
        FileDialogSetup setup;
        setup.filter = LoadString(IDS_FILE_OPEN_FILTER);
        const std::vector<std::string> chosen = ChooseRawFiles(MainFrame(), setup);
        if (!chosen.empty())
            path = chosen.front();
    }
    if (!path.empty())
        OpenDocumentFile(path);
}

CVelmoDoc* CVelmoApp::OpenDocumentFile(const std::string& path)
{
    // A file opened by the user first replaces the one still waiting.
    pendingOpen.clear();
    return docTemplate != nullptr ? docTemplate->OpenDocumentFile(path) : nullptr;
}

void CVelmoApp::OnResetAll()
{
    if (ShowMessageId(IDS_RESET_ALL, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ResetAllAtExit();
    PostCloseMainWindow();
}

void CVelmoApp::AddToRecentFileList(const std::string& path)
{
    if (fileList != nullptr)
        fileList->Add(path);
}

void CVelmoApp::AddToRecent(RecentListKind kind, const std::string& path)
{
    if (CRecentFileList* list = RecentList(kind))
        list->Add(path);
}

void CVelmoApp::OnUpdateRecent(RecentListKind kind, CCmdUI& ui)
{
    if (CRecentFileList* list = RecentList(kind))
        list->UpdateMenu(ui);
    else
        ui.Enable(false);
}

bool CVelmoApp::OnOpenRecent(RecentListKind kind, unsigned id)
{
    CRecentFileList* list = RecentList(kind);
    if (list == nullptr)
        return true;
    const int index = int(id - kRecentLists[size_t(kind)].first);
    const std::string path = (*list)[index];
    if (!FileExists(path)) {
        list->Remove(index);
        return true;
    }
    if (kind == RecentListKind::CropFrame) {
        if (docTemplate != nullptr)
            docTemplate->Host().ReadCropSettings(path);
        return true;
    }
    OpenDocumentFile(path);
    return true;
}

void CVelmoApp::OnUpdateLanguage(CCmdUI& ui)
{
    if (ui.menu == nullptr)
        return;
    CMenuAccess& menu = *ui.menu;
    int at = ui.index;
    for (int i = 0; i < languages.GetSize(); ++i)
        for (int k = menu.ItemCount() - 1; k >= 0; --k)
            if (menu.ItemId(k) == ID_LANGUAGE_FIRST + unsigned(i)) {
                menu.RemoveItem(k);
                if (k < at)
                    --at;
            }
    at = std::clamp(at, 0, menu.ItemCount());
    for (int i = 0; i < languages.GetSize() && ID_LANGUAGE_FIRST + unsigned(i) <= ID_LANGUAGE_LAST; ++i) {
        char mnemonic[16];
        std::snprintf(mnemonic, sizeof mnemonic, "&%d ", (i + 1) % 10);
        menu.InsertItem(at, ID_LANGUAGE_FIRST + unsigned(i), mnemonic + languages[i].name);
        menu.SetItemState(at, true, languages[i].langId == currentLanguage ? 1 : 0, nullptr);
        ++at;
    }
    ui.menuChanged = true;
    ui.nextIndex = at;
}

void CVelmoApp::OnLanguage(unsigned id)
{
    const int index = int(id - ID_LANGUAGE_FIRST);
    if (index < 0 || index >= languages.GetSize())
        return;
    const int langId = languages[index].langId;
    if (langId == currentLanguage)
        return;
    languageSetting = langId;
    Settings().WriteProfileInt(kS, "Language", langId);
    if (ShowMessageId(IDS_RESTART_LANGUAGE, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    RelaunchAtExit();
    PostCloseMainWindow();
}

} // namespace velmo
