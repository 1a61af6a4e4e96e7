#include "app/MainFrame.h"

#include "app/AppDocHost.h"
#include "app/CommandValues.h"
#include "app/DocCommands.h"
#include "app/palettes/HistogramBar.h"
#include "app/palettes/PaletteDock.h"
#include "app/palettes/PaletteInterfaces.h"
#include "app/VelmoApp.h"
#include "app/VelmoView.h"
#include "app/dialogs/ProcessingDlg.h"
#include "develop/output/SaveDocument.h"
#include "document/VelmoDoc.h"
#include "params/EditState.h"
#include "platform/core/MessageBox.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/DialogFont.h"
#include "platform/gui/QtMenus.h"
#include "platform/gui/StatusProgress.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"
#include "res/StringMessage.h"
#include "res/StringTable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QStatusTipEvent>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace velmo {

namespace {

constexpr const char* kS = kSettingsSection;

// The central area: the view, centred when the window is larger than it
// (fixed mode), filling it in full mode.
class ViewHolder final : public QWidget {
public:
    ViewHolder(CVelmoView* shown, QWidget* parent) : QWidget(parent), view(shown)
    {
        setObjectName(QStringLiteral("ViewHolder"));
        grid = new QGridLayout(this);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(view, 0, 0, Qt::AlignCenter);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(64, 64, 64));
        setPalette(p);
    }
    void SetFill(bool fill) { grid->setAlignment(view, fill ? Qt::Alignment() : Qt::AlignCenter); }

private:
    CVelmoView* view;
    QGridLayout* grid;
};

} // namespace

QSize PreviewDisplaySize(int index, bool portrait)
{
    int w = portrait ? CVelmoDoc::kPreviewHeight : CVelmoDoc::kPreviewWidth;
    int h = portrait ? CVelmoDoc::kPreviewWidth : CVelmoDoc::kPreviewHeight;
    switch (index) {
    case 1: w = w * 3 / 2; h = h * 3 / 2; break;
    case 2: w *= 2; h *= 2; break;
    case 3: w /= 2; h /= 2; break;
    case 4: w /= 3; h /= 3; break;
    case 5: w /= 4; h /= 4; break;
    default: break;
    }
    return {w, h};
}

DisplaySize FullModeDisplayFor(const CVelmoDoc& doc, int viewWidth, int viewHeight, bool portrait, int zoomPercent)
{
    // The scale of the saved picture: the output size of the whole image
    // (a crop frame cuts the file, not the scale; the view shows the whole
    // picture with the frame over it).
    const int mode = doc.Output().sizeMode & 7;
    const OutputSize out = OutputSizeFor(mode | (doc.Image().bayerFlag ? 8 : 0), doc.Image().imageWidth,
                                         doc.Image().imageHeight, doc.Edit().Params().rotate);
    // A preview-size file is the 4:3 preview, bands and all.
    const bool letterboxed = HasLetterboxBand(doc.CameraFamily()) && !IsPreviewSizeMode(mode);
    return FullModeDisplaySize(viewWidth, viewHeight, portrait, zoomPercent, out.width, out.height, letterboxed);
}

std::optional<QRect> WindowPositionFromBytes(const std::vector<uint8_t>& bytes, const std::vector<QRect>& screens)
{
    if (bytes.size() != 16)
        return std::nullopt;
    int32_t v[4];
    std::memcpy(v, bytes.data(), sizeof v);
    const int64_t w = int64_t(v[2]) - v[0];
    const int64_t h = int64_t(v[3]) - v[1];
    if (w < 64 || h < 48 || w > 32768 || h > 32768)
        return std::nullopt;
    QRect r(v[0], v[1], int(w), int(h));
    if (screens.empty())
        return r;
    // Enough of the window shows on some screen to be grabbed.
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(r);
        if (seen.width() >= 64 && seen.height() >= 48)
            return r;
    }
    // Off every screen: onto the nearest one, shrunk to fit.
    const QRect* nearest = &screens.front();
    int64_t best = INT64_MAX;
    for (const QRect& s : screens) {
        const int64_t dx = int64_t(s.center().x()) - r.center().x();
        const int64_t dy = int64_t(s.center().y()) - r.center().y();
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = &s;
        }
    }
    r.setSize(r.size().boundedTo(nearest->size()));
    r.moveLeft(std::clamp(r.left(), nearest->left(), nearest->right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), nearest->top(), nearest->bottom() - r.height() + 1));
    return r;
}

