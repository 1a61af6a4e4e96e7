// The palettes as they stand until their own classes come (app/palettes/):
// docks of their usual size that implement the palette interfaces
// (app/PaletteInterfaces.h) with the state a command can change, so that
// every command of the frame and the document works end to end. A palette
// class replaces its placeholder where CMainFrame::CreatePalettes makes it.
#pragma once

#include "app/PaletteDock.h"
#include "app/PaletteInterfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace velmo {

// The tabbed and the classic parameters palettes: the record they were
// given and the requests they had.
class CParamPalettePlaceholder final : public CPaletteDock, public IParamPalette {
public:
    CParamPalettePlaceholder(unsigned id, const QString& objectName, const QString& caption, QSize contentSize,
                             QWidget* parent);

    void SetParams(const DevParams& params) override;
    void CancelCountdown() override { ++countdownCancels; }
    bool ShowControl(unsigned controlId) override;
    void FillWhiteBalanceList() override { ++whiteBalanceListFills; }
    bool UpdateData(bool saveAndValidate) override;
    void OnFeatureToggled(FeatureKind kind, bool on) override;
    void RefreshFeature(FeatureKind kind) override;
    bool FocusControl(unsigned controlId) override { return ShowControl(controlId); }

    const DevParams& Record() const { return record; }
    int CountdownCancels() const { return countdownCancels; }
    int WhiteBalanceListFills() const { return whiteBalanceListFills; }
    unsigned LastShownControl() const { return lastShownControl; }
    int FeatureRefreshes() const { return featureRefreshes; }

private:
    DevParams record{};
    int countdownCancels = 0;
    int whiteBalanceListFills = 0;
    unsigned lastShownControl = 0;
    int featureRefreshes = 0;
};

// The free-curve, lens and selective-colours palettes of the classic UI.
class CFeaturePalettePlaceholder final : public CPaletteDock, public IFeaturePalette, public ILensPalette {
public:
    CFeaturePalettePlaceholder(unsigned id, const QString& objectName, const QString& caption, QSize contentSize,
                               QWidget* parent);

    void SetEnabled(bool on) override { enabled = on; }
    void Apply() override { ++applies; }
    void Refresh() override { ++refreshes; }
    void SetLensInfo(const std::string& modelName, double focalLength) override;

    bool Enabled() const { return enabled; }
    int Applies() const { return applies; }
    int Refreshes() const { return refreshes; }
    const std::string& ModelCaption() const { return modelCaption; }
    const std::string& FocalLengthCaption() const { return focalLengthCaption; }

private:
    bool enabled = false;
    int applies = 0;
    int refreshes = 0;
    std::string modelCaption;
    std::string focalLengthCaption;
};

} // namespace velmo
