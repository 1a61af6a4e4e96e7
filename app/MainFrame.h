// The main frame: the main toolbar, the palettes bar, the status bar, the
// nine palettes docked or floating, the view sized to the chosen preview
// size (or filling the window in full mode), the window and palette layout
// kept in the settings, dropped files, and the worker's posted reports.
#pragma once

#include "app/ViewGeometry.h"
#include "params/EditState.h"
#include "platform/gui/CmdTarget.h"

#include <QMainWindow>
#include <QRect>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace velmo {

class AppDocHost;
class CDocCommands;
class CProcessingDlg;
class IExifPalette;
class IMagnifierPalette;
struct PaletteCommands;
enum class FeatureKind;
class CHistogramBar;
class CommandToolBar;
class CPaletteDock;
class CVelmoApp;
class CVelmoDoc;
class CVelmoView;
class IdleUpdater;
class StatusProgressPane;
struct DialogFontSetting;

// The layout version stamp: a stored layout of another version is replaced
// by the default layout at start-up.
inline constexpr const char* kFrameVersion = "Nov  6 2009 20:08:34";
// The version of the dock layout format kept in "DockingBarState".
inline constexpr int kLayoutStateVersion = 1;

class CMainFrame final : public QMainWindow, public CCmdTarget {
public:
    // The frame with its bars, palettes and view (the framework's OnCreate);
    // null when a part could not be created.
    static std::unique_ptr<CMainFrame> Create(CVelmoApp& app, CVelmoDoc& doc, AppDocHost& host);
    ~CMainFrame() override;

    CVelmoView* GetActiveView() const { return view; }
    CVelmoDoc* GetActiveDocument() const { return &doc; }
    CVelmoApp& App() const { return app; }

    // Sizes the frame so that the view shows the preview at the chosen size
    // (fixed mode), or fits the display size into the view (full mode). It
    // works from the widgets' sizes, not the window's, so that a top-level
    // resize still on its way (X11) does not change its result.
    void RecalcLayout();
    // The bar of a View command id (33801 ... 33811, 0xE800, 0xE801); null otherwise.
    QWidget* GetBarById(unsigned id) const;
    CPaletteDock* Palette(unsigned viewId) const;
    // The histogram palette (null while the palettes are rebuilt).
    CHistogramBar* HistogramBar() const;

    // The palettes' interfaces (app/palettes/PaletteInterfaces.h); null when
    // the palette has no such interface.
    IMagnifierPalette* MagnifierPalette() const;
    IExifPalette* ExifPalette() const;

    bool CreatePalettes();
    void DockOrFloatPalettes(bool docked);
    void ResetPaletteLayout();
    void SetPreviewZoom(int idOrFlag);
    void OnPreviewSize(unsigned id);
    void OnViewPalette(unsigned id);
    void OnUseOldUI();
    void OnReset();
    void OnFontCommand(unsigned id);
    void UpdateSizeIndicator();
    // One file opens; two or more give prompt 61214 and open nothing.
    void OnDropFiles(const std::vector<std::string>& paths);
    // The worker's reports (delivered on this thread).
    void OnDevelopProgress(int percent, const std::string& label);
    void OnFullPreviewReady();
    // Posted by the palettes: the docked (true) or the floating layout, once
    // the current event is done.
    void PostPaletteLayout(bool docked);
    // The progress routine's drawing: percent 0..100, -1 erase, -2 label alone;
    // area -1 the whole first pane, else its right third.
    void Progress(int percent, const char* label, int area);
    // The automatic chromatic-aberration search: the magnifier floats at the
    // window's corner and "Processing..." shows, the rest of the program
    // takes no input until the end, when the palettes return to their places.
    void BeginChromaticSearch();
    // Shows percent and lets pending events run; true once Cancel was pressed.
    bool ChromaticSearchProgress(int percent);
    void EndChromaticSearch();
    // True while a long command of the user-interface thread runs (no other
    // command starts meanwhile).
    bool InModalWork() const { return processing != nullptr; }
    CProcessingDlg* ProcessingDialog() const { return processing.get(); }
    // The parameters palette in use focuses its control with that id.
    bool FocusPaletteControl(unsigned id);

    // Runs a command from a menu, a button or a shortcut along the route
    // (owner first); a command the update reports disabled is ignored.
    void ExecuteCommand(unsigned id, CCmdTarget* owner = nullptr);
    CommandRoute Route(CCmdTarget* owner = nullptr) const;
    // The update pass of the toolbars (run on idle and after each command).
    void UpdateToolBars();
    // A layout pass once the current event is done (after docks moved).
    void ScheduleLayout();
    // Tracks menu resource menuId's first submenu at the cursor, owned by
    // owner (its commands go to owner first).
    void TrackPopupMenu(unsigned menuId, CCmdTarget* owner, QPoint globalPos);