CMainFrame::CMainFrame(CVelmoApp& application, CVelmoDoc& document, AppDocHost& docHost)
    : app(application), doc(document), host(docHost), docCommands(std::make_unique<CDocCommands>(document, *this))
{
    setObjectName(QStringLiteral("MainFrame"));
    // A caption with the system menu, minimise, maximise and close: a
    // maximise from the window manager enters full mode.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    SettingsStore& s = Settings();
    previewSize = s.GetProfileInt(kS, "PreviewSize", 0);
    if (previewSize < 0 || previewSize > 5)
        previewSize = 0;
    floatPalettes = s.GetProfileInt(kS, "FlaotPalettes", 0) != 0 ? 1 : 0;
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    desktopRect = app.GetOptions().desktopRect;
}

std::unique_ptr<CMainFrame> CMainFrame::Create(CVelmoApp& app, CVelmoDoc& doc, AppDocHost& host)
{
    std::unique_ptr<CMainFrame> frame(new CMainFrame(app, doc, host));
    if (!frame->OnCreate())
        return nullptr;
    return frame;
}

CMainFrame::~CMainFrame()
{
    // QWidget's destructor, which runs after this one, closes a window still
    // on screen and takes the palettes and toolbars down: their visibility
    // and dock signals must not reach this frame then.
    layoutTimer.stop();
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    SettingsStore& s = Settings();
    s.WriteProfileInt(kS, "PreviewSize", previewSize);
    s.WriteProfileInt(kS, "PreviewFull", previewFull);
    s.WriteProfileInt(kS, "FlaotPalettes", floatPalettes);
    s.WriteProfileString(kS, "FrameVer", kFrameVersion);
}

bool CMainFrame::OnCreate()
{
    BuildCommandMap();
    const CommandSink sink = [this](unsigned id) { ExecuteCommand(id); };
    const RouteProvider route = [this] { return Route(); };

    view = new CVelmoView(doc, this);
    viewHolder = new ViewHolder(view, this);
    setCentralWidget(viewHolder);

    const MenuResource* menu = FindMenuResource(IDR_MAINFRAME);
    const ToolBarResource* toolbar = FindToolBarResource(IDR_MAINFRAME);
    const ToolBarResource* paletteButtons = FindToolBarResource(IDR_PALETTES_BAR);
    if (menu == nullptr || toolbar == nullptr || paletteButtons == nullptr)
        return false;
    BuildMenuBar(menuBar(), *menu, sink, route);
    InstallAccelerators(this, sink);

    mainToolBar = new CommandToolBar(*toolbar, {}, sink, this);
    mainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    mainToolBar->setWindowTitle(CommandTip(ID_VIEW_TOOLBAR));
    addToolBar(Qt::TopToolBarArea, mainToolBar);

    // Button i: caption item i with three blanks, cut to 7 characters.
    std::vector<std::string> items;
    LoadStringList(IDS_PALETTE_CAPTIONS, &items);
    std::vector<QString> captions;
    for (size_t i = 0; i < paletteButtons->count; ++i) {
        const QString item = i < items.size() ? QString::fromStdString(items[i]) : QString();
        // Characters, not bytes: a translated caption may hold umlauts.
        captions.push_back((item + QStringLiteral("   ")).left(7));
    }
    palettesBar = new CommandToolBar(*paletteButtons, captions, sink, this);
    palettesBar->setObjectName(QStringLiteral("PalettesBar"));
    palettesBar->setWindowTitle(CommandTip(ID_VIEW_PALETTES_BAR));
    addToolBar(Qt::BottomToolBarArea, palettesBar);

    messagePane = new StatusProgressPane(statusBar());
    messagePane->SetMessage(StringText(AFX_IDS_IDLEMESSAGE));
    statusBar()->addWidget(messagePane, 1);
    sizePane = new QLabel(statusBar());
    sizePane->setObjectName(QStringLiteral("SizePane"));
    sizePane->setAlignment(Qt::AlignCenter);
    sizePane->setMinimumWidth(sizePane->fontMetrics().horizontalAdvance(StringText(IDS_SIZE_PANE)) + 12);
    statusBar()->addPermanentWidget(sizePane);
    const unsigned indicatorIds[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        // Lock-key states cannot be read portably; the panes keep their width.
        indicators[size_t(i)] = new QLabel(statusBar());
        indicators[size_t(i)]->setMinimumWidth(
            indicators[size_t(i)]->fontMetrics().horizontalAdvance(StringText(indicatorIds[i])) + 8);
        statusBar()->addPermanentWidget(indicators[size_t(i)]);
    }
    statusBar()->setSizeGripEnabled(false);

    idle = new IdleUpdater([this] { UpdateToolBars(); }, this);
    idleAfterEdits = doc.Edit().Subscribe([this](const EditChange&) { idle->Schedule(); });
    layoutTimer.setSingleShot(true);
    layoutTimer.setInterval(0);
    connect(&layoutTimer, &QTimer::timeout, this, [this] { RecalcLayout(); });
    for (QToolBar* bar : {static_cast<QToolBar*>(mainToolBar), static_cast<QToolBar*>(palettesBar)})
        connect(bar, &QToolBar::visibilityChanged, this, [this] { ScheduleLayout(); });

    if (!CreatePalettes())
        return false;

    std::vector<uint8_t> stored;
    if (Settings().GetProfileBinary(kS, "WindowPosition", stored)) {
        std::vector<QRect> screens;
        for (QScreen* screen : QGuiApplication::screens())
            screens.push_back(screen->availableGeometry());
        if (desktopRect)
            screens = {desktopRect()};
        if (const std::optional<QRect> position = WindowPositionFromBytes(stored, screens)) {
            RestoreWindowPosition(*position);
            LoadBarState("DockingBarState");
        }
    }
    Settings().GetProfileInt(kS, "Zoomed", 0);
    RecalcLayout();
    UpdateToolBars();
    return true;
}

