// The tabbed parameters palette: six pages over a tab strip (Adjust1,
// Adjust2 and Detail with the parameter controls; Curve, Lens and Color
// with the feature editors), "Prv", "Mgn" and "&Reset" below. Ctrl+Tab and
// Ctrl+Shift+Tab go round the tabs; the shown tab is kept in
// "Settings"/"CurrentPane". Enter in any edit applies at once.
#pragma once

#include "app/PaletteDock.h"
#include "app/PaletteInterfaces.h"
#include "app/palettes/FeaturePages.h"
#include "app/palettes/ParamControls.h"

#include <array>
#include <memory>

class QPushButton;
class QStackedWidget;
class QTabBar;

namespace velmo {

class CMainFrame;

class CParamTabBar final : public CPaletteDock, public IParamPalette {
public:
    static constexpr int kPageCount = 6;

    CParamTabBar(CMainFrame* frame, CVelmoDoc& doc, const QString& caption, QWidget* parent);
    ~CParamTabBar() override;

    // IParamPalette
    void SetParams(const DevParams& record) override;
    void CancelCountdown() override;
    bool ShowControl(unsigned controlId) override;
    void FillWhiteBalanceList() override;
    bool UpdateData(bool saveAndValidate) override;
    void OnFeatureToggled(FeatureKind kind, bool on) override;
    void RefreshFeature(FeatureKind kind) override;

    // CPaletteDock
    int CurrentPage() const override;
    void ShowPage(int pane) override;
    bool FocusControl(unsigned controlId) override { return ShowControl(controlId); }
    void ApplyFont() override;

    // Selects tab index, shows its page and focuses its first control.
    void SelectPane(int index);
    // Palette to document.
    void Apply() { params->Apply(); }
    // Apply by tab: the shown feature page's step (and that of any page
    // with an edit still counting down), then Apply.
    void OnApply();
    // "&Reset": the shown feature only on tabs 3 to 5, the camera family's
    // defaults (developed) on the others.
    void OnReset();

    CParamControls& Controls() { return *params; }
    QTabBar* TabBar() const { return tabs; }
    QWidget* Page(int index) const;
    IFeaturePage* FeaturePage(FeatureKind kind) const;

    // What the commands asked of the palette.
    unsigned LastShownControl() const { return lastShownControl; }
    int CountdownCancels() const { return countdownCancels; }
    int WhiteBalanceListFills() const { return whiteBalanceListFills; }
    const DevParams& Record() const { return params->Record(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBody(CMainFrame* frame);
    void WatchKeys(QWidget* root);
    void FocusFirstControl(int index);
    int FeatureTab(FeatureKind kind) const;

    CVelmoDoc& doc;
    std::unique_ptr<CParamControls> params;
    QTabBar* tabs = nullptr;
    QStackedWidget* stack = nullptr;
    std::array<QWidget*, kPageCount> pages{};
    std::array<bool, kPageCount> pendingPages{};
    unsigned lastShownControl = 0;
    int countdownCancels = 0;
    int whiteBalanceListFills = 0;
};

} // namespace velmo
