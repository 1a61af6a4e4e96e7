// The classic parameters palette ("Use old UI"): the parameter controls of
// Adjust1, Adjust2 and Detail on one page, without noise reduction, with
// "Prv", "Mgn", "&Reset" and "&Apply". The frame always makes it and keeps
// it in step with the document, also while the tabbed palette is the one
// shown: its Apply is the one the tool palettes (free curve, lens
// correction, selective colours) and the document call to develop now.
#pragma once

#include "app/PaletteDock.h"
#include "app/PaletteInterfaces.h"
#include "app/palettes/ParamControls.h"

#include <memory>

class QPushButton;

namespace velmo {

class CMainFrame;

class CParamBar final : public CPaletteDock, public IParamPalette {
public:
    CParamBar(CMainFrame* frame, CVelmoDoc& doc, const QString& caption, QWidget* parent);
    ~CParamBar() override;

    // The shared apply: the palette's record (with what the user edited)
    // to the document, then the development.
    void Apply() { params->Apply(); }
    // "&Reset": the camera family's defaults shown at once; the preview
    // changes with the next applied change.
    void OnReset();

    // IParamPalette
    void SetParams(const DevParams& record) override;
    void CancelCountdown() override;
    bool ShowControl(unsigned controlId) override;
    void FillWhiteBalanceList() override;
    bool UpdateData(bool saveAndValidate) override;
    void OnFeatureToggled(FeatureKind kind, bool on) override;
    void RefreshFeature(FeatureKind kind) override;

    bool FocusControl(unsigned controlId) override { return ShowControl(controlId); }
    void ApplyFont() override;

    CParamControls& Controls() { return *params; }
    QPushButton* ApplyButton() const { return applyButton; }

    unsigned LastShownControl() const { return lastShownControl; }
    int CountdownCancels() const { return countdownCancels; }
    int WhiteBalanceListFills() const { return whiteBalanceListFills; }
    const DevParams& Record() const { return params->Record(); }

private:
    // "&Apply" is enabled only while a change is waiting.
    void UpdateApplyButton();

    CVelmoDoc& doc;
    std::unique_ptr<CParamControls> params;
    QPushButton* applyButton = nullptr;
    unsigned lastShownControl = 0;
    int countdownCancels = 0;
    int whiteBalanceListFills = 0;
};

} // namespace velmo