void CMainFrame::RestoreWindowPosition(const QRect& stored)
{
    setGeometry(stored);
}

bool CMainFrame::SaveBarState(const char* name)
{
    const QByteArray state = saveState(kLayoutStateVersion);
    return Settings().WriteProfileBinary(kS, name, state.constData(), size_t(state.size()));
}

bool CMainFrame::LoadBarState(const char* name)
{
    std::vector<uint8_t> bytes;
    if (!Settings().GetProfileBinary(kS, name, bytes) || bytes.empty())
        return false;
    const bool restored =
        restoreState(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
                     kLayoutStateVersion);
    // The tool palettes never dock, whatever a layout says.
    for (CPaletteDock* p : {selColorBar, lensBar, freeCurveBar})
        if (p != nullptr && !p->IsDockable() && !p->isFloating())
            p->setFloating(true);
    return restored;
}

QRect CMainFrame::DesktopRect() const
{
    if (desktopRect)
        return desktopRect();
    QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    return s != nullptr ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
}

bool CMainFrame::IsTabbedUI() const
{
    return doc.Edit().Switch(SwitchId::UseOldUI) == 0;
}

CPaletteDock* CMainFrame::ParametersPalette() const
{
    return IsTabbedUI() ? paramTabBar : paramBar;
}

IMagnifierPalette* CMainFrame::MagnifierPalette() const
{
    return dynamic_cast<IMagnifierPalette*>(magnifierBar);
}

IExifPalette* CMainFrame::ExifPalette() const
{
    return dynamic_cast<IExifPalette*>(exifBar);
}

QWidget* CMainFrame::GetBarById(unsigned id) const
{
    switch (id) {
    case ID_VIEW_PARAMS: return paramBar;
    case ID_VIEW_HISTOGRAM: return histogramBar;
    case ID_VIEW_MAGNIFIER: return magnifierBar;
    case ID_VIEW_CURVE: return curveBar;
    case ID_VIEW_EXIF: return exifBar;
    case ID_VIEW_PALETTES_BAR: return palettesBar;
    case ID_VIEW_SELCOLOR: return selColorBar;
    case ID_VIEW_LENS: return lensBar;
    case ID_VIEW_FREECURVE: return freeCurveBar;
    case ID_VIEW_PARAMTAB: return paramTabBar;
    case AFX_IDW_TOOLBAR: return mainToolBar;
    case AFX_IDW_STATUS_BAR: return statusBar();
    default: return nullptr;
    }
}

CPaletteDock* CMainFrame::Palette(unsigned viewId) const
{
    return dynamic_cast<CPaletteDock*>(GetBarById(viewId));
}

CHistogramBar* CMainFrame::HistogramBar() const
{
    return dynamic_cast<CHistogramBar*>(histogramBar);
}

PaletteCommands CMainFrame::CommandsForPalettes()
{
    return {[this](unsigned id) { ExecuteCommand(id); }, [this] { return Route(); }};
}

CommandRoute CMainFrame::Route(CCmdTarget* owner) const
{
    return CommandRoute({owner, view, docCommands.get(), const_cast<CMainFrame*>(this), &app});
}