    int PreviewSizeIndex() const { return previewSize; }
    bool IsFullMode() const { return previewFull != 0; }
    int ZoomPercent() const { return zoomPercent; }
    bool FloatingPalettes() const { return floatPalettes != 0; }
    StatusProgressPane* MessagePane() const { return messagePane; }
    QLabel* SizePane() const { return sizePane; }
    CommandToolBar* MainToolBar() const { return mainToolBar; }
    CommandToolBar* PalettesBar() const { return palettesBar; }

    // Where the frame may be: the available area of its screen (tests set
    // their own desktop).
    std::function<QRect()> desktopRect;
    // The font dialog of "&Choose..." (tests answer it).
    std::function<std::optional<DialogFontSetting>(const DialogFontSetting&)> chooseFont;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    CMainFrame(CVelmoApp& app, CVelmoDoc& doc, AppDocHost& host);
    bool OnCreate();
    void BuildCommandMap();
    void OnClose();
    void SetResizable(bool resizable);
    void PlaceFloatingPalettes();
    // Notes the size of every docked palette as the docked layout gives it:
    // in the floating layout each palette is at least that large.
    void RememberDockedSizes();
    void RestoreWindowPosition(const QRect& stored);
    bool SaveBarState(const char* name);
    bool LoadBarState(const char* name);
    bool IsTabbedUI() const;
    CPaletteDock* ParametersPalette() const;
    // What the palettes may ask of the frame.
    PaletteCommands CommandsForPalettes();
    QRect DesktopRect() const;
    void EnterFullMode();
    // The frame size that shows the view at viewSize with the bars and the
    // docked palettes at their preferred sizes, and the width of the view's row.
    struct FrameNeeds {
        QSize size;
        int viewRow = 0;
    };
    FrameNeeds FrameSizeFor(QSize viewSize) const;
    // Moves the frame (of that outer size) back onto the desktop's area.
    void KeepOnDesktop(QSize frameSize);

    CVelmoApp& app;
    CVelmoDoc& doc;
    AppDocHost& host;

    int previewSize = 0;
    int previewFull = 0;
    int zoomPercent = 0;
    int floatPalettes = 0;

    CVelmoView* view = nullptr;
    QWidget* viewHolder = nullptr;
    std::unique_ptr<CDocCommands> docCommands;
    std::unique_ptr<CProcessingDlg> processing;
    CommandToolBar* mainToolBar = nullptr;
    CommandToolBar* palettesBar = nullptr;
    StatusProgressPane* messagePane = nullptr;
    QLabel* sizePane = nullptr;
    std::array<QLabel*, 3> indicators{};
    IdleUpdater* idle = nullptr;
    // Every change of the edit state updates the controls once idle.
    EditSubscription idleAfterEdits;
    QTimer layoutTimer;
    bool inLayout = false;
    bool closing = false;
    bool shownOnce = false;
    bool keepMaximized = false; // entering full mode from a maximise

    // The nine palettes: classic and tabbed parameters, histogram, magnifier,
    // selective colours, lens, Exif, curve, free curve.
    CPaletteDock* paramBar = nullptr;
    CPaletteDock* paramTabBar = nullptr;
    CPaletteDock* histogramBar = nullptr;
    CPaletteDock* magnifierBar = nullptr;
    CPaletteDock* selColorBar = nullptr;
    CPaletteDock* lensBar = nullptr;
    CPaletteDock* exifBar = nullptr;
    CPaletteDock* curveBar = nullptr;
    CPaletteDock* freeCurveBar = nullptr;
    // The tabbed palette's page a feature command (selective colours, lens,
    // free curve) showed: "Parameters" then goes back to the first page.
    int featurePageShown = -1;
    // Each palette's size in the docked layout, as last laid out.
    std::map<const QWidget*, QSize> dockedSizes;
    // The palettes "[HIDE]" hid (by View id): a second press shows them again.
    std::vector<unsigned> hiddenByHide;
    void OnHidePalettes();
};

// A stored "WindowPosition" (left, top, right, bottom as int32): nullopt
// when it is not 16 bytes or not a sensible size; moved onto the nearest
// screen's available area when it lies off every screen.
std::optional<QRect> WindowPositionFromBytes(const std::vector<uint8_t>& bytes, const std::vector<QRect>& screens);

// The preview size for a previewSize index (0 x1, 1 x1.5, 2 x2, 3 /2, 4 /3,
// 5 /4; others count as 0), turned for a portrait image.
QSize PreviewDisplaySize(int previewSizeIndex, bool portrait);

// The display size of full mode for a view of viewWidth x viewHeight: the
// picture fitted to the view, or at zoomPercent (not 0) of doc's output size.
DisplaySize FullModeDisplayFor(const CVelmoDoc& doc, int viewWidth, int viewHeight, bool portrait, int zoomPercent);

} // namespace velmo
