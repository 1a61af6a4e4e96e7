// The lens-correction editor as a widget: the enable check with its file
// buttons; Distortion; Chromatic aberration (Red, Blue and "Auto", the
// automatic search); Vignetting (Amount, Midpoint); Correction Property (X,
// Y, Coefficient); "Fisheye"; and the captions of the open picture's lens.
// In fisheye mode the Distortion and Coefficient controls edit the fisheye
// angle (50..179) and scale (0..300). The body of the lens palette and the
// Lens page.
#pragma once

#include "app/palettes/FeaturePanel.h"
#include "app/palettes/LensEditor.h"
#include "document/DocImageEvents.h"
#include "platform/gui/ControlUnit.h"

#include <array>
#include <string>

class QLabel;
class QPushButton;

namespace velmo {

class CLensPanel : public CFeaturePanel, private ControlUnitListener {
public:
    CLensPanel(CVelmoDoc& doc, unsigned dialogId, QWidget* parent);

    LensEditor& Editor() { return editor; }
    ControlUnit* Unit(LensControl control) const { return units[size_t(control)]; }
    AutoCheckBox* FisheyeCheck() const { return fisheyeCheck; }
    QPushButton* AutoButton() const { return autoButton; }
    QLabel* ModelCaption() const { return modelCaption; }
    QLabel* FocalLengthCaption() const { return focalCaption; }

    // "&Reset": the lens defaults, normal mode.
    void ResetFeature() override;
    void Reload() override;
    // The captions "ModelName:%s" and "FocalLength:%3.3fmm"; they follow the
    // document's loads.
    void SetLensInfo(const std::string& modelName, double focalLength);

private:
    void SliderScrolled(ControlUnit& unit, int code, int position) override;
    void EditChanged(ControlUnit& unit) override;
    LensControl ControlOf(const ControlUnit& unit) const;
    void ShowRanges(bool fisheye);
    // The Distortion and Coefficient captions for the mode.
    void ShowCaptions(bool fisheye);

    LensEditor editor;
    std::array<ControlUnit*, size_t(LensControl::kCount)> units{};
    AutoCheckBox* fisheyeCheck = nullptr;
    QPushButton* autoButton = nullptr;
    QLabel* modelCaption = nullptr;
    QLabel* focalCaption = nullptr;
    bool shownFisheye = false;
    DocImageSubscription lensSubscription;
};

} // namespace velmo