void CMainFrame::ExecuteCommand(unsigned id, CCmdTarget* owner)
{
    // A long command pumps events; no other command may start inside it.
    if (InModalWork())
        return;
    const CommandRoute route = Route(owner);
    if (!route.IsEnabled(id))
        return;
    route.Execute(id);
    if (!closing)
        UpdateToolBars();
}

void CMainFrame::ScheduleLayout()
{
    if (!closing && !inLayout)
        layoutTimer.start();
}

void CMainFrame::UpdateToolBars()
{
    if (closing)
        return;
    const CommandRoute route = Route();
    if (mainToolBar != nullptr) {
        mainToolBar->UpdateButtons(route);
        // The size-mode buttons' tips are the document's size captions.
        for (unsigned id = ID_SIZE_FULL; id <= ID_SIZE_PREVIEW; ++id)
            if (QAction* button = mainToolBar->ButtonAction(id))
                button->setToolTip(QString::fromStdString(doc.FormatOutputSize(OutputScaleOfCommand(id), nullptr, 0).substr(0, 80)));
    }
    if (palettesBar != nullptr)
        palettesBar->UpdateButtons(route);
    // The shown palettes' controls (the framework's idle update of its
    // control bars).
    for (CPaletteDock* p : {paramBar, paramTabBar, histogramBar, magnifierBar, selColorBar, lensBar, exifBar,
                            curveBar, freeCurveBar})
        if (p != nullptr && p->isVisible())
            p->UpdateControls(route);
}

void CMainFrame::TrackPopupMenu(unsigned menuId, CCmdTarget* owner, QPoint globalPos)
{
    const MenuResource* resource = FindMenuResource(menuId);
    if (resource == nullptr)
        return;
    QMenu* menu = BuildContextMenu(
        *resource, [this, owner](unsigned id) { ExecuteCommand(id, owner); }, [this, owner] { return Route(owner); },
        this);
    menu->exec(globalPos);
    delete menu;
}

