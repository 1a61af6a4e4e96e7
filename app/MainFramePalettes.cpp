// The main frame's palettes: creation, the docked and the floating layout,
// and the layout version check.
#include "app/palettes/HistogramBar.h"
#include "app/MainFrame.h"
#include "app/FloatingLayout.h"
#include "app/palettes/PaletteDock.h"
#include "app/palettes/FeaturePalettes.h"
#include "app/palettes/ParamBar.h"
#include "app/palettes/ParamTabBar.h"
#include "app/palettes/ExifBar.h"
#include "app/palettes/MagnifierBar.h"
#include "app/palettes/ParamsCurveBar.h"
#include "document/VelmoDoc.h"
#include "platform/core/SettingsStore.h"
#include "platform/gui/QtMenus.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"

#include <QLayout>
#include <QStatusBar>

namespace velmo {

namespace {

constexpr const char* kS = kSettingsSection;

} // namespace

bool CMainFrame::CreatePalettes()
{
    // Dock captions are the palettes bar's captions (string 61717).
    std::vector<std::string> items;
    LoadStringList(IDS_PALETTE_CAPTIONS, &items);
    auto caption = [&items](size_t i) { return i < items.size() ? QString::fromStdString(items[i]) : QString(); };
    auto wire = [this](CPaletteDock* palette) {
        palette->SetDockable(true);
        // The frame follows every change of what is docked where.
        connect(palette, &QDockWidget::visibilityChanged, this, [this] { ScheduleLayout(); });
        connect(palette, &QDockWidget::topLevelChanged, this, [this] { ScheduleLayout(); });
        connect(palette, &QDockWidget::dockLocationChanged, this, [this] { ScheduleLayout(); });
        return palette;
    };
    paramBar = wire(new CParamBar(CommandsForPalettes(), doc, caption(0), this));
    paramTabBar = wire(new CParamTabBar(CommandsForPalettes(), doc, caption(0), this));
    auto* histogram = new CHistogramBar(ID_VIEW_HISTOGRAM, caption(1), &doc, this);
    auto* magnifier = new CMagnifierBar(ID_VIEW_MAGNIFIER, caption(2), &doc, this);
    // The magnifier's readout goes where the view's goes.
    magnifier->SetReadoutCaption(histogram->LevelCaption());
    magnifier->SetFloatingLayoutTest([this] { return FloatingPalettes(); });
    histogramBar = wire(histogram);
    magnifierBar = wire(magnifier);
    selColorBar = wire(new CSelColorBar(caption(6), doc, CommandsForPalettes(), this));
    lensBar = wire(new CLensBar(caption(7), doc, CommandsForPalettes(), this));
    exifBar = wire(new CExifBar(ID_VIEW_EXIF, caption(4), &doc, this));
    curveBar = wire(new CCurveBar(ID_VIEW_CURVE, caption(3), &doc, this));
    freeCurveBar = wire(new CFreeCurveBar(caption(5), doc, CommandsForPalettes(), this));

    addDockWidget(Qt::RightDockWidgetArea, paramBar);
    addDockWidget(Qt::RightDockWidgetArea, paramTabBar);
    addDockWidget(Qt::BottomDockWidgetArea, histogramBar);
    addDockWidget(Qt::BottomDockWidgetArea, magnifierBar);
    addDockWidget(Qt::BottomDockWidgetArea, freeCurveBar);
    freeCurveBar->setFloating(true);
    freeCurveBar->hide();
    addDockWidget(Qt::BottomDockWidgetArea, selColorBar);
    selColorBar->setFloating(true);
    selColorBar->hide();
    addDockWidget(Qt::BottomDockWidgetArea, lensBar);
    lensBar->setFloating(true);
    lensBar->hide();
    addDockWidget(Qt::BottomDockWidgetArea, exifBar);
    addDockWidget(Qt::BottomDockWidgetArea, curveBar);

    // The magnifier, the Exif and the curve palettes on the histogram's row.
    splitDockWidget(histogramBar, magnifierBar, Qt::Horizontal);
    splitDockWidget(magnifierBar, exifBar, Qt::Horizontal);
    splitDockWidget(exifBar, curveBar, Qt::Horizontal);

    // The tool palettes float at the main toolbar's corner and stay floating.
    const QPoint corner = mainToolBar->mapToGlobal(QPoint(0, 0));
    for (CPaletteDock* p : {selColorBar, lensBar, freeCurveBar}) {
        p->setFloating(true);
        p->move(corner);
        p->SetDockable(false);
    }

    (doc.Edit().Switch(SwitchId::UseOldUI) == 1 ? paramTabBar : paramBar)->hide();

    // A layout stored by another version of the program (or with the first
    // family's record missing) is replaced by the default layout just built.
    SettingsStore& s = Settings();
    std::vector<uint8_t> record;
    const bool recordOk = s.GetProfileBinary(kS, "Param", record) && record.size() == 176;
    if (!recordOk || s.GetProfileString(kS, "FrameVer", "") != kFrameVersion) {
        SaveBarState("DockingBarState");
        SaveBarState("DockingBarState2");
        s.WriteProfileInt(kS, "PreviewFull", 0);
    }
    if (s.GetProfileInt(kS, "PreviewFull", 0) != 0)
        SetPreviewZoom(1);
    DockOrFloatPalettes(floatPalettes == 0);
    return true;
}

void CMainFrame::DockOrFloatPalettes(bool docked)
{
    SettingsStore& s = Settings();
    if (docked) {
        if (isMaximized() && !keepMaximized)
            showNormal();
        std::vector<uint8_t> discarded;
        s.GetProfileBinary(kS, "WindowPosition2", discarded);
        LoadBarState("DockingBarState2");
    } else {
        const QRect g = geometry();
        const int32_t rect[4] = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
        s.WriteProfileBinary(kS, "WindowPosition2", rect, sizeof rect);
        SaveBarState("DockingBarState2");
        RememberDockedSizes();
    }
    for (CPaletteDock* p : {histogramBar, curveBar, paramBar, paramTabBar, magnifierBar, exifBar}) {
        if (p == nullptr)
            continue;
        p->show();
        p->SetDockable(docked);
        if (p->isFloating() == docked)
            p->ToggleDocking();
    }
    ResetPaletteLayout();
}

void CMainFrame::ResetPaletteLayout()
{
    CPaletteDock* params = ParametersPalette();
    CPaletteDock* otherParams = params == paramBar ? paramTabBar : paramBar;
    if (floatPalettes == 1) {
        mainToolBar->show();
        statusBar()->show();
        if (params != nullptr)
            params->show();
        // Only one parameters palette shows, also in this layout.
        if (otherParams != nullptr)
            otherParams->hide();
        for (unsigned id = ID_VIEW_PALETTE_FIRST; id < ID_VIEW_PALETTE_LAST; ++id) {
            if (id == ID_VIEW_PARAMS || id == ID_VIEW_SELCOLOR || id == ID_VIEW_LENS || id == ID_VIEW_FREECURVE ||
                id == ID_VIEW_PARAMTAB)
                continue;
            if (QWidget* bar = GetBarById(id))
                bar->show();
        }
        RecalcLayout();
        PlaceFloatingPalettes();
        return;
    }

    for (CPaletteDock* p : {paramBar, paramTabBar, histogramBar, magnifierBar, selColorBar, lensBar, exifBar,
                            curveBar, freeCurveBar})
        if (p != nullptr)
            p->hide();
    mainToolBar->hide();
    statusBar()->hide();
    addToolBar(Qt::TopToolBarArea, mainToolBar);
    mainToolBar->show();
    statusBar()->show();
    for (CPaletteDock* p : {paramBar, paramTabBar}) {
        if (p == nullptr)
            continue;
        if (p->isFloating())
            p->setFloating(false);
        addDockWidget(Qt::RightDockWidgetArea, p);
    }
    if (params != nullptr)
        params->show();
    addToolBar(Qt::BottomToolBarArea, palettesBar);
    palettesBar->show();
    RecalcLayout();
    // The histogram, magnifier, curve and Exif palettes on one row below.
    CPaletteDock* previous = nullptr;
    for (CPaletteDock* p : {histogramBar, magnifierBar, curveBar, exifBar}) {
        if (p == nullptr)
            continue;
        if (p->isFloating())
            p->setFloating(false);
        if (previous == nullptr)
            addDockWidget(Qt::BottomDockWidgetArea, p);
        else
            splitDockWidget(previous, p, Qt::Horizontal);
        p->show();
        previous = p;
        RecalcLayout();
    }
}

void CMainFrame::RememberDockedSizes()
{
    // The docked layout as it stands on screen; before the window is first
    // shown, as its layout would give it.
    if (!isVisible())
        layout()->activate();
    for (CPaletteDock* p : {paramBar, paramTabBar, histogramBar, magnifierBar, exifBar, curveBar})
        if (p != nullptr && !p->isHidden() && !p->isFloating() && !p->size().isEmpty())
            dockedSizes[p] = p->size();
}

void CMainFrame::PlaceFloatingPalettes()
{
    // Each palette at least as large as when docked (and never below what
    // its contents need), the parameters palette beside the window and the
    // others below it; all of them on the screen, none over another.
    auto sizeOf = [this](CPaletteDock* p) {
        QSize size = p->sizeHint().expandedTo(p->minimumSizeHint());
        if (const auto docked = dockedSizes.find(p); docked != dockedSizes.end())
            size = size.expandedTo(docked->second);
        return size;
    };
    // What the window manager adds around a palette (none for the palettes'
    // own title bars).
    auto margins = [](const QWidget* w) {
        return w->isVisible() ? w->frameGeometry().size() - w->geometry().size() : QSize(0, 0);
    };
    CPaletteDock* side = ParametersPalette();
    if (side != nullptr && side->isHidden())
        side = nullptr;
    std::vector<CPaletteDock*> row;
    for (CPaletteDock* p : {histogramBar, curveBar, exifBar, magnifierBar, selColorBar, lensBar, freeCurveBar})
        if (p != nullptr && p != side && !p->isHidden() && p->isFloating())
            row.push_back(p);
    std::vector<QSize> rowSizes;
    for (CPaletteDock* p : row)
        rowSizes.push_back(sizeOf(p) + margins(p));

    // The window's outer size from the size its layout asked for: a resize
    // on its way to the window manager has not reached geometry() yet.
    const QSize frameMargins = isVisible() ? frameGeometry().size() - geometry().size() : QSize(0, 0);
    const QSize frameSize = (previewFull ? size() : minimumSize().expandedTo(size())) + frameMargins;
    const QRect frame(frameGeometry().topLeft(), frameSize);
    // The side palette's top level with the main toolbar's.
    const int title = geometry().top() - frameGeometry().top();
    const int sideTop = mainToolBar->isVisible() ? title + mainToolBar->mapTo(this, QPoint(0, 0)).y() : 0;
    const FloatingPlacement placement = FloatingPaletteLayout(
        DesktopRect(), frame, sideTop, side != nullptr ? sizeOf(side) + margins(side) : QSize(), rowSizes);

    if (placement.frameAt != frame.topLeft())
        move(placement.frameAt);
    size_t i = 0;
    auto put = [&margins](CPaletteDock* p, const QRect& outer) {
        p->resize(outer.size() - margins(p));
        p->move(outer.topLeft());
    };
    if (side != nullptr)
        put(side, placement.palettes[i++]);
    for (CPaletteDock* p : row)
        put(p, placement.palettes[i++]);
}

} // namespace velmo
