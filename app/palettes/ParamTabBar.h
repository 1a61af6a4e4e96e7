// The tabbed parameters palette: six pages over a tab strip (Adjust1,
// Adjust2 and Detail with the parameter controls; Curve, Lens and Color
// with the feature editors), "Prv", "Mgn" and "&Reset" below. Ctrl+Tab and
// Ctrl+Shift+Tab go round the tabs; the shown tab is kept in
// "Settings"/"CurrentPane". Enter in any edit applies at once.
#pragma once

#include "app/palettes/FeaturePages.h"
#include "app/palettes/PaletteDock.h"
#include "app/palettes/ParamControls.h"

#include <array>
#include <memory>

class QPushButton;
class QStackedWidget;
class QTabBar;

namespace velmo {

// It follows the edit state as every palette does; when the user switches a
// feature on while this is the palette in use, it shows the feature's page.
class CParamTabBar final : public CPaletteDock, private CCmdTarget {
public:
    static constexpr int kPageCount = 6;

    CParamTabBar(PaletteCommands paletteCommands, CVelmoDoc& doc, const QString& caption, QWidget* parent);
    ~CParamTabBar() override;

    // Selects the page that holds control controlId, shows it and gives the
    // control the focus; a control of the palette itself ("Prv") changes
    // nothing. False when the palette has no such control.
    bool ShowControl(unsigned controlId);

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

    const DevParams& Record() const { return params->Record(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The feature pages' own update entries ("&Del"), and the controls that
    // the rows' rules enable, which stay as the rules set them.
    CCmdTarget* OwnCommands() override { return this; }
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

private:
    void BuildBody(PaletteCommands paletteCommands);
    void OnEditChange(const EditChange& change);
    void WatchKeys(QWidget* root);
    void FocusFirstControl(int index);
    int FeatureTab(FeatureKind kind) const;

    CVelmoDoc& doc;
    std::unique_ptr<CParamControls> params;
    QTabBar* tabs = nullptr;
    QStackedWidget* stack = nullptr;
    std::array<QWidget*, kPageCount> pages{};
    std::array<bool, kPageCount> pendingPages{};
    EditSubscription subscription;
};

} // namespace velmo