void CMainFrame::BuildCommandMap()
{
    OnCommand(ID_RESET, [this](unsigned) { OnReset(); });

    OnCommand(ID_FLOAT_PALETTES, [this](unsigned) {
        floatPalettes = floatPalettes ? 0 : 1;
        DockOrFloatPalettes(floatPalettes == 0);
    });
    OnUpdate(ID_FLOAT_PALETTES, [this](CCmdUI& ui) { ui.SetCheck(floatPalettes); });

    OnCommand(ID_RESET_PALETTES, [this](unsigned) { ResetPaletteLayout(); });
    OnCommand(ID_HIDE_PALETTES, [this](unsigned) { OnHidePalettes(); });

    OnCommandRange(ID_VIEW_PALETTE_FIRST, ID_VIEW_PALETTE_LAST, [this](unsigned id) { OnViewPalette(id); });
    OnUpdateRange(ID_VIEW_PALETTE_FIRST, ID_VIEW_PALETTE_LAST, [this](CCmdUI& ui) {
        if (ui.id == ID_FLOAT_PALETTES) {
            ui.SetCheck(floatPalettes);
            return;
        }
        if (IsTabbedUI() && paramTabBar != nullptr) {
            const bool shown = !paramTabBar->isHidden();
            const int page = paramTabBar->CurrentPage();
            switch (ui.id) {
            case ID_VIEW_PARAMS: ui.SetCheck(shown && page <= 2); return;
            case ID_VIEW_SELCOLOR: ui.SetCheck(shown && page == 5); return;
            case ID_VIEW_LENS: ui.SetCheck(shown && page == 4); return;
            case ID_VIEW_FREECURVE: ui.SetCheck(shown && page == 3); return;
            default: break;
            }
        }
        if (QWidget* bar = GetBarById(ui.id))
            ui.SetCheck(!bar->isHidden());
    });

    // The preview sizes: x1, x1.5, x2 in the menu; 1/2, 1/3, 1/4 without items.
    OnCommandRange(ID_PREVIEW_SIZE_FIRST, ID_PREVIEW_SIZE_FIRST + 5, [this](unsigned id) { OnPreviewSize(id); });
    OnUpdateRange(ID_PREVIEW_SIZE_FIRST, ID_PREVIEW_SIZE_FIRST + 5, [this](CCmdUI& ui) {
        ui.SetCheck(!previewFull && ui.id == ID_PREVIEW_SIZE_FIRST + unsigned(previewSize));
    });

    OnCommandRange(ID_ZOOM_FREE, ID_ZOOM_300, [this](unsigned id) { SetPreviewZoom(int(id)); });
    OnUpdateRange(ID_ZOOM_FREE, ID_ZOOM_300, [this](CCmdUI& ui) {
        static constexpr int kZoom[] = {0, 0, 50, 100, 200, 300};
        if (ui.id == ID_ZOOM_FREE) {
            ui.SetCheck(previewFull);
            return;
        }
        ui.Enable(previewFull != 0);
        ui.SetCheck(previewFull != 0 && kZoom[ui.id - ID_ZOOM_FREE] == zoomPercent);
    });

    OnCommand(ID_FONT_NORMAL, [this](unsigned id) { OnFontCommand(id); });
    OnCommand(ID_FONT_CHOOSE, [this](unsigned id) { OnFontCommand(id); });
    OnUpdateRange(ID_FONT_NORMAL, ID_FONT_CHOOSE,
                  [](CCmdUI& ui) { ui.SetCheck(ui.id == ID_FONT_NORMAL && DialogFont().pointSize == 0); });

    OnCommand(ID_USE_OLD_UI, [this](unsigned) { OnUseOldUI(); });
    OnUpdate(ID_USE_OLD_UI, [this](CCmdUI& ui) { ui.SetCheck(doc.Edit().Switch(SwitchId::UseOldUI) != 0); });

    OnCommandRange(ID_FOCUS_CONTROL_FIRST, ID_FOCUS_CONTROL_LAST, [this](unsigned id) { FocusPaletteControl(id); });
    // The histogram's source: preview, magnifier, selection.
    OnCommandRange(ID_HISTOGRAM_SOURCE_FIRST, ID_HISTOGRAM_SOURCE_LAST, [this](unsigned id) {
        if (CHistogramBar* histogram = HistogramBar())
            histogram->SetSource(int(id - ID_HISTOGRAM_SOURCE_FIRST));
    });
    OnUpdateRange(ID_HISTOGRAM_SOURCE_FIRST, ID_HISTOGRAM_SOURCE_LAST, [this](CCmdUI& ui) {
        CHistogramBar* histogram = HistogramBar();
        ui.SetCheck(histogram != nullptr && histogram->Source() == int(ui.id - ID_HISTOGRAM_SOURCE_FIRST));
    });
    OnUpdateRange(ID_TWO_FRAME_CONTROL_FIRST, ID_TWO_FRAME_CONTROL_LAST,
                  [this](CCmdUI& ui) { ui.Enable(doc.Edit().Params().twoFrames != 0); });

    // The framework's bar toggles for the toolbar and the status bar.
    OnCommandRange(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, [this](unsigned id) {
        if (QWidget* bar = GetBarById(id))
            bar->setVisible(bar->isHidden());
        RecalcLayout();
    });
    OnUpdateRange(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, [this](CCmdUI& ui) {
        if (QWidget* bar = GetBarById(ui.id))
            ui.SetCheck(!bar->isHidden());
    });
}

void CMainFrame::OnViewPalette(unsigned id)
{
    QWidget* bar = GetBarById(id);
    if (bar == nullptr)
        return;
    if (IsTabbedUI() && paramTabBar != nullptr) {
        switch (id) {
        case ID_VIEW_PARAMS:
            if (paramTabBar->isHidden()) {
                paramTabBar->ShowPage(0);
                paramTabBar->show();
            } else if (featurePageShown >= 0 && paramTabBar->CurrentPage() == featurePageShown) {
                // The palette shows a feature's page that its own command
                // opened: "Parameters" shows the parameters again rather
                // than stepping on to the next feature.
                paramTabBar->ShowPage(0);
            } else if (paramTabBar->CurrentPage() >= 5) {
                paramTabBar->hide();
            } else {
                paramTabBar->ShowPage(paramTabBar->CurrentPage() + 1);
            }
            featurePageShown = -1;
            return;
        case ID_VIEW_SELCOLOR:
        case ID_VIEW_LENS:
        case ID_VIEW_FREECURVE:
            featurePageShown = id == ID_VIEW_SELCOLOR ? 5 : id == ID_VIEW_LENS ? 4 : 3;
            paramTabBar->ShowPage(featurePageShown);
            paramTabBar->show();
            return;
        default:
            break;
        }
    }
    bar->setVisible(bar->isHidden());
    RecalcLayout();
}

void CMainFrame::OnHidePalettes()
{
    // Hides every palette shown (the palettes bar stays); pressed again
    // while none shows, it brings back those it hid.
    std::vector<unsigned> shown;
    for (unsigned id = ID_VIEW_PALETTE_FIRST; id < ID_VIEW_PALETTE_LAST; ++id) {
        if (id == ID_VIEW_PALETTES_BAR || id == ID_FLOAT_PALETTES)
            continue;
        if (CPaletteDock* p = Palette(id); p != nullptr && !p->isHidden())
            shown.push_back(id);
    }
    if (!shown.empty()) {
        for (unsigned id : shown)
            Palette(id)->hide();
        hiddenByHide = std::move(shown);
    } else {
        for (unsigned id : hiddenByHide)
            if (CPaletteDock* p = Palette(id))
                p->show();
        hiddenByHide.clear();
    }
    RecalcLayout();
}

void CMainFrame::OnUseOldUI()
{
    if (floatPalettes == 1) {
        floatPalettes = 0;
        DockOrFloatPalettes(true);
    }
    doc.Edit().SetSwitch(SwitchId::UseOldUI, doc.Edit().Switch(SwitchId::UseOldUI) ? 0 : 1);
    if (doc.Edit().Switch(SwitchId::UseOldUI) == 0)
        for (CPaletteDock* p : {lensBar, freeCurveBar, selColorBar})
            if (p != nullptr)
                p->hide();
    // Only one of the two parameters palettes shows.
    if (paramBar != nullptr)
        paramBar->setVisible(doc.Edit().Switch(SwitchId::UseOldUI) != 0);
    if (paramTabBar != nullptr)
        paramTabBar->setVisible(doc.Edit().Switch(SwitchId::UseOldUI) == 0);
    RecalcLayout();
}

void CMainFrame::OnReset()
{
    // The palettes follow the record; the defaults' turn may be another.
    doc.SetDefaultParameters();
    RecalcLayout();
    doc.OnParametersChanged();
}

bool CMainFrame::FocusPaletteControl(unsigned id)
{
    CPaletteDock* p = ParametersPalette();
    return p != nullptr && p->FocusControl(id);
}

void CMainFrame::BeginChromaticSearch()
{
    SaveBarState("DockingBarState2");
    if (magnifierBar != nullptr) {
        magnifierBar->show();
        magnifierBar->setFloating(true);
        magnifierBar->move(frameGeometry().topLeft());
    }
    processing = std::make_unique<CProcessingDlg>(std::string(), this);
    processing->SetProgress(0);
    // The rest of the program takes no input while the search runs; the
    // dialog's Cancel does.
    processing->hide();
    processing->setWindowModality(Qt::ApplicationModal);
    processing->show();
}

bool CMainFrame::ChromaticSearchProgress(int percent)
{
    if (processing == nullptr)
        return false;
    processing->SetProgress(percent);
    QCoreApplication::processEvents();
    return processing->cancelRequested != 0;
}

void CMainFrame::EndChromaticSearch()
{
    processing.reset();
    LoadBarState("DockingBarState2");
    RecalcLayout();
}

void CMainFrame::OnFontCommand(unsigned id)
{
    DialogFontSetting& font = DialogFont();
    if (id == ID_FONT_NORMAL) {
        font.pointSize = 0;
    } else if (id == ID_FONT_CHOOSE) {
        std::optional<DialogFontSetting> chosen;
        if (chooseFont) {
            chosen = chooseFont(font);
        } else {
            bool ok = false;
            const QFont picked = QFontDialog::getFont(&ok, ResolveDialogFont(font), this);
            if (ok)
                chosen = DialogFontSetting{picked.family().toStdString(), picked.pointSize() & 0xFFFF};
        }
        if (chosen)
            font = *chosen;
    }
    // The palettes stay (with everything they hold) and take the new font.
    for (CPaletteDock* p : {paramBar, paramTabBar, histogramBar, magnifierBar, selColorBar, lensBar, exifBar,
                            curveBar, freeCurveBar})
        if (p != nullptr)
            p->ApplyFont();
    RecalcLayout();
}

void CMainFrame::SetResizable(bool resizable)
{
    if (resizable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        view->setMinimumSize(64, 48);
        view->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }
    static_cast<ViewHolder*>(viewHolder)->SetFill(resizable);
    statusBar()->setSizeGripEnabled(resizable);
}

void CMainFrame::RecalcLayout()
{
    if (inLayout || view == nullptr)
        return;
    inLayout = true;
    const bool portrait = doc.Edit().Params().rotate != 0;
    if (previewFull) {
        SetResizable(true);
        layout()->activate();
        const QSize client = view->size();
        const DisplaySize display = FullModeDisplayFor(doc, client.width(), client.height(), portrait, zoomPercent);
        view->SetDisplaySize(display.width, display.height, display.pictureOnly);
    } else {
        // Everything below follows from the widgets' size hints, never from
        // the window's current size nor from the docks' current sizes: the
        // result is the same however often it runs and whether or not the
        // last resize of the window has arrived.
        SetResizable(false);
        const QSize want = PreviewDisplaySize(previewSize, portrait);
        const QSize margins = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
        const QSize room = DesktopRect().size() - margins;
        // The toolbars can shrink (their buttons go into an extension menu);
        // the view shrinks only when its own row or column cannot fit.
        const FrameNeeds needs = FrameSizeFor(want);
        QSize viewSize = want;
        if (needs.viewRow > room.width())
            viewSize.setWidth(std::max(64, want.width() - (needs.viewRow - room.width())));
        if (needs.size.height() > room.height())
            viewSize.setHeight(std::max(48, want.height() - (needs.size.height() - room.height())));
        view->setFixedSize(viewSize);
        view->SetDisplaySize(want.width(), want.height(), false);
        const QSize full = FrameSizeFor(viewSize).size;
        const bool clamped = full.width() > room.width() || full.height() > room.height() || viewSize != want;
        const QSize target = full.boundedTo(room);
        // The frame takes the size that shows the preview and cannot be made
        // smaller; its maximum stays open, since window managers offer
        // maximise (which starts full mode) only to a window whose size may
        // change.
        if (minimumSize() != target)
            setMinimumSize(target);
        if (maximumSize() != QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (size() != target && !isMaximized())
            resize(target);
        layout()->activate();
        if (clamped)
            move(DesktopRect().topLeft());
        else
            KeepOnDesktop(target + margins);
    }
    UpdateSizeIndicator();
    inLayout = false;
}

void CMainFrame::KeepOnDesktop(QSize frameSize)
{
    // A frame that grew (a turned picture is taller) moves back as far as
    // needed to stay within the desktop's available area.
    const QRect desktop = DesktopRect();
    const QPoint at = frameGeometry().topLeft();
    QPoint inside = at;
    inside.setX(std::max(desktop.left(), std::min(at.x(), desktop.left() + desktop.width() - frameSize.width())));
    inside.setY(std::max(desktop.top(), std::min(at.y(), desktop.top() + desktop.height() - frameSize.height())));
    if (inside != at)
        move(inside);
}

CMainFrame::FrameNeeds CMainFrame::FrameSizeFor(QSize viewSize) const
{
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    // The docked palettes by side: along a side they stack, across it the
    // largest decides.
    int left = 0, right = 0, top = 0, bottom = 0;       // extent across the side
    int leftLong = 0, rightLong = 0, topLong = 0, bottomLong = 0; // extent along it
    for (QDockWidget* dock : findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (dock->isHidden() || dock->isFloating())
            continue;
        const QSize hint = dock->sizeHint();
        auto add = [&](int& across, int& along, int a, int l) {
            across = std::max(across, a);
            along += (along != 0 ? separator : 0) + l;
        };
        switch (dockWidgetArea(dock)) {
        case Qt::LeftDockWidgetArea: add(left, leftLong, hint.width(), hint.height()); break;
        case Qt::RightDockWidgetArea: add(right, rightLong, hint.width(), hint.height()); break;
        case Qt::TopDockWidgetArea: add(top, topLong, hint.height(), hint.width()); break;
        case Qt::BottomDockWidgetArea: add(bottom, bottomLong, hint.height(), hint.width()); break;
        default: break;
        }
    }
    int toolWidth = 0, toolTop = 0, toolBottom = 0;
    for (QToolBar* bar : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (bar->isHidden() || bar->isFloating())
            continue;
        const QSize hint = bar->sizeHint();
        toolWidth = std::max(toolWidth, hint.width());
        const Qt::ToolBarArea area = toolBarArea(bar);
        if (area == Qt::TopToolBarArea)
            toolTop = std::max(toolTop, hint.height());
        else if (area == Qt::BottomToolBarArea)
            toolBottom = std::max(toolBottom, hint.height());
    }
    FrameNeeds needs;
    needs.viewRow = (left ? left + separator : 0) + viewSize.width() + (right ? right + separator : 0);
    const int middle = std::max({viewSize.height(), leftLong, rightLong});
    const int menu = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
    const int status = statusBar()->isHidden() ? 0 : statusBar()->sizeHint().height();
    needs.size.setWidth(std::max({needs.viewRow, topLong, bottomLong, toolWidth}));
    needs.size.setHeight(menu + toolTop + (top ? top + separator : 0) + middle + (bottom ? bottom + separator : 0) +
                         toolBottom + status);
    return needs;
}

void CMainFrame::UpdateSizeIndicator()
{
    // Without a picture there is no output size to show.
    if (sizePane != nullptr)
        sizePane->setText(doc.HasImage() ? QString::fromStdString(doc.FormatOutputSize(std::nullopt, nullptr, 2)) : QString());
}

void CMainFrame::SetPreviewZoom(int idOrFlag)
{
    if (idOrFlag > int(ID_PREVIEW_SIZE_LAST)) {
        static constexpr int kZoom[] = {0, 0, 50, 100, 200, 300};
        const int index = idOrFlag - int(ID_ZOOM_FREE);
        previewFull = 1;
        zoomPercent = index >= 0 && index < 6 ? kZoom[index] : 0;
        SetResizable(true);
        RecalcLayout();
    } else {
        previewFull = idOrFlag;
    }
    SetResizable(previewFull != 0);
    DockOrFloatPalettes(floatPalettes == 0);
    update();
}

void CMainFrame::EnterFullMode()
{
    previewFull = 1;
    SetResizable(true);
    // The window manager maximised the frame already: it stays maximised.
    keepMaximized = true;
    DockOrFloatPalettes(floatPalettes == 0);
    keepMaximized = false;
    update();
}

void CMainFrame::OnPreviewSize(unsigned id)
{
    if (previewFull) {
        if (isMaximized())
            showNormal();
        previewFull = 0;
        SetResizable(false);
        DockOrFloatPalettes(floatPalettes == 0);
        update();
    }
    previewSize = int(id - ID_PREVIEW_SIZE_FIRST);
    if (previewSize < 0 || previewSize > 5)
        previewSize = 0;
    RecalcLayout();
}

void CMainFrame::OnDropFiles(const std::vector<std::string>& paths)
{
    activateWindow();
    if (paths.size() == 1)
        app.OpenDocumentFile(paths.front());
    else
        ShowMessageId(IDS_DROP_ONE_FILE, MB_OK | MB_ICONEXCLAMATION);
}

void CMainFrame::Progress(int percent, const char* label, int area)
{
    if (messagePane != nullptr)
        messagePane->ShowProgress(percent, QString::fromStdString(ProgressLabelText(label != nullptr ? label : "")),
                                  area == -1);
}

void CMainFrame::OnDevelopProgress(int percent, const std::string& label)
{
    Progress(percent, label.c_str(), 1);
}

void CMainFrame::OnFullPreviewReady()
{
    doc.MakeFullPreviewBitmap();
}

void CMainFrame::PostPaletteLayout(bool docked)
{
    QMetaObject::invokeMethod(
        this,
        [this, docked] {
            floatPalettes = docked ? 0 : 1;
            DockOrFloatPalettes(docked);
        },
        Qt::QueuedConnection);
}

void CMainFrame::OnClose()
{
    SettingsStore& s = Settings();
    s.WriteProfileInt(kS, "Zoomed", isMaximized() ? 1 : 0);
    if (isMaximized() || isMinimized())
        showNormal();
    const QRect g = geometry();
    const int32_t rect[4] = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    s.WriteProfileBinary(kS, "WindowPosition", rect, sizeof rect);
    SaveBarState("DockingBarState");
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    OnClose();
    closing = true;
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    OnDropFiles(paths);
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Maximising enters full mode (the window then fills the screen).
    if (event->type() == QEvent::WindowStateChange && isMaximized() && !previewFull)
        EnterFullMode();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || shownOnce)
        return;
    shownOnce = true;
    // Palettes that float at start-up were put on screen before the frame
    // (they are created with it). A window manager keeps a tool window above
    // the window it belongs to only when that one was there first: once the
    // frame is on screen, they are put there again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            for (QDockWidget* dock : findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (dock->isFloating() && dock->isVisible()) {
                    dock->hide();
                    dock->show();
                }
        },
        Qt::QueuedConnection);
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (previewFull) {
        RecalcLayout();
        return;
    }
    // A frame that grew (a turn to portrait) was placed from the size the
    // layout asked for; the window manager answers later, with its
    // decorations. Once that answer is in, the frame as it really is must
    // still lie within the desktop.
    if (isVisible() && !isMaximized() && event->size().height() > event->oldSize().height() &&
        event->oldSize().isValid())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!previewFull && !isMaximized())
                    KeepOnDesktop(frameGeometry().size());
            },
            Qt::QueuedConnection);
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (messagePane != nullptr)
            messagePane->SetMessage(tip.isEmpty() ? StringText(AFX_IDS_IDLEMESSAGE) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace velmo
